// A signature's answer in words.
#include "SignatureAnswer.h"

namespace Details {

namespace {

void append(Core::Array<wchar_t>& into, const wchar_t* text)
{
    while (text != nullptr && *text != L'\0')
        into.appendRepeated(1, *text++);
}

// The codes WinVerifyTrust answers with (wintrust.h, winerror.h).
const uint32_t noSignature = 0x800B0100;     // TRUST_E_NOSIGNATURE
const uint32_t formUnknown = 0x800B0003;     // TRUST_E_SUBJECT_FORM_UNKNOWN
const uint32_t badDigest = 0x80096010;       // TRUST_E_BAD_DIGEST
const uint32_t untrustedRoot = 0x800B0109;   // CERT_E_UNTRUSTEDROOT
const uint32_t chaining = 0x800B010A;        // CERT_E_CHAINING
const uint32_t testRoot = 0x800B010D;        // CERT_E_UNTRUSTEDTESTROOT
const uint32_t distrusted = 0x800B0111;      // TRUST_E_EXPLICIT_DISTRUST
const uint32_t expired = 0x800B0101;         // CERT_E_EXPIRED
const uint32_t revoked = 0x800B010C;         // CERT_E_REVOKED

} // namespace

Signature signatureOf(uint32_t result, bool catalog)
{
    switch (result) {
    case 0:
        return catalog ? Signature::Catalog : Signature::Signed;
    case noSignature:
    case formUnknown:
        return Signature::Unsigned;
    case badDigest:
        return Signature::Invalid;
    case untrustedRoot:
    case chaining:
    case testRoot:
        return Signature::Untrusted;
    case distrusted:
        return Signature::Distrusted;
    case expired:
        return Signature::Expired;
    case revoked:
        return Signature::Revoked;
    default:
        return Signature::Error;
    }
}

const wchar_t* signatureWord(Signature signature)
{
    switch (signature) {
    case Signature::Pending:
        return L"";
    case Signature::Signed:
        return L"signed";
    case Signature::Catalog:
        return L"catalog";
    case Signature::Unsigned:
        return L"unsigned";
    case Signature::Invalid:
        return L"invalid";
    case Signature::Untrusted:
        return L"untrusted";
    case Signature::Distrusted:
        return L"distrusted";
    case Signature::Expired:
        return L"expired";
    case Signature::Revoked:
        return L"revoked";
    case Signature::Error:
        break;
    }
    return L"error";
}

void signatureLine(Signature signature, const wchar_t* signer, const wchar_t* reason, Core::Array<wchar_t>& into)
{
    into.dropBack(into.count);
    switch (signature) {
    case Signature::Pending:
        append(into, L"Verifying signature...");
        break;
    case Signature::Signed:
    case Signature::Catalog:
        append(into, L"Signed by ");
        append(into, signer != nullptr && *signer != L'\0' ? signer : L"an unnamed signer");
        if (signature == Signature::Catalog)
            append(into, L" (catalog)");
        break;
    case Signature::Unsigned:
        append(into, L"Not signed");
        break;
    case Signature::Invalid:
        append(into, L"Changed after signing");
        break;
    case Signature::Untrusted:
        append(into, L"Signed by ");
        append(into, signer != nullptr && *signer != L'\0' ? signer : L"an unnamed signer");
        append(into, L", but its root is not trusted");
        break;
    case Signature::Distrusted:
        append(into, L"Signed by ");
        append(into, signer != nullptr && *signer != L'\0' ? signer : L"an unnamed signer");
        append(into, L", but the certificate is explicitly distrusted");
        break;
    case Signature::Expired:
    case Signature::Revoked:
    case Signature::Error:
        append(into, L"Could not verify: ");
        append(into, reason);
        break;
    }
    into.appendRepeated(1, L'\0');
}

} // namespace Details

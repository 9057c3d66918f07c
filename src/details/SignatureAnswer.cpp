// A signature's answer in words.
#include "SignatureAnswer.h"

#include "core/Text.h"

namespace Details {

namespace {

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

// Each answer's word, and its tooltip line: `line` alone, or "Signed by
// <signer>" and then `line`, or `line` and then the reason.
enum class Line : uint8_t { Whole, Signer, Reason };
const struct {
    const wchar_t* word;
    Line kind;
    const wchar_t* line;
} answers[] = {
    {L"", Line::Whole, L"Verifying signature..."},
    {L"signed", Line::Signer, L""},
    {L"catalog", Line::Signer, L" (catalog)"},
    {L"unsigned", Line::Whole, L"Not signed"},
    {L"invalid", Line::Whole, L"Changed after signing"},
    {L"untrusted", Line::Signer, L", but its root is not trusted"},
    {L"distrusted", Line::Signer, L", but the certificate is explicitly distrusted"},
    {L"expired", Line::Reason, L"Could not verify: "},
    {L"revoked", Line::Reason, L"Could not verify: "},
    {L"error", Line::Reason, L"Could not verify: "},
};

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

const wchar_t* signatureWord(Signature signature) { return answers[static_cast<uint8_t>(signature)].word; }

void signatureLine(Signature signature, const wchar_t* signer, const wchar_t* reason, Core::Array<wchar_t>& into)
{
    const auto& answer = answers[static_cast<uint8_t>(signature)];
    into.dropBack(into.count);
    if (answer.kind == Line::Signer) {
        Core::appendText(into, L"Signed by ");
        Core::appendText(into, signer != nullptr && *signer != L'\0' ? signer : L"an unnamed signer");
    }
    Core::appendText(into, answer.line);
    if (answer.kind == Line::Reason)
        Core::appendText(into, reason);
    into.appendRepeated(1, L'\0');
}

} // namespace Details

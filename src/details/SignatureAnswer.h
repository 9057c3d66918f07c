#pragma once

// What a module file's signature answers, in the words each output uses:
// the tooltip's line, the lister's Signature column.
#include <cstdint>

#include "core/Array.h"

namespace Details {

enum class Signature : uint8_t {
    Pending,   // not verified yet
    Signed,    // embedded, to a trusted root
    Catalog,   // through one of the system's catalogs
    Unsigned,  // neither
    Invalid,   // the file changed after it was signed
    Untrusted, // signed, to a root the system does not trust
    Distrusted, // signed with a certificate the system was told to distrust
    Expired,
    Revoked,
    Error      // any other answer; its code says why
};

// WinVerifyTrust's answer (an HRESULT) for a file's embedded signature, or
// for its catalog when `catalog`. Never Signed or Catalog but for success.
Signature signatureOf(uint32_t result, bool catalog);

// The lister's word: signed, catalog, unsigned, invalid, untrusted,
// distrusted, expired, revoked, error (empty while pending).
const wchar_t* signatureWord(Signature signature);

// Whether it counts as signed: embedded or by catalog.
inline bool trusted(Signature signature) { return signature == Signature::Signed || signature == Signature::Catalog; }

// The tooltip's line, replacing what `into` held, NUL-terminated: "Signed by
// <signer>" (" (catalog)"), "Not signed", "Changed after signing", "Signed by
// <signer>, but its root is not trusted", "Signed by <signer>, but the
// certificate is explicitly distrusted", "Could not verify: <reason>", or
// "Verifying signature..." while pending. `reason` is the system's words.
void signatureLine(Signature signature, const wchar_t* signer, const wchar_t* reason, Core::Array<wchar_t>& into);

} // namespace Details

#pragma once

// Whether a module file can be trusted: its embedded signature, or else the
// system's catalogs, verified by WinVerifyTrust without UI or network.
#include <windows.h>
#include <wintrust.h>

#include "SignatureAnswer.h"
#include "core/Array.h"
#include "core/SystemLibrary.h"

namespace Windows {

struct Verdict {
    General::Signature signature = General::Signature::Pending;
    uint32_t code = 0;              // WinVerifyTrust's answer
    General::Array<wchar_t> signer; // the leaf certificate's name, NUL-terminated; empty when none
};

// One a thread: wintrust and crypt32 are taken from the system folder when
// it is made, and a Windows without a call answers Error for what needs it.
class SignatureChecker {
public:
    SignatureChecker();
    void verify(const wchar_t* path, Verdict& into);

private:
    // WinVerifyTrust on the data, the signer's name read, its state closed.
    LONG run(WINTRUST_DATA& data, General::Array<wchar_t>& signer);
    // The file's hash found in a catalog, verified there; false when none
    // holds it.
    bool inCatalog(const wchar_t* path, Verdict& into);

    SystemLibrary wintrust;
    SystemLibrary crypt32;
};

} // namespace Windows

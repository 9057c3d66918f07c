#pragma once

// Whether a module file can be trusted: its embedded signature, or else the
// system's catalogs, verified by WinVerifyTrust without UI or network.
#include <windows.h>
#include <wintrust.h>

#include "SignatureAnswer.h"
#include "core/Array.h"
#include "core/SystemLibrary.h"

namespace Details {

struct Verdict {
    Details::Signature signature = Details::Signature::Pending;
    uint32_t code = 0;              // WinVerifyTrust's answer, or the error that stopped the check
    Core::Array<wchar_t> signer; // the leaf certificate's name, NUL-terminated; empty when none
};

// One a thread, with its own catalog contexts: concurrent catalog lookups
// through one context are not safe. wintrust and crypt32 are taken from the
// system folder once for the process and never unloaded (crypt32 may still
// have work pending in its pool); a Windows without a call answers Error for
// what needs it.
class SignatureChecker {
public:
    SignatureChecker() = default;
    SignatureChecker(const SignatureChecker&) = delete;
    SignatureChecker& operator=(const SignatureChecker&) = delete;
    ~SignatureChecker();

    // `file` is the file opened for reading by the caller, `path` its name
    // (with the \\?\ prefix where it is long).
    void verify(const wchar_t* path, HANDLE file, Verdict& into);

private:
    struct Answer {
        LONG result;
        DWORD lastError; // read at once after the verify, before its close
    };
    enum Lookup { Found, NotFound, CouldNotLook };

    Answer run(WINTRUST_DATA& data, Core::Array<wchar_t>& signer);
    // The file's hash in a catalog, every catalog that holds it tried;
    // `sha256` chooses the context (Windows 8 on), else the first generation's
    // SHA-1. CouldNotLook leaves the system's code in `into`.
    Lookup inCatalogs(const wchar_t* path, HANDLE file, bool sha256, Verdict& into);
    // A Store application's file, in its package's own catalog.
    Lookup inPackage(const wchar_t* path, HANDLE file, Verdict& into);
    bool hashOf(HANDLE file, bool sha256, BYTE* digest, DWORD& size, DWORD& error);
    Lookup member(const wchar_t* catalog, const wchar_t* path, HANDLE file, bool sha256, const BYTE* digest,
                  DWORD size, Verdict& into);

    HCATADMIN admins[2] = {nullptr, nullptr}; // SHA-1, SHA-256; acquired when first needed
};

} // namespace Details

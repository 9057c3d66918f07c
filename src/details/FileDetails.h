#pragma once

// A module file's version resource, signature and identity, read together
// from one open of the file.
#include <windows.h>

#include "SignatureCheck.h"
#include "VersionResource.h"
#include "core/Array.h"
#include "core/OwnerPtr.h"

namespace Details {

// What tells a file's contents from another's at the same path: size and
// last-write time, which a copy can restore, and where the system gives them
// the file's ID and change time, which it cannot.
struct FileIdentity {
    bool opened = false;
    ULONGLONG size = 0;
    FILETIME written = {0, 0};
    LONGLONG changed = 0; // Vista on; 0 before
    DWORD volume = 0;
    ULONGLONG index = 0;

    bool same(const FileIdentity& other) const
    {
        return opened && other.opened && size == other.size && written.dwLowDateTime == other.written.dwLowDateTime &&
               written.dwHighDateTime == other.written.dwHighDateTime && changed == other.changed &&
               volume == other.volume && index == other.index;
    }
};

struct FileDetails {
    FileVersion version;
    Verdict verdict;
    FileIdentity identity;
};

// Reads files' details, one thread's: each file opened once by the \\?\ form
// of its name, so that a path of any length opens, shared with every opener;
// its identity and signature read through that handle, its version resource
// by a name the version calls take (the short name of a long path).
class DetailsReader {
public:
    // Replaces `into`. When `known` is the identity the file still has, only
    // the identity is read and false returned. A file that cannot be opened
    // is not versioned and its verdict is Error with the system's code.
    bool read(const wchar_t* path, FileDetails& into, const FileIdentity* known = nullptr);

private:
    VersionReader versions;
    SignatureChecker signatures;
    Core::Array<wchar_t> extended;
    Core::Array<wchar_t> shortName;
};

} // namespace Details

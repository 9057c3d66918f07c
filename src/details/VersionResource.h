#pragma once

// A file's version resource: its version, company and description.
#include <windows.h>

#include "core/Array.h"
#include "core/SystemLibrary.h"

namespace Details {

// What a file's version resource says; each text NUL-terminated, or empty
// where the resource has none.
struct FileVersion {
    bool versioned = false;
    Core::Array<wchar_t> fileVersion; // "1.2.3.4", from the fixed part
    Core::Array<wchar_t> company;
    Core::Array<wchar_t> description;
};

// Reads version resources through the system folder's version.dll, loaded
// when the reader is made.
class VersionReader {
public:
    VersionReader() : dll(L"version.dll") {}
    // Replaces what `into` held; a file without a resource, one that cannot
    // be read, or a null path, is not versioned.
    void read(const wchar_t* path, FileVersion& into);

private:
    const wchar_t* text(const wchar_t* name);

    Core::SystemLibrary dll;
    Core::Array<BYTE> block;
    Core::Array<wchar_t> translations; // "xxxxxxxx" each, as queried
};

} // namespace Details

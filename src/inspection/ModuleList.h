#pragma once

// The selected process's modules as the rows of a list box.
#include <windows.h>

#include <cstdint>

#include "ListRows.h"
#include "ModuleReader.h"
#include "core/OwnerPtr.h"
#include "core/String.h"

namespace Inspection {

struct ModuleEntry {
    explicit ModuleEntry(const char* fullPath);
    // With the path as the reader gave it, for what shows or copies it in
    // UTF-16, exact whatever the code page.
    ModuleEntry(const char* fullPath, const wchar_t* widePath, uint32_t wideLength);

    Core::String path;
    uint32_t nameOffset; // where the file name starts in path
    Core::Array<wchar_t> widePath; // NUL-terminated; empty when not given
    HMODULE module = nullptr;         // its handle in the process, when given

    // The file name in widePath, and its length; empty when not given.
    const wchar_t* wideName(uint32_t& length) const;
};

// The modules of one process as rows of a list box, or one row telling why
// they cannot be listed.
class ModuleList : public ListRows::EntryList<ModuleEntry> {
public:
    using EntryList::EntryList;

    void fill(uint32_t processId);
    void add(const char* path);
    void add(const char* path, const wchar_t* widePath, uint32_t wideLength, HMODULE module = nullptr);
    // Selects the row of the entry whose UTF-16 path is `path`, if any.
    void selectPath(const wchar_t* path);

    ModuleReader reader;
    uint32_t processId = 0; // whose modules are listed
    ModuleReader::Outcome outcome = ModuleReader::Read; // of the last fill; else its reason row stands
};

} // namespace Inspection

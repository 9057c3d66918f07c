#pragma once

// The running processes as the rows of a list box.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>

#include "ListRows.h"
#include "ProcessSnapshot.h"
#include "core/OwnerPtr.h"
#include "core/String.h"

namespace Inspection {

struct ProcessEntry {
    ProcessEntry(uint32_t id, const char* name) : processId(id), exeName(name) {}
    // With the name as the snapshot gave it, for what copies it in UTF-16.
    ProcessEntry(uint32_t id, const char* name, const wchar_t* wide, uint32_t wideLength) : ProcessEntry(id, name)
    {
        wideName.appendRange(wide, wideLength);
        wideName.appendRepeated(1, L'\0');
    }

    uint32_t processId;
    Core::String exeName;
    Core::Array<wchar_t> wideName; // NUL-terminated; empty when not given
    uint32_t parentId = 0;            // as the same snapshot gave it
};

// The processes of a snapshot as rows of a list box; each row's item data is
// the index of its entry.
class ProcessList : public ListRows::EntryList<ProcessEntry> {
public:
    using EntryList::EntryList;

    // Replaces every entry and row by a new snapshot and selects row 0.
    void refill();
    // Converts the record's name through `name`, a buffer reused for every
    // record of a refill.
    void add(const PROCESSENTRY32W& record, Core::String& name);
    // Selects the row of the process; false when no row has it.
    bool selectProcess(uint32_t processId);
};

} // namespace Inspection

#pragma once

// Which processes have a module whose path holds a text.
#include <windows.h>

#include <cstdint>

#include "ModuleIndex.h"
#include "ModuleReader.h"

namespace Inspection {

// Every process of a fresh snapshot with its modules, read through the one
// reader, searched as Windows compares file names: ordinal, ignoring case.
class ModuleSearch {
public:
    // Picks the processes to read; the others are left out.
    using Wanted = bool (*)(uint32_t processId, const wchar_t* name, uint32_t length, void* context);

    ModuleSearch() = default;
    ModuleSearch(const ModuleSearch&) = delete;
    ModuleSearch& operator=(const ModuleSearch&) = delete;

    // Replaces the index by a new snapshot's processes (its first record left
    // out, as the process list does) and their modules. A process that cannot
    // be read gets its reason. Raises WindowsError when no snapshot is taken.
    void run(Wanted wanted = nullptr, void* context = nullptr);

    Inspection::ModuleIndex::Counts filter(const wchar_t* text, uint32_t length,
                                        Core::Array<Inspection::ModuleIndex::Row>& rows);

    // The index's paths upper-cased as file names compare, offset for offset.
    const wchar_t* foldedPaths();

    // Emptied or filled by hand, the index is searched as it stands.
    Inspection::ModuleIndex index;

private:
    ModuleReader reader;
    // The index's paths upper-cased once, and the text searched for.
    Core::Array<wchar_t> folded;
    Core::Array<wchar_t> foldedText;
    Core::Array<wchar_t> reason;
};

} // namespace Inspection

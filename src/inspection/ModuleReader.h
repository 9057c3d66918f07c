#pragma once

// The one reader of a process's modules.
#include <windows.h>

#include <cstdint>

#include "core/Array.h"

namespace Inspection {

// The modules of one process, their paths in UTF-16 exactly as Windows names
// them: the one reader behind every view of a process's modules. It knows no
// window.
class ModuleReader {
public:
    enum Outcome {
        Read,         // the modules are listed, in load order
        AccessDenied, // opening was refused even with the debug privilege
        Unavailable,  // the process is gone, or its modules cannot be listed
        Failed        // any other failure; its code is in `error`
    };

    ModuleReader() = default;
    ModuleReader(const ModuleReader&) = delete;
    ModuleReader& operator=(const ModuleReader&) = delete;

    // Replaces what the last read held. A refused opening is tried once more
    // with the debug privilege, which is restored before this returns.
    Outcome read(uint32_t processId);

    uint32_t count() const { return starts.count; }
    const wchar_t* path(uint32_t i) const { return text.items + starts[i]; }
    uint32_t length(uint32_t i) const
    {
        return (i + 1 < starts.count ? starts[i + 1] : text.count) - starts[i] - 1;
    }
    HMODULE module(uint32_t i) const { return handles[i]; }

    uint32_t error = 0;

private:
    void listModules(HANDLE process, uint32_t listed);

    Core::Array<wchar_t> text;     // every path, each ended by a NUL
    Core::Array<uint32_t> starts;  // where each path starts in text
    Core::Array<HMODULE> handles;  // the module of each path
    Core::Array<HMODULE> enumerated;
    Core::Array<wchar_t> longPath;
    Core::Array<wchar_t> mappedPath;
};

// What a list shows for a process whose modules cannot be read, or null for
// an outcome that has no such row.
const wchar_t* reasonText(ModuleReader::Outcome outcome);

} // namespace Inspection

#pragma once

// A snapshot's processes and module paths in one block, searched whole per
// keystroke.
#include <cstdint>

#include "core/Array.h"

namespace Inspection {

// Where `text` first occurs in `within`, unit for unit, or UINT32_MAX. An
// empty text occurs nowhere: a search for nothing finds nothing.
uint32_t findOrdinal(const wchar_t* within, uint32_t length, const wchar_t* text, uint32_t textLength);
inline bool containsOrdinal(const wchar_t* within, uint32_t length, const wchar_t* text, uint32_t textLength)
{
    return findOrdinal(within, length, text, textLength) != UINT32_MAX;
}

// The processes of one snapshot with their modules' paths, or why a process
// could not be read: the paths in one block of UTF-16 text, searched whole
// for each new text without reading any process again.
class ModuleIndex {
public:
    static constexpr uint32_t none = UINT32_MAX;

    struct Process {
        uint32_t processId;
        uint32_t name;   // where its name starts in text
        uint32_t reason; // where the reason it could not be read starts, or none
        uint32_t firstModule;
        uint32_t moduleCount;
    };
    struct Module {
        uint32_t path; // where it starts in paths
        uint32_t length;
        uint32_t process;
    };
    // A result: a module of a process, or (module none) a process that could
    // not be searched.
    struct Row {
        uint32_t process;
        uint32_t module;
    };
    struct Counts {
        uint32_t modules;
        uint32_t processes;
        uint32_t unsearched;
    };
    // Where the text first occurs, by the platform's rule for file names, or
    // none.
    using Find = uint32_t (*)(const wchar_t* within, uint32_t length, const wchar_t* text, uint32_t textLength);

    ModuleIndex() = default;
    ModuleIndex(const ModuleIndex&) = delete;
    ModuleIndex& operator=(const ModuleIndex&) = delete;

    void clear();
    void addProcess(uint32_t processId, const wchar_t* name, uint32_t length);
    // Both of the process added last.
    void addModule(const wchar_t* path, uint32_t length);
    void setReason(const wchar_t* reason, uint32_t length);

    // Replaces `rows` by the modules whose path contains the text, processes
    // in snapshot order and modules in load order, then one row for each
    // process that could not be searched. An empty text gives no rows.
    // `within`, when given, is a copy of `paths` (folded, say) searched in
    // its stead, offset for offset.
    Counts filter(const wchar_t* search, uint32_t length, Find find, Core::Array<Row>& rows,
                  const wchar_t* within = nullptr) const;

    const wchar_t* at(uint32_t offset) const { return text.items + offset; }
    const wchar_t* path(uint32_t module) const { return paths.items + modules[module].path; }

    Core::Array<Process> processes;
    Core::Array<Module> modules;
    Core::Array<wchar_t> text;  // every name and reason, each ended by a NUL
    Core::Array<wchar_t> paths; // every module's path, each ended by a NUL

private:
    static uint32_t append(Core::Array<wchar_t>& block, const wchar_t* source, uint32_t length);
};

// The distinct files among the index's modules, their paths compared in
// `folded` (the paths folded, offset for offset): `fileOf` gets each
// module's file, `firstModule` each file's first module. One sort.
void distinctFiles(const ModuleIndex& index, const wchar_t* folded, Core::Array<uint32_t>& fileOf,
                   Core::Array<uint32_t>& firstModule);

} // namespace Inspection

#pragma once

#include <cstdint>

#include "core/Array.h"

namespace General {

// Whether `text` occurs in `within`, unit for unit. An empty text occurs
// nowhere: a search for nothing finds nothing.
bool containsOrdinal(const wchar_t* within, uint32_t length, const wchar_t* text, uint32_t textLength);

// The processes of one snapshot with their modules' paths, or why a process
// could not be read, in one block of UTF-16 text: searched again for each
// new text without reading any process again.
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
        uint32_t path; // where it starts in text
        uint32_t length;
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
    // Whether a path contains the text, by the platform's rule for file names.
    using Contains = bool (*)(const wchar_t* path, uint32_t length, const wchar_t* text, uint32_t textLength);

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
    // `within`, when given, is a copy of `text` (folded, say) searched in its
    // stead, offset for offset.
    Counts filter(const wchar_t* search, uint32_t length, Contains contains, Array<Row>& rows,
                  const wchar_t* within = nullptr) const;

    const wchar_t* at(uint32_t offset) const { return text.items + offset; }

    Array<Process> processes;
    Array<Module> modules;
    Array<wchar_t> text; // every name, path and reason, each ended by a NUL

private:
    uint32_t append(const wchar_t* source, uint32_t length);
};

} // namespace General

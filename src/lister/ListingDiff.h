#pragma once

// Two saved listings (the lister's own CSV) compared: which processes
// started and ended, which modules each loaded and unloaded, and, with the
// details on both sides, which changed version or signer at the same path.
#include <cstdint>

#include "core/Array.h"
#include "rows/RowWriter.h"

namespace Lister {

// A listing read from the lister's CSV: UTF-8 with or without a byte-order
// mark, or UTF-16 (little or big-endian) with one, as shells save text;
// CRLF or LF, header "Process,PID,Path,Status", the detail columns optional
// after it.
class SavedListing {
public:
    static constexpr uint32_t none = UINT32_MAX;
    struct Process {
        uint32_t processId; // grouped by executable: how many processes
        uint32_t name;      // offsets into text
        uint32_t reason;    // why it could not be read, or none
        uint32_t firstModule;
        uint32_t moduleCount;
        uint32_t key;       // what it is matched by: its name, or grouped, its executable
    };
    struct Module {
        uint32_t path;
        uint32_t length;
        uint32_t version; // with the details, else none
        uint32_t signer;
        uint32_t key;     // what it is matched by: its path, or grouped, the path as any profile has it
        uint32_t keyLength;
    };

    // False when the bytes are not such a listing: `problem` then says
    // where and what was expected ("line 3: 5 fields, expected 4").
    bool read(const char* bytes, uint32_t size, Core::Array<wchar_t>& problem);

    // One row of a listing, as reading its CSV line would add it; the texts
    // are copied. Set `details` first.
    void add(const Rows::ResultRow& row);
    // Keeps a text, NUL-terminated; returns its offset.
    uint32_t keep(const wchar_t* field, uint32_t length);

    const wchar_t* at(uint32_t offset) const { return text.items + offset; }

    bool details = false;
    Core::Array<Process> processes;
    Core::Array<Module> modules;
    Core::Array<wchar_t> text; // every field kept, each ended by a NUL

private:
    void addRow(uint32_t processId, uint32_t name, uint32_t path, uint32_t pathLength, uint32_t status,
                uint32_t version, uint32_t signer);
};

// Folds a name or path as file names compare; NUL-terminated, length kept.
using Fold = void (*)(const wchar_t* text, uint32_t length, Core::Array<wchar_t>& into);

// The listing as its executables: one process an executable, matched by
// its image path (a readable process's first module) with a user profile's
// name left out (C:\Users\<name>\...), or by its name where none of its
// processes could be read; its modules the union of its processes', each
// once; its processId how many processes it has.
void groupByExecutable(const SavedListing& listing, Fold fold, SavedListing& into);

// What both sides are restricted to, as a listing is: one PID, or one
// executable name (folded, ".exe" optional), and modules whose path holds
// a text (folded). Null and false: everything.
struct DiffScope {
    bool byId = false;
    uint32_t processId = 0;
    const wchar_t* name = nullptr;
    const wchar_t* text = nullptr;
};

// How a comparison is written: as text or CSV, with the Listing column's
// value (null: no such column), and whether its sides are grouped by
// executable (no PIDs; a changed number of processes is a "count" change).
struct DiffOutput {
    bool csv = false;
    const wchar_t* listing = nullptr;
    bool byName = false;
};
// The CSV header of such a comparison.
void changeHeader(const DiffOutput& output, Core::Array<wchar_t>& into);

// Appends one line a change, grouped by process in the after side's order
// (then what ended, in the before side's): text as "+ name (PID n)",
// "- name (PID n)", "  name (PID n)  + path", "  name (PID n)  - path",
// "  name (PID n)  ~ path  before -> after", "? name (PID n)  could not be
// read before|after: reason"; or CSV under Change,Process,PID,Path,Before,
// After. A process is the same on both sides when its PID and name are. A
// process unreadable on one side is named, never said to have lost or
// gained modules. Returns how many changes.
uint32_t compareListings(const SavedListing& before, const SavedListing& after, Fold fold, const DiffScope& scope,
                         const DiffOutput& output, Core::Array<wchar_t>& into);

} // namespace Lister

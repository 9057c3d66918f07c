#pragma once

// Every table of results the program writes, in one place: a row turned into
// cells, a tab-separated line, a CSV line or a text line, under one set of
// column names, and the sentence that counts a search's results.
#include <cstdint>

#include "inspection/ModuleIndex.h"
#include "core/Array.h"

namespace Rows {

// The columns, named as every output heads them; each output takes those it
// shows, in its order.
enum class Column : uint8_t {
    Process, // the process's executable name
    Name,    // a list row's own name: a process's, or a module's file name
    PID,
    Path,    // the module's full path
    Status,  // why the process could not be read; empty for a module
    // A module file's details, with --details and in the find window.
    Version,
    Company,
    Description,
    Signer,
    Signature, // signed, catalog, unsigned, invalid, untrusted, distrusted, expired, revoked, error
    // A comparison's change: what changed, and what was and is.
    Change, // started, ended, loaded, unloaded, changed, unreadable, count
    Before,
    After,
    Listing // which of many listings a change is of
};
const wchar_t* columnName(Column column);

// One result: a module of a process, or (empty path, a status) a process
// that could not be read. Texts are NUL-terminated; a null one is empty.
struct ResultRow {
    const wchar_t* process = nullptr;
    uint32_t processId = 0;
    const wchar_t* name = nullptr;
    const wchar_t* path = nullptr;
    uint32_t pathLength = 0;
    const wchar_t* status = nullptr;
    const wchar_t* version = nullptr;
    const wchar_t* company = nullptr;
    const wchar_t* description = nullptr;
    const wchar_t* signer = nullptr;
    const wchar_t* signature = nullptr;
    const wchar_t* change = nullptr;
    const wchar_t* before = nullptr;
    const wchar_t* after = nullptr;
    const wchar_t* listing = nullptr;
    bool executable = false; // `process` names an executable, of any number of processes: no PID
};

enum class RowFormat {
    Tab,  // fields separated by tabs, CR LF: a spreadsheet pastes it as a row
    Csv,  // RFC 4180, CR LF
    Text, // "name (PID n)  path" (or the status), then each detail column
          // that is not empty, two spaces apart, CR LF: for people
    Grouped, // under a process's label line: "    path" (or the status) and
             // the details as Text has them
    Change // a comparison's change, for people: "+ name (PID n)" started,
           // "- ..." ended, "  name (PID n)  + path" loaded, "- path"
           // unloaded, "~ path  before -> after" changed, "? name (PID n)
           // could not be read before|after: reason" unreadable, and of an
           // executable (its path, no PID) "  path  2 -> 3 processes"
};

class RowWriter {
public:
    RowWriter(RowFormat format, const Column* columns, uint32_t count)
        : format(format), columns(columns), count(count)
    {
    }
    void header(Core::Array<wchar_t>& into) const;
    void row(Core::Array<wchar_t>& into, const ResultRow& row) const;
    // The text line's tail: each detail column that is not empty, after two
    // spaces.
    void details(Core::Array<wchar_t>& into, const ResultRow& row) const;

    // One cell, not NUL-terminated: its text and length. A PID is written
    // into `number`.
    static const wchar_t* cell(const ResultRow& row, Column column, wchar_t (&number)[16], uint32_t& length);

private:
    void field(Core::Array<wchar_t>& into, uint32_t index, const wchar_t* text, uint32_t length) const;
    void change(Core::Array<wchar_t>& into, const ResultRow& row) const;

    RowFormat format;
    const Column* columns;
    uint32_t count;
};

// The columns of a search's results, as the lister's CSV and the find
// window's copies have them; with the details, all nine.
extern const Column resultColumns[9];
// A comparison's columns, the first (Listing) where many are compared.
extern const Column changeColumns[7];

// A number in decimal.
void appendNumber(Core::Array<wchar_t>& into, uint32_t value);
// "name (PID n)".
void appendProcessLabel(Core::Array<wchar_t>& into, const wchar_t* name, uint32_t processId);
// "1 module", "2 processes": the count, a space and the noun for it.
void appendCount(Core::Array<wchar_t>& into, uint32_t count, const wchar_t* one, const wchar_t* many);
// "N processes could not be searched" (no full stop).
void appendUnsearched(Core::Array<wchar_t>& into, uint32_t count);
// "N modules found in M processes; K processes could not be searched."
void appendCounts(Core::Array<wchar_t>& into, const Inspection::ModuleIndex::Counts& counts);

// Appends the field as RFC 4180 has it: within double quotes, its own
// doubled, when it holds a comma, a quote or a line break.
void appendCsvField(Core::Array<wchar_t>& into, const wchar_t* field, uint32_t length);

} // namespace Rows

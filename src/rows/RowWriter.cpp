// Every table of results, written one way.
#include "RowWriter.h"

#include "core/Text.h"

using namespace Core;

namespace Rows {

namespace {

// Writes the digits and a NUL; returns how many digits.
uint32_t formatNumber(uint32_t value, wchar_t (&into)[16])
{
    wchar_t digits[16];
    uint32_t at = 16;
    do {
        digits[--at] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    const uint32_t length = 16 - at;
    for (uint32_t i = 0; i < length; ++i)
        into[i] = digits[at + i];
    into[length] = L'\0';
    return length;
}

} // namespace

const Column resultColumns[9] = {Column::Process, Column::PID,     Column::Path,        Column::Status,
                                 Column::Version, Column::Company, Column::Description, Column::Signer,
                                 Column::Signature};

const Column changeColumns[7] = {Column::Listing, Column::Change, Column::Process, Column::PID,
                                 Column::Path,    Column::Before, Column::After};

// Each column's name, and the row's text under it (null for PID and Path,
// which are not plain texts), in the order of Column.
const struct {
    const wchar_t* name;
    const wchar_t* const ResultRow::*text;
} columnTable[] = {
    {L"Process", &ResultRow::process},         {L"Name", &ResultRow::name},
    {L"PID", nullptr},                         {L"Path", nullptr},
    {L"Status", &ResultRow::status},           {L"Version", &ResultRow::version},
    {L"Company", &ResultRow::company},         {L"Description", &ResultRow::description},
    {L"Signer", &ResultRow::signer},           {L"Signature", &ResultRow::signature},
    {L"Change", &ResultRow::change},           {L"Before", &ResultRow::before},
    {L"After", &ResultRow::after},             {L"Listing", &ResultRow::listing},
};

const wchar_t* columnName(Column column) { return columnTable[static_cast<uint8_t>(column)].name; }

const wchar_t* RowWriter::cell(const ResultRow& row, Column column, wchar_t (&number)[16], uint32_t& length)
{
    if (column == Column::PID) {
        length = row.executable ? 0 : formatNumber(row.processId, number);
        return row.executable ? L"" : number;
    }
    if (column == Column::Path) {
        length = row.path != nullptr ? row.pathLength : 0;
        return row.path != nullptr ? row.path : L"";
    }
    const wchar_t* text = row.*columnTable[static_cast<uint8_t>(column)].text;
    length = textLength(text);
    return text != nullptr ? text : L"";
}

void RowWriter::field(Array<wchar_t>& into, uint32_t index, const wchar_t* text, uint32_t length) const
{
    if (format == RowFormat::Csv) {
        if (index != 0)
            into.appendRepeated(1, L',');
        appendCsvField(into, text, length);
        return;
    }
    if (index != 0)
        into.appendRepeated(1, L'\t');
    into.appendRange(text, length);
}

void RowWriter::header(Array<wchar_t>& into) const
{
    for (uint32_t i = 0; i < count; ++i)
        field(into, i, columnName(columns[i]), textLength(columnName(columns[i])));
    into.appendRange(L"\r\n", 2);
}

void RowWriter::row(Array<wchar_t>& into, const ResultRow& row) const
{
    wchar_t number[16];
    uint32_t length = 0;
    if (format == RowFormat::Text || format == RowFormat::Grouped) {
        if (format == RowFormat::Text) {
            appendProcessLabel(into, row.process, row.processId);
            into.appendRange(L"  ", 2);
        } else {
            into.appendRange(L"    ", 4);
        }
        const wchar_t* text = cell(row, row.path != nullptr ? Column::Path : Column::Status, number, length);
        into.appendRange(text, length);
        details(into, row);
    } else if (format == RowFormat::Change) {
        change(into, row);
    } else {
        for (uint32_t i = 0; i < count; ++i) {
            const wchar_t* text = cell(row, columns[i], number, length);
            field(into, i, text, length);
        }
    }
    into.appendRange(L"\r\n", 2);
}

void RowWriter::change(Array<wchar_t>& into, const ResultRow& row) const
{
    const auto is = [&row](const wchar_t* word) { return sameText(row.change, word); };
    const auto label = [&into, &row]() {
        if (row.executable)
            appendText(into, row.process);
        else
            appendProcessLabel(into, row.process, row.processId);
    };
    const wchar_t mark = is(L"started") || is(L"loaded") ? L'+' : is(L"changed") ? L'~' : is(L"unreadable") ? L'?' : L'-';
    if (row.path == nullptr && !is(L"unreadable") && !is(L"count")) {
        into.appendRepeated(1, mark);
        into.appendRepeated(1, L' ');
        label();
        return;
    }
    into.appendRange(is(L"unreadable") ? L"? " : L"  ", 2);
    label();
    into.appendRange(L"  ", 2);
    if (is(L"unreadable")) {
        appendText(into, row.after != nullptr ? L"could not be read after: " : L"could not be read before: ");
        appendText(into, row.after != nullptr ? row.after : row.before);
        return;
    }
    if (is(L"count")) {
        appendText(into, row.before);
        appendText(into, L" -> ");
        appendText(into, row.after);
        appendText(into, L" processes");
        return;
    }
    into.appendRepeated(1, mark);
    into.appendRepeated(1, L' ');
    into.appendRange(row.path, row.pathLength);
    if (row.before != nullptr) {
        into.appendRange(L"  ", 2);
        appendText(into, row.before);
        appendText(into, L" -> ");
        appendText(into, row.after);
    }
}

void RowWriter::details(Array<wchar_t>& into, const ResultRow& row) const
{
    wchar_t number[16];
    uint32_t length = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (columns[i] < Column::Version || columns[i] > Column::Signature)
            continue;
        const wchar_t* text = cell(row, columns[i], number, length);
        if (length != 0) {
            into.appendRange(L"  ", 2);
            into.appendRange(text, length);
        }
    }
}

void appendNumber(Array<wchar_t>& into, uint32_t value)
{
    wchar_t digits[16];
    into.appendRange(digits, formatNumber(value, digits));
}

void appendProcessLabel(Array<wchar_t>& into, const wchar_t* name, uint32_t processId)
{
    appendText(into, name);
    appendText(into, L" (PID ");
    appendNumber(into, processId);
    into.appendRepeated(1, L')');
}

void appendCount(Array<wchar_t>& into, uint32_t count, const wchar_t* one, const wchar_t* many)
{
    appendNumber(into, count);
    into.appendRepeated(1, L' ');
    appendText(into, count == 1 ? one : many);
}

void appendUnsearched(Array<wchar_t>& into, uint32_t count)
{
    appendCount(into, count, L"process", L"processes");
    appendText(into, L" could not be searched");
}

void appendCounts(Array<wchar_t>& into, const Inspection::ModuleIndex::Counts& counts)
{
    appendCount(into, counts.modules, L"module", L"modules");
    appendText(into, L" found in ");
    appendCount(into, counts.processes, L"process", L"processes");
    appendText(into, L"; ");
    appendUnsearched(into, counts.unsearched);
    into.appendRepeated(1, L'.');
}

void appendCsvField(Array<wchar_t>& into, const wchar_t* field, uint32_t length)
{
    bool quoted = false;
    for (uint32_t i = 0; i < length && !quoted; ++i)
        quoted = field[i] == L',' || field[i] == L'"' || field[i] == L'\r' || field[i] == L'\n';
    if (!quoted) {
        into.appendRange(field, length);
        return;
    }
    into.appendRepeated(1, L'"');
    for (uint32_t i = 0; i < length; ++i) {
        if (field[i] == L'"')
            into.appendRepeated(1, L'"');
        into.appendRepeated(1, field[i]);
    }
    into.appendRepeated(1, L'"');
}

} // namespace Rows

// Every table of results, written one way.
#include "RowWriter.h"

namespace General {

namespace {

uint32_t lengthOf(const wchar_t* text)
{
    uint32_t length = 0;
    while (text != nullptr && text[length] != L'\0')
        ++length;
    return length;
}


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

const wchar_t* columnName(Column column)
{
    switch (column) {
    case Column::Process:
        return L"Process";
    case Column::Name:
        return L"Name";
    case Column::PID:
        return L"PID";
    case Column::Path:
        return L"Path";
    case Column::Status:
        return L"Status";
    case Column::Version:
        return L"Version";
    case Column::Company:
        return L"Company";
    case Column::Description:
        return L"Description";
    case Column::Signer:
        return L"Signer";
    case Column::Signature:
        return L"Signature";
    }
    return L"";
}

ResultRow indexRow(const ModuleIndex& index, ModuleIndex::Row row)
{
    const ModuleIndex::Process& process = index.processes[row.process];
    ResultRow result;
    result.process = index.at(process.name);
    result.processId = process.processId;
    result.name = result.process;
    if (row.module != ModuleIndex::none) {
        result.path = index.path(row.module);
        result.pathLength = index.modules[row.module].length;
    } else {
        result.status = process.reason != ModuleIndex::none ? index.at(process.reason) : nullptr;
    }
    return result;
}

const wchar_t* RowWriter::cell(const ResultRow& row, Column column, wchar_t (&number)[16], uint32_t& length)
{
    const wchar_t* text = nullptr;
    switch (column) {
    case Column::Process:
        text = row.process;
        break;
    case Column::Name:
        text = row.name;
        break;
    case Column::PID:
        length = formatNumber(row.processId, number);
        return number;
    case Column::Path:
        length = row.path != nullptr ? row.pathLength : 0;
        return row.path != nullptr ? row.path : L"";
    case Column::Status:
        text = row.status;
        break;
    case Column::Version:
        text = row.version;
        break;
    case Column::Company:
        text = row.company;
        break;
    case Column::Description:
        text = row.description;
        break;
    case Column::Signer:
        text = row.signer;
        break;
    case Column::Signature:
        text = row.signature;
        break;
    }
    length = lengthOf(text);
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
        field(into, i, columnName(columns[i]), lengthOf(columnName(columns[i])));
    into.appendRange(L"\r\n", 2);
}

void RowWriter::row(Array<wchar_t>& into, const ResultRow& row) const
{
    wchar_t number[16];
    uint32_t length = 0;
    if (format == RowFormat::Text) {
        appendProcessLabel(into, row.process, row.processId);
        into.appendRange(L"  ", 2);
        const wchar_t* text = cell(row, row.path != nullptr ? Column::Path : Column::Status, number, length);
        into.appendRange(text, length);
        details(into, row);
    } else {
        for (uint32_t i = 0; i < count; ++i) {
            const wchar_t* text = cell(row, columns[i], number, length);
            field(into, i, text, length);
        }
    }
    into.appendRange(L"\r\n", 2);
}

void RowWriter::details(Array<wchar_t>& into, const ResultRow& row) const
{
    wchar_t number[16];
    uint32_t length = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (columns[i] < Column::Version)
            continue;
        const wchar_t* text = cell(row, columns[i], number, length);
        if (length != 0) {
            into.appendRange(L"  ", 2);
            into.appendRange(text, length);
        }
    }
}

void appendText(Array<wchar_t>& into, const wchar_t* text) { into.appendRange(text, lengthOf(text)); }

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

void appendCounts(Array<wchar_t>& into, const ModuleIndex::Counts& counts)
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

} // namespace General

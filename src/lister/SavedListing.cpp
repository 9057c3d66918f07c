// A saved listing read: UTF-8 decoded, CSV fields split as RFC 4180 has
// them, rows checked against the header and grouped by process.
#include <cstdint>
#include <cwchar>

#include "ListingDiff.h"
#include "rows/RowWriter.h"
#include "core/Text.h"

using namespace Rows;

namespace Lister {

namespace {

// The bytes as UTF-16: UTF-16 LE or BE after its byte-order mark, else
// UTF-8 (its mark left out). Bytes that are not UTF-8 are never guessed at:
// false, with the line they stand on.
bool decode(const char* bytes, uint32_t size, Core::Array<wchar_t>& into, uint32_t& badLine)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    into.reallocate(size + 1);
    if (size >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        const bool little = b[0] == 0xFF;
        for (uint32_t i = 2; i + 1 < size; i += 2)
            into.appendRepeated(1, static_cast<wchar_t>(little ? b[i] | (b[i + 1] << 8) : (b[i] << 8) | b[i + 1]));
        return true;
    }
    uint32_t i = size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF ? 3 : 0;
    uint32_t line = 1;
    while (i < size) {
        const unsigned char lead = b[i];
        const uint32_t extra = lead < 0x80 ? 0 : lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 9;
        uint32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool good = extra <= 3;
        for (uint32_t k = 1; good && k <= extra; ++k) {
            good = i + k < size && (b[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (good ? b[i + k] & 0x3F : 0);
        }
        if (!good || (extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            badLine = line;
            return false;
        }
        line += code == L'\n' ? 1 : 0;
        if (code >= 0x10000) {
            into.appendRepeated(1, static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
            into.appendRepeated(1, static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            into.appendRepeated(1, static_cast<wchar_t>(code));
        }
        i += extra + 1;
    }
    return true;
}

} // namespace

bool SavedListing::read(const char* bytes, uint32_t size, Core::Array<wchar_t>& problem)
{
    processes.dropBack(processes.count);
    modules.dropBack(modules.count);
    text.dropBack(text.count);
    problem.dropBack(problem.count);
    Core::Array<wchar_t> units;
    uint32_t badLine = 0;
    Core::Array<uint32_t> fields; // where each field of the record starts in text
    uint32_t line = 1, expected = 0, next = 0;
    const auto fail = [&](uint32_t where, const wchar_t* what) {
        appendText(problem, L"line ");
        appendNumber(problem, where);
        appendText(problem, L": ");
        appendText(problem, what);
        return false;
    };
    if (!decode(bytes, size, units, badLine))
        return fail(badLine, L"not UTF-8 nor UTF-16 with a byte-order mark (re-saved in another code page?); "
                             L"save listings with orrimel's -o");
    while (next < units.count) {
        const uint32_t recordLine = line;
        fields.dropBack(fields.count);
        // One record: its fields, each ended by a NUL in text.
        for (bool more = true; more;) {
            fields.appendRepeated(1, text.count);
            bool quoted = next < units.count && units[next] == L'"';
            next += quoted ? 1 : 0;
            for (;;) {
                if (next >= units.count) {
                    more = false;
                    break;
                }
                const wchar_t c = units[next++];
                if (quoted) {
                    if (c == L'"' && next < units.count && units[next] == L'"') {
                        text.appendRepeated(1, L'"');
                        ++next;
                    } else if (c == L'"') {
                        quoted = false;
                    } else {
                        line += c == L'\n' ? 1 : 0;
                        text.appendRepeated(1, c);
                    }
                } else if (c == L',') {
                    break;
                } else if (c == L'\n' || (c == L'\r' && next < units.count && units[next] == L'\n')) {
                    next += c == L'\r' ? 1 : 0;
                    ++line;
                    more = false;
                    break;
                } else {
                    text.appendRepeated(1, c);
                }
            }
            text.appendRepeated(1, L'\0');
        }
        const uint32_t count = fields.count;
        if (recordLine == 1) {
            details = count == 9;
            bool header = count == 4 || count == 9;
            for (uint32_t i = 0; header && i < count; ++i)
                header = Core::sameText(at(fields[i]), Rows::columnName(Rows::resultColumns[i]));
            if (!header)
                return fail(1, L"not the lister's CSV header, expected Process,PID,Path,Status");
            expected = count;
            text.dropBack(text.count);
            continue;
        }
        if (count != expected) {
            Core::Array<wchar_t> what;
            appendNumber(what, count);
            appendText(what, count == 1 ? L" field, expected " : L" fields, expected ");
            appendNumber(what, expected);
            what.appendRepeated(1, L'\0');
            return fail(recordLine, what.items);
        }
        uint32_t processId = 0;
        if (!Core::parseProcessId(at(fields[1]), processId))
            return fail(recordLine, L"a PID that is not a number");
        addRow(processId, fields[0], fields[2], fields[3] - fields[2] - 1, fields[3], details ? fields[4] : none,
               details ? fields[7] : none);
    }
    if (expected == 0)
        return fail(1, L"empty, expected the header Process,PID,Path,Status");
    return true;
}

void SavedListing::addRow(uint32_t processId, uint32_t name, uint32_t path, uint32_t pathLength, uint32_t status,
                          uint32_t version, uint32_t signer)
{
    const bool sameProcess = processes.count != 0 && processes[processes.count - 1].processId == processId &&
                             Core::sameText(at(processes[processes.count - 1].name), at(name));
    if (!sameProcess)
        processes.appendRepeated(1, Process{processId, name, none, modules.count, 0, name});
    Process& process = processes[processes.count - 1];
    if (pathLength != 0) {
        modules.appendRepeated(1, Module{path, pathLength, version, signer, path, pathLength});
        ++process.moduleCount;
    } else if (*at(status) != L'\0') {
        process.reason = status;
    }
}

uint32_t SavedListing::keep(const wchar_t* field, uint32_t length)
{
    const uint32_t at = text.count;
    text.appendRange(field != nullptr ? field : L"", field != nullptr ? length : 0);
    text.appendRepeated(1, L'\0');
    return at;
}

void SavedListing::add(const Rows::ResultRow& row)
{
    const auto kept = [this](const wchar_t* field) { return keep(field, Core::textLength(field)); };
    const uint32_t name = kept(row.process);
    const uint32_t path = keep(row.path, row.pathLength);
    const uint32_t status = kept(row.status);
    const uint32_t version = details ? kept(row.version) : none;
    const uint32_t signer = details ? kept(row.signer) : none;
    addRow(row.processId, name, path, row.path != nullptr ? row.pathLength : 0, status, version, signer);
}

} // namespace Lister

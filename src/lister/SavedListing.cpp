// A saved listing read: UTF-8 decoded, CSV fields split as RFC 4180 has
// them, rows checked against the header and grouped by process.
#include <cstdint>
#include <cwchar>

#include "ListingDiff.h"
#include "inspection/RowWriter.h"

namespace General {

namespace {

const wchar_t* const columns[] = {L"Process", L"PID",         L"Path",   L"Status",   L"Version",
                                  L"Company", L"Description", L"Signer", L"Signature"};

bool same(const wchar_t* a, const wchar_t* b) { return std::wcscmp(a, b) == 0; }

// UTF-8 to UTF-16, a byte-order mark left out; what is not UTF-8 becomes
// U+FFFD.
void decode(const char* bytes, uint32_t size, Array<wchar_t>& into)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    uint32_t i = size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF ? 3 : 0;
    into.reallocate(size + 1);
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
            into.appendRepeated(1, wchar_t(0xFFFD));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            into.appendRepeated(1, static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
            into.appendRepeated(1, static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            into.appendRepeated(1, static_cast<wchar_t>(code));
        }
        i += extra + 1;
    }
}

} // namespace

bool SavedListing::read(const char* bytes, uint32_t size, Array<wchar_t>& problem)
{
    processes.dropBack(processes.count);
    modules.dropBack(modules.count);
    text.dropBack(text.count);
    problem.dropBack(problem.count);
    Array<wchar_t> units;
    decode(bytes, size, units);
    Array<uint32_t> fields; // where each field of the record starts in text
    uint32_t line = 1, expected = 0, next = 0;
    const auto fail = [&](uint32_t where, const wchar_t* what) {
        appendText(problem, L"line ");
        appendNumber(problem, where);
        appendText(problem, L": ");
        appendText(problem, what);
        return false;
    };
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
                header = same(at(fields[i]), columns[i]);
            if (!header)
                return fail(1, L"not the lister's CSV header, expected Process,PID,Path,Status");
            expected = count;
            text.dropBack(text.count);
            continue;
        }
        if (count != expected) {
            Array<wchar_t> what;
            appendNumber(what, count);
            appendText(what, count == 1 ? L" field, expected " : L" fields, expected ");
            appendNumber(what, expected);
            what.appendRepeated(1, L'\0');
            return fail(recordLine, what.items);
        }
        const wchar_t* id = at(fields[1]);
        uint64_t processId = 0;
        bool number = *id != L'\0';
        for (const wchar_t* c = id; number && *c != L'\0'; ++c) {
            number = *c >= L'0' && *c <= L'9';
            processId = processId * 10 + static_cast<uint64_t>(*c - L'0');
            number = number && processId <= UINT32_MAX;
        }
        if (!number)
            return fail(recordLine, L"a PID that is not a number");
        const bool sameProcess = processes.count != 0 && processes[processes.count - 1].processId == processId &&
                                 same(at(processes[processes.count - 1].name), at(fields[0]));
        if (!sameProcess)
            processes.appendRepeated(1, Process{static_cast<uint32_t>(processId), fields[0], none, modules.count, 0});
        Process& process = processes[processes.count - 1];
        const uint32_t pathLength = fields[3] - fields[2] - 1;
        if (pathLength != 0) {
            modules.appendRepeated(1, Module{fields[2], pathLength, details ? fields[4] : none,
                                             details ? fields[7] : none});
            ++process.moduleCount;
        } else if (*at(fields[3]) != L'\0') {
            process.reason = fields[3];
        }
    }
    if (expected == 0)
        return fail(1, L"empty, expected the header Process,PID,Path,Status");
    return true;
}

} // namespace General

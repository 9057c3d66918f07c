// Saved listings compared, two at a time however many there are.
#include "Comparison.h"
#include "core/Text.h"

#include <algorithm>
#include <cwchar>

#include "core/Errors.h"
#include "core/Handles.h"
#include "core/WideText.h"

namespace Lister {

namespace {

// Where a path's file name starts: past its last \, / or :.
uint32_t nameStart(const wchar_t* path)
{
    uint32_t start = 0;
    for (uint32_t i = 0; path[i] != L'\0'; ++i)
        start = path[i] == L'\\' || path[i] == L'/' || path[i] == L':' ? i + 1 : start;
    return start;
}

// The whole file, or WindowsError.
void readWhole(const wchar_t* path, Core::Array<char>& into)
{
    Core::KernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid())
        throw Core::WindowsError(GetLastError());
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size))
        throw Core::WindowsError(GetLastError());
    if (size.QuadPart > 0x40000000)
        throw Core::WindowsError(ERROR_FILE_TOO_LARGE);
    into.dropBack(into.count);
    into.appendRepeated(static_cast<uint32_t>(size.QuadPart), '\0');
    for (uint32_t done = 0; done < into.count;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), into.items + done, into.count - done, &read, nullptr))
            throw Core::WindowsError(GetLastError());
        if (read == 0)
            break;
        done += read;
    }
}

// The file read as a listing, or why not on standard error.
Exit readListing(const wchar_t* file, SavedListing& into, StreamWriter& errors)
{
    Core::Array<char> bytes;
    Core::Array<wchar_t> problem;
    try {
        readWhole(file, bytes);
    } catch (Core::WindowsError& error) {
        errors.failure(file, error);
        return Failure;
    }
    if (into.read(bytes.items, bytes.count, problem))
        return Found;
    errors.text(file);
    errors.text(L" ");
    errors.text(problem.items, problem.count);
    errors.endLine();
    return BadUsage;
}

// The later listings' paths, each NUL-terminated: a name as given, a
// pattern (* and ?, which cmd leaves to the program) as its files sorted by
// name. False, the pattern named on standard error, when one matches none.
bool expand(const ListerArguments& asked, Core::Array<wchar_t>& into, uint32_t& count, bool& patterns,
            StreamWriter& errors)
{
    for (uint32_t a = 0; a < asked.afterCount; ++a) {
        const wchar_t* argument = asked.after[a];
        const uint32_t length = Core::textLength(argument), folder = nameStart(argument);
        bool pattern = false;
        for (const wchar_t* c = argument; *c != L'\0'; ++c)
            pattern = pattern || *c == L'*' || *c == L'?';
        patterns = patterns || pattern;
        if (!pattern) {
            into.appendRange(argument, length + 1);
            ++count;
            continue;
        }
        Core::Array<wchar_t> names; // this pattern's, each NUL-terminated
        Core::Array<uint32_t> starts;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(argument, &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                continue;
            starts.appendRepeated(1, names.count);
            names.appendRange(found.cFileName, Core::textLength(found.cFileName) + 1);
        }
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        if (starts.count == 0) {
            errors.text(L"orrimel: no file matches ");
            errors.text(argument);
            errors.endLine();
            return false;
        }
        // By name, as file names compare: the names folded at once, NULs and
        // all, so each keeps its start.
        Core::Array<wchar_t> folded;
        Core::fold(names.items, names.count, folded);
        std::sort(starts.items, starts.items + starts.count, [&folded](uint32_t a, uint32_t b) {
            const int sign = std::wcscmp(folded.items + a, folded.items + b);
            return sign != 0 ? sign < 0 : a < b;
        });
        for (uint32_t i = 0; i < starts.count; ++i) {
            into.appendRange(argument, folder);
            const wchar_t* name = names.items + starts[i];
            into.appendRange(name, Core::textLength(name) + 1);
            ++count;
        }
    }
    return true;
}

} // namespace

Exit compareListed(const ListerArguments& asked, const DiffScope& scope, const FreshListing& fresh, StreamWriter& out,
                   StreamWriter& errors)
{
    SavedListing first, grouped, other, otherGrouped;
    Exit read = readListing(asked.before, first, errors);
    if (read != Found)
        return read;
    Core::Array<wchar_t> later;
    uint32_t count = 0;
    bool patterns = false;
    if (!expand(asked, later, count, patterns, errors))
        return BadUsage;
    if (asked.byName)
        groupByExecutable(first, &Core::fold, grouped);
    DiffOutput output;
    output.csv = asked.csv;
    output.byName = asked.byName;
    const bool many = count > 1 || patterns;
    Core::Array<wchar_t> listing;
    uint32_t changed = 0;
    if (asked.csv) {
        if (many)
            output.listing = L"";
        changeHeader(output, out.pending);
        output.listing = nullptr;
    }
    const wchar_t* name = later.items;
    for (uint32_t i = 0; i < count || (i == 0 && count == 0); ++i) {
        if (count == 0) {
            other.details = first.details || asked.details;
            fresh.take(fresh.context, other.details, other);
        } else {
            read = readListing(name, other, errors);
            if (read != Found)
                return read;
        }
        // Named by the file's base name, without ".csv": a file saved per
        // machine names the machine.
        if (many) {
            const wchar_t* base = name + nameStart(name);
            const uint32_t length = Core::textLength(base);
            listing.dropBack(listing.count);
            listing.appendRange(base, length > 4 ? length - 4 : length);
            listing.appendRepeated(1, L'\0');
            output.listing = asked.csv ? listing.items : nullptr;
            if (!asked.csv) {
                out.text(name);
                out.text(L":");
                out.endLine();
            }
        }
        if (asked.byName)
            groupByExecutable(other, &Core::fold, otherGrouped);
        const uint32_t changes = compareListings(asked.byName ? grouped : first, asked.byName ? otherGrouped : other,
                                                 &Core::fold, scope, output, out.pending);
        if (many && !asked.csv && changes == 0)
            out.text(L"  no change\r\n");
        out.added();
        changed += changes != 0 ? 1 : 0;
        name += count != 0 ? Core::textLength(name) + 1 : 0;
    }
    return changed != 0 ? NothingMatched : Found;
}

} // namespace Lister

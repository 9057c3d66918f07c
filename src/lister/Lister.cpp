// The console lister: the processes' modules, or which processes have a
// module, for scripts; the same reader and search as the window's.
#include <windows.h>

#include <new>

#include "Lister.h"
#include "ListerArguments.h"
#include "ListingDiff.h"
#include "StreamWriter.h"
#include "core/Errors.h"
#include "core/Handles.h"
#include "inspection/FileDetails.h"
#include "inspection/ModuleSearch.h"
#include "inspection/RowWriter.h"

using General::ListerArguments;
using General::ModuleIndex;
using Windows::StreamWriter;

namespace {

const wchar_t* const usage =
    L"Usage:\r\n"
    L"  orrimel                        every process and its modules\r\n"
    L"  orrimel <PID | name>           the process with that PID, or the processes of that\r\n"
    L"                                 executable name (case ignored, \".exe\" optional)\r\n"
    L"  orrimel -m <text> [PID | name] every module whose full path contains the text\r\n"
    L"                                 (case ignored), in every process or in those named\r\n"
    L"          --csv                  RFC 4180 CSV instead of text, with a header line\r\n"
    L"          --strict               with -m: no match and some process unreadable exits 3, not 1\r\n"
    L"          --details              each module's Version, Company, Description, Signer and\r\n"
    L"                                 Signature (signed, catalog, unsigned, invalid, untrusted,\r\n"
    L"                                 expired, revoked, error)\r\n"
    L"          --unsigned             only the modules not signed (embedded or by catalog), with\r\n"
    L"                                 their details\r\n"
    L"  orrimel --diff <before.csv> [after.csv] [PID | name] [-m <text>]\r\n"
    L"                                 what changed between a saved --csv listing and a fresh\r\n"
    L"                                 snapshot, or a second saved listing\r\n"
    L"  orrimel -h | --help | /?       this text\r\n"
    L"Each switch may also be written /m, /csv, /strict, /details, /unsigned, /diff.\r\n"
    L"Exit codes: 0 listed or found, 1 nothing matched (with --unsigned: every module signed),\r\n"
    L"2 bad usage, 3 with --strict nothing matched and some processes could not be read,\r\n"
    L"4 any other failure. With --diff: 0 no change, 1 changes listed, 2 bad usage or a file\r\n"
    L"that is not a listing, 4 any other failure.\r\n";

enum Exit { Found = 0, NothingMatched = 1, BadUsage = 2, Unsearched = 3, Failure = 4 };

struct Selection {
    const ListerArguments* arguments;
    General::Array<wchar_t> askedName; // folded
    General::Array<wchar_t> name;      // a record's, folded
};

bool wanted(uint32_t processId, const wchar_t* name, uint32_t length, void* context)
{
    Selection& selection = *static_cast<Selection*>(context);
    const ListerArguments& arguments = *selection.arguments;
    if (arguments.byId)
        return processId == arguments.processId;
    if (arguments.name == nullptr)
        return true;
    Windows::fold(name, length, selection.name);
    return General::sameExecutable(selection.name.items, length, selection.askedName.items,
                                   selection.askedName.count - 1);
}

// What one run writes: its rows, with each module file's details when asked.
struct Listing {
    Listing(StreamWriter& output, Windows::ModuleSearch& search, const ListerArguments& asked)
        : out(output),
          index(search.index),
          arguments(asked),
          csv(General::RowFormat::Csv, General::resultColumns, asked.details ? 9 : 4),
          text(General::RowFormat::Text, General::resultColumns, asked.details ? 9 : 4)
    {
        if (!asked.details)
            return;
        General::distinctFiles(index, search.foldedPaths(), fileOf, firstModule);
        General::Array<const wchar_t*> paths;
        for (uint32_t f = 0; f < firstModule.count; ++f)
            paths.appendRepeated(1, index.path(firstModule[f]));
        Windows::readFileDetails(paths.items, paths.count, files);
    }

    General::ResultRow row(uint32_t process, uint32_t module) const
    {
        General::ResultRow result = General::indexRow(index, {process, module});
        if (module == ModuleIndex::none || files.count == 0)
            return result;
        const Windows::FileDetails& file = *files[fileOf[module]];
        const auto text = [](const General::Array<wchar_t>& held) { return held.count != 0 ? held.items : nullptr; };
        result.version = text(file.version.fileVersion);
        result.company = text(file.version.company);
        result.description = text(file.version.description);
        result.signer = text(file.verdict.signer);
        result.signature = General::signatureWord(file.verdict.signature);
        return result;
    }

    // With --unsigned, only modules that are not signed are written.
    bool shown(uint32_t module) const
    {
        if (!arguments.unsignedOnly)
            return true;
        return module != ModuleIndex::none && !General::trusted(files[fileOf[module]]->verdict.signature);
    }

    // Returns whether it was written.
    bool write(const General::RowWriter& writer, uint32_t process, uint32_t module)
    {
        if (!shown(module))
            return false;
        writer.row(out.pending, row(process, module));
        out.added();
        return true;
    }

    StreamWriter& out;
    const ModuleIndex& index;
    const ListerArguments& arguments;
    const General::RowWriter csv;
    const General::RowWriter text;
    General::Array<uint32_t> fileOf;
    General::Array<uint32_t> firstModule;
    General::OwnerArray<Windows::FileDetails> files;
};

// Every process asked for, with its modules or why it could not be read;
// with --unsigned, the modules that are not signed.
Exit list(Listing& listing)
{
    const ModuleIndex& index = listing.index;
    StreamWriter& out = listing.out;
    bool any = false;
    for (uint32_t p = 0; p < index.processes.count; ++p) {
        const ModuleIndex::Process& process = index.processes[p];
        const uint32_t end = process.firstModule + process.moduleCount;
        const bool every = !listing.arguments.unsignedOnly;
        any = any || every;
        if (listing.arguments.csv) {
            for (uint32_t m = process.firstModule; m < end; ++m)
                any = listing.write(listing.csv, p, m) || any;
            if (process.reason != ModuleIndex::none)
                any = listing.write(listing.csv, p, ModuleIndex::none) || any;
            continue;
        }
        bool labelled = false;
        for (uint32_t m = process.firstModule; m <= end; ++m) {
            const bool reason = m == end;
            if (reason ? process.reason == ModuleIndex::none || !every : !listing.shown(m))
                continue;
            if (!labelled) {
                General::appendProcessLabel(out.pending, index.at(process.name), process.processId);
                out.endLine();
                labelled = true;
            }
            out.text(L"    ");
            if (reason) {
                out.text(index.at(process.reason));
            } else {
                out.text(index.path(m), index.modules[m].length);
                listing.text.details(out.pending, listing.row(p, m));
            }
            out.endLine();
        }
        any = any || labelled;
        if (!labelled && every) {
            General::appendProcessLabel(out.pending, index.at(process.name), process.processId);
            out.endLine();
        }
    }
    return any ? Found : NothingMatched;
}

// The matches, then (CSV) the processes that could not be searched; with
// nothing found, those are named on standard error.
Exit search(Listing& listing, StreamWriter& errors, Windows::ModuleSearch& finder)
{
    const ListerArguments& arguments = listing.arguments;
    General::Array<ModuleIndex::Row> rows;
    const ModuleIndex::Counts counts =
        finder.filter(arguments.text, static_cast<uint32_t>(lstrlenW(arguments.text)), rows);
    const ModuleIndex& index = finder.index;
    bool any = false;
    for (uint32_t i = 0; i < rows.count; ++i) {
        // The text names only what was found; the CSV also what was not searched.
        const bool module = rows[i].module != ModuleIndex::none;
        if (arguments.csv || module) {
            const bool written = listing.write(arguments.csv ? listing.csv : listing.text, rows[i].process,
                                               rows[i].module);
            any = any || (written && module);
        }
    }
    if (any)
        return Found;
    if (counts.modules != 0)
        return NothingMatched; // found, but every one signed
    if (counts.unsearched != 0) {
        General::appendUnsearched(errors.pending, counts.unsearched);
        errors.text(L": ");
        for (uint32_t i = 0; i < rows.count; ++i) {
            const ModuleIndex::Process& process = index.processes[rows[i].process];
            errors.text(i == 0 ? L"" : L", ");
            General::appendProcessLabel(errors.pending, index.at(process.name), process.processId);
            errors.text(L": ");
            errors.text(index.at(process.reason));
        }
        errors.endLine();
    }
    return counts.unsearched != 0 && arguments.strict ? Unsearched : NothingMatched;
}

// The whole file, or WindowsError.
void readWhole(const wchar_t* path, General::Array<char>& into)
{
    Windows::KernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid())
        throw Windows::WindowsError(GetLastError());
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.handle, &size))
        throw Windows::WindowsError(GetLastError());
    if (size.QuadPart > 0x40000000)
        throw Windows::WindowsError(ERROR_FILE_TOO_LARGE);
    into.dropBack(into.count);
    into.appendRepeated(static_cast<uint32_t>(size.QuadPart), '\0');
    for (uint32_t done = 0; done < into.count;) {
        DWORD read = 0;
        if (!ReadFile(file.handle, into.items + done, into.count - done, &read, nullptr))
            throw Windows::WindowsError(GetLastError());
        if (read == 0)
            break;
        done += read;
    }
}

// A saved listing against another, or against a fresh snapshot taken as
// the lister would list it.
Exit diff(const ListerArguments& asked, StreamWriter& out, StreamWriter& errors, Selection& selection)
{
    General::SavedListing sides[2];
    const wchar_t* files[] = {asked.before, asked.after};
    General::Array<char> bytes;
    General::Array<wchar_t> problem;
    for (int side = 0; side < 2; ++side) {
        if (files[side] == nullptr) {
            Windows::ModuleSearch finder;
            finder.run(&wanted, &selection);
            ListerArguments listed;
            listed.csv = true;
            listed.details = sides[0].details || asked.details;
            StreamWriter kept;
            Listing listing(kept, finder, listed);
            listing.csv.header(kept.pending);
            list(listing);
            const int size = WideCharToMultiByte(CP_UTF8, 0, kept.pending.items, static_cast<int>(kept.pending.count),
                                                 nullptr, 0, nullptr, nullptr);
            bytes.dropBack(bytes.count);
            bytes.appendRepeated(static_cast<uint32_t>(size), '\0');
            WideCharToMultiByte(CP_UTF8, 0, kept.pending.items, static_cast<int>(kept.pending.count), bytes.items, size,
                                nullptr, nullptr);
        } else {
            try {
                readWhole(files[side], bytes);
            } catch (Windows::WindowsError& error) {
                General::Array<wchar_t> text;
                error.wideText(text);
                errors.text(L"orrimel: ");
                errors.text(files[side]);
                errors.text(L": ");
                errors.text(text.items, text.count - 1);
                errors.endLine();
                return Failure;
            }
        }
        if (!sides[side].read(bytes.items, bytes.count, problem)) {
            errors.text(files[side] != nullptr ? files[side] : L"the fresh listing");
            errors.text(L" ");
            errors.text(problem.items, problem.count);
            errors.endLine();
            return BadUsage;
        }
    }
    General::DiffScope scope;
    scope.byId = asked.byId;
    scope.processId = asked.processId;
    General::Array<wchar_t> text;
    if (asked.name != nullptr)
        scope.name = selection.askedName.items;
    if (asked.text != nullptr) {
        Windows::fold(asked.text, static_cast<uint32_t>(lstrlenW(asked.text)), text);
        scope.text = text.items;
    }
    const uint32_t changes = General::compareListings(sides[0], sides[1], &Windows::fold, scope, asked.csv, out.pending);
    out.added();
    return changes != 0 ? NothingMatched : Found;
}

Exit run(int count, wchar_t** arguments, StreamWriter& out, StreamWriter& errors)
{
    ListerArguments asked;
    General::parseListerArguments(count, arguments, asked);
    if (asked.mode == ListerArguments::Help) {
        out.text(usage);
        return Found;
    }
    if (asked.mode == ListerArguments::Bad) {
        errors.text(L"orrimel: ");
        errors.text(asked.problem);
        if (asked.culprit != nullptr) {
            errors.text(L" '");
            errors.text(asked.culprit);
            errors.text(L"'");
        }
        errors.endLine();
        errors.text(usage);
        return BadUsage;
    }
    Selection selection = {&asked, {}, {}};
    if (asked.name != nullptr)
        Windows::fold(asked.name, static_cast<uint32_t>(lstrlenW(asked.name)), selection.askedName);
    if (asked.mode == ListerArguments::Diff)
        return diff(asked, out, errors, selection);
    Windows::ModuleSearch finder;
    finder.run(&wanted, &selection);
    Listing listing(out, finder, asked);
    if (asked.csv) {
        listing.csv.header(out.pending);
        out.added();
    }
    return asked.mode == ListerArguments::Search ? search(listing, errors, finder) : list(listing);
}

} // namespace

int runLister(int count, wchar_t** arguments)
{
    // No box for a missing disk or a crash: a script waits for none.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    StreamWriter errors(STD_ERROR_HANDLE);
    Exit code = Failure;
    try {
        StreamWriter out(STD_OUTPUT_HANDLE);
        code = run(count, arguments, out, errors);
        out.flush();
    } catch (Windows::WindowsError& error) {
        code = Failure;
        errors.pending.dropBack(errors.pending.count);
        General::Array<wchar_t> text;
        error.wideText(text);
        errors.text(L"orrimel: ");
        errors.text(text.items, text.count - 1);
        errors.endLine();
    } catch (std::bad_alloc&) {
        code = Failure;
        errors.pending.dropBack(errors.pending.count);
        errors.text(L"orrimel: not enough memory\r\n");
    }
    try {
        errors.flush();
    } catch (Windows::WindowsError&) {
        // Nowhere left to say it.
    }
    return code;
}

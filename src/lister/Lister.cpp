// The console lister: the processes' modules, or which processes have a
// module, for scripts; the same reader and search as the window's.
#include <windows.h>

#include <new>

#include "Lister.h"
#include "ListerArguments.h"
#include "ListerOutput.h"
#include "ListingDiff.h"
#include "StreamWriter.h"
#include "core/Errors.h"
#include "core/Handles.h"
#include "core/WideText.h"
#include "inspection/ModuleSearch.h"

using namespace Lister;

namespace {

const wchar_t* const usage =
    L"Usage:\r\n"
    L"  orrimel                        every process and its modules\r\n"
    L"  orrimel <PID | name>           the process with that PID, or the processes of that\r\n"
    L"                                 executable name (case ignored, \".exe\" optional)\r\n"
    L"  orrimel -m <text> [PID | name] every module whose full path contains the text\r\n"
    L"                                 (case ignored), in every process or in those named\r\n"
    L"          --csv                  RFC 4180 CSV instead of text, with a header line\r\n"
    L"          --strict               with -m or --unsigned: nothing found and some process\r\n"
    L"                                 unreadable exits 3, not 1\r\n"
    L"          --details              each module's Version, Company, Description, Signer and\r\n"
    L"                                 Signature (signed, catalog, unsigned, invalid, untrusted,\r\n"
    L"                                 distrusted, expired, revoked, error)\r\n"
    L"          --unsigned             only the modules not signed (embedded or by catalog), with\r\n"
    L"                                 their details; the processes that could not be read are\r\n"
    L"                                 named on standard error\r\n"
    L"  orrimel --diff <before.csv> [after.csv] [PID | name] [-m <text>]\r\n"
    L"                                 what changed between a saved --csv listing and a fresh\r\n"
    L"                                 snapshot, or a second saved listing\r\n"
    L"  orrimel -h | --help | /?       this text\r\n"
    L"Each switch may also be written /m, /csv, /strict, /details, /unsigned, /diff.\r\n"
    L"Exit codes: 0 listed or found, 1 nothing matched (with --unsigned: every module read is\r\n"
    L"signed), 2 bad usage, 3 with --strict nothing found and some processes could not be read,\r\n"
    L"4 any other failure. With --diff: 0 no change, 1 changes listed, 2 bad usage or a file\r\n"
    L"that is not a listing, 4 any other failure.\r\n";

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
    return Lister::sameExecutable(selection.name.items, length, selection.askedName.items,
                                   selection.askedName.count - 1);
}

// The whole file, or WindowsError.
void readWhole(const wchar_t* path, General::Array<char>& into)
{
    Windows::KernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid())
        throw Windows::WindowsError(GetLastError());
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size))
        throw Windows::WindowsError(GetLastError());
    if (size.QuadPart > 0x40000000)
        throw Windows::WindowsError(ERROR_FILE_TOO_LARGE);
    into.dropBack(into.count);
    into.appendRepeated(static_cast<uint32_t>(size.QuadPart), '\0');
    for (uint32_t done = 0; done < into.count;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), into.items + done, into.count - done, &read, nullptr))
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
    Lister::SavedListing sides[2];
    const wchar_t* files[] = {asked.before, asked.after};
    General::Array<char> bytes;
    General::Array<wchar_t> problem;
    for (int side = 0; side < 2; ++side) {
        if (files[side] == nullptr) {
            // A fresh snapshot, taken as the lister lists it, compared as it is.
            Inspection::ModuleSearch finder;
            finder.run(&wanted, &selection);
            ListerArguments listed;
            listed.details = sides[0].details || asked.details;
            const Listing listing(out, finder, listed);
            SavedListing& fresh = sides[side];
            fresh.details = listed.details;
            for (uint32_t p = 0; p < finder.index.processes.count; ++p) {
                const ModuleIndex::Process& process = finder.index.processes[p];
                for (uint32_t m = process.firstModule; m < process.firstModule + process.moduleCount; ++m)
                    fresh.add(listing.row(p, m));
                if (process.reason != ModuleIndex::none)
                    fresh.add(listing.row(p, ModuleIndex::none));
            }
            continue;
        }
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
        if (!sides[side].read(bytes.items, bytes.count, problem)) {
            errors.text(files[side]);
            errors.text(L" ");
            errors.text(problem.items, problem.count);
            errors.endLine();
            return BadUsage;
        }
    }
    Lister::DiffScope scope;
    scope.byId = asked.byId;
    scope.processId = asked.processId;
    General::Array<wchar_t> text;
    if (asked.name != nullptr)
        scope.name = selection.askedName.items;
    if (asked.text != nullptr) {
        Windows::fold(asked.text, static_cast<uint32_t>(lstrlenW(asked.text)), text);
        scope.text = text.items;
    }
    const uint32_t changes = Lister::compareListings(sides[0], sides[1], &Windows::fold, scope, asked.csv, out.pending);
    out.added();
    return changes != 0 ? NothingMatched : Found;
}

Exit run(int count, wchar_t** arguments, StreamWriter& out, StreamWriter& errors)
{
    ListerArguments asked;
    Lister::parseListerArguments(count, arguments, asked);
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
    Inspection::ModuleSearch finder;
    finder.run(&wanted, &selection);
    Listing listing(out, finder, asked);
    if (asked.csv) {
        listing.csv.header(out.pending);
        out.added();
    }
    return asked.mode == ListerArguments::Search ? search(listing, errors, finder) : list(listing, errors);
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

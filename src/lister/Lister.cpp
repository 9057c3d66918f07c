// The console lister: the processes' modules, or which processes have a
// module, for scripts; the same reader and search as the window's.
#include <windows.h>

#include <new>

#include "Lister.h"
#include "BuildVersion.h"
#include "ListerArguments.h"
#include "ListerOutput.h"
#include "Comparison.h"
#include "ListingDiff.h"
#include "StreamWriter.h"
#include "core/Errors.h"
#include "core/Handles.h"
#include "core/WideText.h"
#include "inspection/ModuleSearch.h"
#include "core/Text.h"

using namespace Inspection;
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
    L"  orrimel --diff <first.csv> [later.csv ...] [PID | name] [-m <text>] [--by-name]\r\n"
    L"                                 what changed between a saved --csv listing and a fresh\r\n"
    L"                                 snapshot, or each later saved listing (* and ? match files)\r\n"
    L"          --by-name              processes matched by executable, not PID: across reboots\r\n"
    L"                                 and machines, user profiles' names left out of paths\r\n"
    L"  -o <file>                      the output written to the file (UTF-8 with a byte-order\r\n"
    L"                                 mark), replaced only when the run succeeds\r\n"
    L"  orrimel -h | --help | /?       this text\r\n"
    L"  orrimel --version              the version, build and commit\r\n"
    L"Each switch may also be written /m, /csv, /strict, /details, /unsigned, /diff, /by-name, /o\r\n"
    L"(-o also --output).\r\n"
    L"Exit codes: 0 listed or found, 1 nothing matched (with --unsigned: every module read is\r\n"
    L"signed), 2 bad usage, 3 with --strict nothing found and some processes could not be read,\r\n"
    L"4 any other failure. With --diff: 0 no change, 1 changes listed, 2 bad usage or a file\r\n"
    L"that is not a listing, 4 any other failure.\r\n";

struct Selection {
    const ListerArguments* arguments;
    Core::Array<wchar_t> askedName; // folded
    Core::Array<wchar_t> name;      // a record's, folded
};

bool wanted(uint32_t processId, const wchar_t* name, uint32_t length, void* context)
{
    Selection& selection = *static_cast<Selection*>(context);
    const ListerArguments& arguments = *selection.arguments;
    if (arguments.byId)
        return processId == arguments.processId;
    if (arguments.name == nullptr)
        return true;
    Core::fold(name, length, selection.name);
    return Lister::sameExecutable(selection.name.items, length, selection.askedName.items,
                                   selection.askedName.count - 1);
}

// The fresh side of a comparison: a snapshot taken as the lister lists it,
// its rows compared as they are, never written out and read back.
void takeFresh(void* context, bool details, SavedListing& into)
{
    Selection& selection = *static_cast<Selection*>(context);
    Inspection::ModuleSearch finder;
    finder.run(&wanted, &selection);
    ListerArguments listed;
    listed.details = details;
    StreamWriter unused;
    const Listing listing(unused, finder, listed);
    into.details = details;
    for (uint32_t p = 0; p < finder.index.processes.count; ++p) {
        const ModuleIndex::Process& process = finder.index.processes[p];
        for (uint32_t m = process.firstModule; m < process.firstModule + process.moduleCount; ++m)
            into.add(listing.row(p, m));
        if (process.reason != ModuleIndex::none)
            into.add(listing.row(p, ModuleIndex::none));
    }
}

Exit diff(const ListerArguments& asked, StreamWriter& out, StreamWriter& errors, Selection& selection)
{
    Lister::DiffScope scope;
    scope.byId = asked.byId;
    scope.processId = asked.processId;
    Core::Array<wchar_t> text;
    if (asked.name != nullptr)
        scope.name = selection.askedName.items;
    if (asked.text != nullptr) {
        Core::fold(asked.text, Core::textLength(asked.text), text);
        scope.text = text.items;
    }
    return compareListed(asked, scope, {&takeFresh, &selection}, out, errors);
}

Exit run(const ListerArguments& asked, StreamWriter& out, StreamWriter& errors)
{
    if (asked.mode == ListerArguments::Help) {
        out.text(usage);
        return Found;
    }
    if (asked.mode == ListerArguments::Version) {
        out.text(L"orrimel " TARNWICK_VERSION_WIDE L" (Tarnwick Orrimel), " TARNWICK_BUILD L", commit " TARNWICK_COMMIT
                 L"\r\n");
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
        Core::fold(asked.name, Core::textLength(asked.name), selection.askedName);
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
    ListerArguments asked;
    Lister::parseListerArguments(count, arguments, asked);
    try {
        if (asked.output != nullptr && asked.mode != ListerArguments::Bad && asked.mode != ListerArguments::Help &&
            asked.mode != ListerArguments::Version) {
            // Written whole, or not at all: a run that fails leaves the file.
            OutputFile file(asked.output);
            StreamWriter out(file.handle());
            code = run(asked, out, errors);
            out.flush();
            if (code != BadUsage && code != Failure)
                file.commit();
        } else {
            StreamWriter out(STD_OUTPUT_HANDLE);
            code = run(asked, out, errors);
            out.flush();
        }
    } catch (Core::WindowsError& error) {
        code = Failure;
        errors.pending.dropBack(errors.pending.count);
        errors.failure(nullptr, error);
    } catch (std::bad_alloc&) {
        code = Failure;
        errors.pending.dropBack(errors.pending.count);
        errors.text(L"orrimel: not enough memory\r\n");
    }
    try {
        errors.flush();
    } catch (Core::WindowsError&) {
        // Nowhere left to say it.
    }
    return code;
}

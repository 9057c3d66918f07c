// The console lister: the processes' modules, or which processes have a
// module, for scripts; the same reader and search as the window's.
#include <windows.h>

#include <new>

#include "Lister.h"
#include "ListerArguments.h"
#include "StreamWriter.h"
#include "core/Errors.h"
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
    L"  orrimel -h | --help | /?       this text\r\n"
    L"Each switch may also be written /m, /csv, /strict.\r\n"
    L"Exit codes: 0 listed or found, 1 nothing matched, 2 bad usage, 3 with --strict nothing\r\n"
    L"matched and some processes could not be read, 4 any other failure.\r\n";

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

const General::RowWriter csvWriter(General::RowFormat::Csv, General::resultColumns, 4);
const General::RowWriter textWriter(General::RowFormat::Text, General::resultColumns, 4);

void writeRow(StreamWriter& out, const General::RowWriter& writer, const ModuleIndex& index, uint32_t process,
              uint32_t module)
{
    writer.row(out.pending, General::indexRow(index, {process, module}));
    out.added();
}

// Every process asked for, with its modules or why it could not be read.
Exit list(StreamWriter& out, const ModuleIndex& index, bool csv)
{
    for (uint32_t p = 0; p < index.processes.count; ++p) {
        const ModuleIndex::Process& process = index.processes[p];
        if (csv) {
            for (uint32_t m = process.firstModule; m < process.firstModule + process.moduleCount; ++m)
                writeRow(out, csvWriter, index, p, m);
            if (process.reason != ModuleIndex::none)
                writeRow(out, csvWriter, index, p, ModuleIndex::none);
            continue;
        }
        General::appendProcessLabel(out.pending, index.at(process.name), process.processId);
        out.endLine();
        for (uint32_t m = process.firstModule; m < process.firstModule + process.moduleCount; ++m) {
            out.text(L"    ");
            out.text(index.path(m), index.modules[m].length);
            out.endLine();
        }
        if (process.reason != ModuleIndex::none) {
            out.text(L"    ");
            out.text(index.at(process.reason));
            out.endLine();
        }
    }
    return index.processes.count != 0 ? Found : NothingMatched;
}

// The matches, then (CSV) the processes that could not be searched; with
// nothing found, those are named on standard error.
Exit search(StreamWriter& out, StreamWriter& errors, Windows::ModuleSearch& finder, const ListerArguments& arguments)
{
    General::Array<ModuleIndex::Row> rows;
    const ModuleIndex::Counts counts =
        finder.filter(arguments.text, static_cast<uint32_t>(lstrlenW(arguments.text)), rows);
    const ModuleIndex& index = finder.index;
    for (uint32_t i = 0; i < rows.count; ++i) {
        // The text names only what was found; the CSV also what was not searched.
        if (arguments.csv || rows[i].module != ModuleIndex::none)
            writeRow(out, arguments.csv ? csvWriter : textWriter, index, rows[i].process, rows[i].module);
    }
    if (counts.modules != 0)
        return Found;
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
    Windows::ModuleSearch finder;
    finder.run(&wanted, &selection);
    if (asked.csv) {
        csvWriter.header(out.pending);
        out.added();
    }
    return asked.mode == ListerArguments::Search ? search(out, errors, finder, asked) : list(out, finder.index, asked.csv);
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

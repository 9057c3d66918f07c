// The console lister's listing and search written out.
#include "ListerOutput.h"
#include "core/Text.h"

namespace Lister {

namespace {

// Names on standard error the processes that could not be read, with why.
void nameUnread(StreamWriter& errors, const ModuleIndex& index, const Core::Array<uint32_t>& processes)
{
    Rows::appendUnsearched(errors.pending, processes.count);
    errors.text(L": ");
    for (uint32_t i = 0; i < processes.count; ++i) {
        const ModuleIndex::Process& process = index.processes[processes[i]];
        errors.text(i == 0 ? L"" : L", ");
        Rows::appendProcessLabel(errors.pending, index.at(process.name), process.processId);
        errors.text(L": ");
        errors.text(index.at(process.reason));
    }
    errors.endLine();
}

} // namespace

// Every process asked for, with its modules or why it could not be read;
// with --unsigned, the modules that are not signed.
Exit list(Listing& listing, StreamWriter& errors)
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
                Rows::appendProcessLabel(out.pending, index.at(process.name), process.processId);
                out.endLine();
                labelled = true;
            }
            listing.grouped.row(out.pending, listing.row(p, reason ? ModuleIndex::none : m));
            out.added();
        }
        any = any || labelled;
        if (!labelled && every) {
            Rows::appendProcessLabel(out.pending, index.at(process.name), process.processId);
            out.endLine();
        }
    }
    if (!listing.arguments.unsignedOnly)
        return any ? Found : NothingMatched;
    // What could not be read may hold what is sought: never a silent all-clear.
    Core::Array<uint32_t> unread;
    for (uint32_t p = 0; p < index.processes.count; ++p) {
        if (index.processes[p].reason != ModuleIndex::none)
            unread.appendRepeated(1, p);
    }
    if (unread.count != 0)
        nameUnread(errors, index, unread);
    if (any)
        return Found;
    return unread.count != 0 && listing.arguments.strict ? Unsearched : NothingMatched;
}

Exit search(Listing& listing, StreamWriter& errors, Inspection::ModuleSearch& finder)
{
    const ListerArguments& arguments = listing.arguments;
    Core::Array<ModuleIndex::Row> rows;
    const ModuleIndex::Counts counts =
        finder.filter(arguments.text, Core::textLength(arguments.text), rows);
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
        // With nothing found, every row is of a process not searched.
        Core::Array<uint32_t> unread;
        for (uint32_t i = 0; i < rows.count; ++i)
            unread.appendRepeated(1, rows[i].process);
        nameUnread(errors, index, unread);
    }
    return counts.unsearched != 0 && arguments.strict ? Unsearched : NothingMatched;
}

} // namespace Lister

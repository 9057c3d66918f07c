#pragma once

// What one run of the console lister writes: every process with its modules,
// or a search's matches, as text or CSV, with each file's details when asked.
#include <cstdint>

#include "ListerArguments.h"
#include "StreamWriter.h"
#include "details/DetailsCache.h"
#include "inspection/ModuleSearch.h"
#include "rows/ModuleRow.h"

namespace Lister {

using Inspection::ModuleIndex;

enum Exit { Found = 0, NothingMatched = 1, BadUsage = 2, Unsearched = 3, Failure = 4 };

// What one run writes: its rows, with each module file's details when asked.
struct Listing {
    Listing(StreamWriter& output, Inspection::ModuleSearch& search, const ListerArguments& asked)
        : out(output),
          index(search.index),
          arguments(asked),
          csv(Rows::RowFormat::Csv, Rows::resultColumns, asked.details ? 9 : 4),
          text(Rows::RowFormat::Text, Rows::resultColumns, asked.details ? 9 : 4),
          grouped(Rows::RowFormat::Grouped, Rows::resultColumns, asked.details ? 9 : 4)
    {
        if (!asked.details)
            return;
        // Each distinct file read once, on a thread a processor.
        Inspection::distinctFiles(index, search.foldedPaths(), fileOf, firstModule);
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        Details::DetailsCache cache(system.dwNumberOfProcessors);
        Details::FileDetails answer;
        for (uint32_t f = 0; f < firstModule.count; ++f)
            cache.find(index.path(firstModule[f]), index.modules[firstModule[f]].length, answer);
        cache.wait();
        for (uint32_t f = 0; f < firstModule.count; ++f) {
            files.appendRepeated(1, Core::OwnerPtr<Details::FileDetails>(new Details::FileDetails));
            cache.find(index.path(firstModule[f]), index.modules[firstModule[f]].length, *files[f]);
        }
    }

    Rows::ResultRow row(uint32_t process, uint32_t module) const
    {
        Rows::ResultRow result = Rows::indexRow(index, {process, module});
        if (module == ModuleIndex::none || files.count == 0)
            return result;
        Rows::fillDetails(result, *files[fileOf[module]]);
        return result;
    }

    // With --unsigned, only modules that are not signed are written.
    bool shown(uint32_t module) const
    {
        if (!arguments.unsignedOnly)
            return true;
        return module != ModuleIndex::none && !Details::trusted(files[fileOf[module]]->verdict.signature);
    }

    // Returns whether it was written.
    bool write(const Rows::RowWriter& writer, uint32_t process, uint32_t module)
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
    const Rows::RowWriter csv;
    const Rows::RowWriter text;
    const Rows::RowWriter grouped;
    Core::Array<uint32_t> fileOf;
    Core::Array<uint32_t> firstModule;
    Core::OwnerArray<Details::FileDetails> files;
};

// Every process asked for, with its modules or why it could not be read;
// with --unsigned, the modules that are not signed, the processes that could
// not be read named on standard error.
Exit list(Listing& listing, StreamWriter& errors);
// The matches, then (CSV) the processes that could not be searched; with
// nothing found, those are named on standard error.
Exit search(Listing& listing, StreamWriter& errors, Inspection::ModuleSearch& finder);

} // namespace Lister

#pragma once

// What one run of the console lister writes: every process with its modules,
// or a search's matches, as text or CSV, with each file's details when asked.
#include <cstdint>

#include "ListerArguments.h"
#include "StreamWriter.h"
#include "inspection/FileDetails.h"
#include "inspection/ModuleSearch.h"
#include "inspection/RowWriter.h"

namespace Lister {

using General::ListerArguments;
using General::ModuleIndex;
using Windows::StreamWriter;

enum Exit { Found = 0, NothingMatched = 1, BadUsage = 2, Unsearched = 3, Failure = 4 };

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
        Windows::fillDetails(result, *files[fileOf[module]]);
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
// with --unsigned, the modules that are not signed, the processes that could
// not be read named on standard error.
Exit list(Listing& listing, StreamWriter& errors);
// The matches, then (CSV) the processes that could not be searched; with
// nothing found, those are named on standard error.
Exit search(Listing& listing, StreamWriter& errors, Windows::ModuleSearch& finder);

} // namespace Lister

#pragma once

// A comparison's changes, each written as a row by the one row writer.
#include "ListingDiff.h"
#include "rows/RowWriter.h"

namespace Lister {

// The writer of a comparison's rows: the change columns, with Listing first
// where many listings are compared.
inline Rows::RowWriter changeWriter(const DiffOutput& how, Rows::RowFormat format)
{
    const bool many = how.listing != nullptr;
    return Rows::RowWriter(format, Rows::changeColumns + (many ? 0 : 1), many ? 7 : 6);
}

// Each change as a row, written by the one row writer.
class ChangeReport {
public:
    ChangeReport(const DiffOutput& how, Core::Array<wchar_t>& output)
        : output(how), writer(changeWriter(how, how.csv ? Rows::RowFormat::Csv : Rows::RowFormat::Change)), into(output)
    {
    }

    // Grouped: the executable's number of processes changed.
    void count(const SavedListing::Process& was, const SavedListing& side, const SavedListing::Process& is)
    {
        Rows::ResultRow result = row(side, is, L"count");
        Rows::appendNumber(numbers[0], was.processId);
        Rows::appendNumber(numbers[1], is.processId);
        for (Core::Array<wchar_t>& number : numbers)
            number.appendRepeated(1, L'\0');
        result.before = numbers[0].items;
        result.after = numbers[1].items;
        write(result);
        for (Core::Array<wchar_t>& number : numbers)
            number.dropBack(number.count);
    }

    void process(const SavedListing& side, const SavedListing::Process& p, const wchar_t* change)
    {
        write(row(side, p, change));
    }

    // Path empty, the reason under the side it was read on.
    void unreadable(const SavedListing& side, const SavedListing::Process& p, bool after)
    {
        Rows::ResultRow result = row(side, p, L"unreadable");
        (after ? result.after : result.before) = side.at(p.reason);
        write(result);
    }

    void module(const SavedListing& side, const SavedListing::Process& p, uint32_t m, const wchar_t* change,
                const wchar_t* was = nullptr, const wchar_t* is = nullptr)
    {
        Rows::ResultRow result = row(side, p, change);
        result.path = side.at(side.modules[m].path);
        result.pathLength = side.modules[m].length;
        result.before = was;
        result.after = is;
        write(result);
    }

    uint32_t changes = 0;

private:
    Rows::ResultRow row(const SavedListing& side, const SavedListing::Process& p, const wchar_t* change) const
    {
        Rows::ResultRow result;
        result.listing = output.listing;
        result.change = change;
        result.process = side.at(p.name);
        result.processId = p.processId;
        result.executable = output.byName;
        return result;
    }

    void write(const Rows::ResultRow& row)
    {
        writer.row(into, row);
        ++changes;
    }

    const DiffOutput& output;
    const Rows::RowWriter writer;
    Core::Array<wchar_t>& into;
    Core::Array<wchar_t> numbers[2];
};

} // namespace Lister

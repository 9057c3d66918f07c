// What the find window shows of its results: the search and its filter, the
// status line, the cells, typing in the list, showing a result, and copies.
#include "ModuleFinder.h"

#include <new>

#include "core/Errors.h"
#include "rows/ModuleRow.h"
#include "toolkit/Clipboard.h"

using namespace Core;
using namespace Toolkit;
using namespace Details;

namespace App {

namespace {

// The text box's text, NUL-terminated.
void readText(HWND box, Core::Array<wchar_t>& into)
{
    const int length = GetWindowTextLengthW(box);
    into.dropBack(into.count);
    into.appendRepeated(static_cast<uint32_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(box, into.items, length + 1);
    into.dropBack(into.count - static_cast<uint32_t>(read) - 1);
    into[static_cast<uint32_t>(read)] = L'\0';
}

} // namespace

const Rows::Column ModuleFinderContents::columns[columnCount] = {
    Rows::Column::Process, Rows::Column::PID, Rows::Column::Path, Rows::Column::Version, Rows::Column::Signer};

void ModuleFinderContents::search()
{
    if (cache != nullptr)
        cache->newSnapshot();
    try {
        finder.run();
    } catch (WindowsError& error) {
        finder.index.clear();
        filter();
        showError(error.code);
        return;
    } catch (std::bad_alloc&) {
        finder.index.clear();
        filter();
        showError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    filter();
}

void ModuleFinderContents::filter()
{
    try {
        readText(textBox, text);
        counts = finder.filter(text.items, text.count - 1, rows);
        SendMessageW(results, LVM_SETITEMCOUNT, rows.count, 0);
        InvalidateRect(results, nullptr, TRUE);
        showCounts();
    } catch (WindowsError& error) {
        showError(error.code);
    } catch (std::bad_alloc&) {
        showError(ERROR_NOT_ENOUGH_MEMORY);
    }
}

void ModuleFinderContents::showCounts()
{
    if (text.count <= 1) {
        showStatus(L"Type part of a module's name or path to find the processes that have it loaded.");
        return;
    }
    buffer.dropBack(buffer.count);
    Rows::appendCounts(buffer, counts);
    uint32_t asked = 0, answered = 0;
    if (cache != nullptr)
        cache->progress(asked, answered);
    if (answered < asked) {
        buffer.appendRange(L" Verifying ", 11);
        Rows::appendCount(buffer, answered, L"of", L"of");
        buffer.appendRepeated(1, L' ');
        Rows::appendCount(buffer, asked, L"file.", L"files.");
    }
    buffer.appendRepeated(1, L'\0');
    showStatus(buffer.items);
}

void ModuleFinderContents::detailsRead()
{
    InvalidateRect(results, nullptr, FALSE);
    showCounts();
}

bool ModuleFinderContents::details(uint32_t item, FileDetails& into)
{
    const Inspection::ModuleIndex::Row row = rows[item];
    return row.module != Inspection::ModuleIndex::none && cache != nullptr &&
           cache->find(finder.index.path(row.module), finder.index.modules[row.module].length, into);
}

void ModuleFinderContents::showStatus(const wchar_t* line) { SetWindowTextW(status, line); }

void ModuleFinderContents::showError(uint32_t code)
{
    WindowsError(code).wideText(buffer);
    SetWindowTextW(status, buffer.items);
}

const wchar_t* ModuleFinderContents::cellText(int item, int column)
{
    if (item < 0 || static_cast<uint32_t>(item) >= rows.count || column < 0 || column > 4)
        return L"";
    Rows::ResultRow row = Rows::indexRow(finder.index, rows[static_cast<uint32_t>(item)]);
    // Filled as the answers come; the list never waits for them.
    if (column >= 3 && details(static_cast<uint32_t>(item), file)) {
        fillDetails(row, file);
        // Who signed it, or else what its signature says.
        if (column == 4 && !Details::trusted(file.verdict.signature) &&
            file.verdict.signature != Details::Signature::Untrusted)
            row.signer = row.signature;
    }
    // A process that could not be searched says why in the Path column.
    const Rows::Column column3 = row.path == nullptr && column == 2 ? Rows::Column::Status : ModuleFinderContents::columns[column];
    wchar_t number[16];
    uint32_t length = 0;
    const wchar_t* cell = Rows::RowWriter::cell(row, column3, number, length);
    buffer.dropBack(buffer.count);
    buffer.appendRange(cell, length);
    buffer.appendRepeated(1, L'\0');
    return buffer.items;
}

int ModuleFinderContents::findRow(int start, const LVFINDINFOW& asked)
{
    if ((asked.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || asked.psz == nullptr || rows.count == 0)
        return -1;
    const int length = lstrlenW(asked.psz);
    const bool whole = (asked.flags & LVFI_PARTIAL) == 0;
    const uint32_t first = start >= 0 && static_cast<uint32_t>(start) < rows.count ? static_cast<uint32_t>(start) : 0;
    for (uint32_t i = 0; i < rows.count; ++i) {
        const uint32_t row = (first + i) % rows.count;
        if (row < first && (asked.flags & LVFI_WRAP) == 0)
            break;
        const wchar_t* name = finder.index.at(finder.index.processes[rows[row].process].name);
        const int nameLength = lstrlenW(name);
        if ((whole ? nameLength == length : nameLength >= length) &&
            CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name, length, asked.psz, length) == CSTR_EQUAL)
            return static_cast<int>(row);
    }
    return -1;
}

void ModuleFinderContents::showResult(int item)
{
    if (item < 0 || static_cast<uint32_t>(item) >= rows.count || target == nullptr)
        return;
    const Inspection::ModuleIndex::Row row = rows[static_cast<uint32_t>(item)];
    const uint32_t processId = finder.index.processes[row.process].processId;
    const wchar_t* path = row.module != Inspection::ModuleIndex::none ? finder.index.path(row.module) : nullptr;
    try {
        if (!target->showModule(processId, path))
            showStatus(L"The process has ended.");
    } catch (WindowsError& error) {
        showError(error.code);
    } catch (std::bad_alloc&) {
        showError(ERROR_NOT_ENOUGH_MEMORY);
    }
}

void ModuleFinderContents::copy(bool all)
{
    if (!all && GetFocus() == textBox) {
        SendMessageW(textBox, WM_COPY, 0, 0);
        return;
    }
    Core::Array<wchar_t> copied;
    const Inspection::ModuleIndex& index = finder.index;
    try {
        if (all) {
            // As the lister's CSV has them: a reason in Status, not in Path.
            const Rows::RowWriter writer(Rows::RowFormat::Tab, Rows::resultColumns, 9);
            writer.header(copied);
            for (uint32_t i = 0; i < rows.count; ++i) {
                Rows::ResultRow row = Rows::indexRow(index, rows[i]);
                if (details(i, file))
                    fillDetails(row, file);
                writer.row(copied, row);
            }
        } else {
            // The selected results' paths, one a line.
            for (int item = -1; (item = static_cast<int>(SendMessageW(
                                     results, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED))) >= 0;) {
                const uint32_t module = static_cast<uint32_t>(item) < rows.count
                                            ? rows[static_cast<uint32_t>(item)].module
                                            : Inspection::ModuleIndex::none;
                if (module == Inspection::ModuleIndex::none)
                    continue;
                if (copied.count != 0)
                    copied.appendRange(L"\r\n", 2);
                copied.appendRange(index.path(module), index.modules[module].length);
            }
            if (copied.count == 0)
                return;
        }
        putOnClipboard(owner->handle, copied.items, copied.count);
    } catch (WindowsError& error) {
        showError(error.code);
    } catch (std::bad_alloc&) {
        showError(ERROR_NOT_ENOUGH_MEMORY);
    }
}

} // namespace App

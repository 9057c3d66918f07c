#pragma once

// The "Find Module" window: which processes have loaded a module whose path
// holds the text typed, searched in a snapshot kept between keystrokes.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "core/Handles.h"
#include "details/DetailsCache.h"
#include "rows/RowWriter.h"
#include "inspection/ModuleSearch.h"
#include "toolkit/TopLevel.h"
#include "toolkit/Window.h"

namespace App {

class ModuleFinder;

// Where a result is shown: the window that opened the find window.
class ResultTarget {
public:
    // Shows the process and its module of that UTF-16 path (null: the
    // process alone); false, changing nothing, when the process has ended.
    virtual bool showModule(uint32_t processId, const wchar_t* path) = 0;

protected:
    ~ResultTarget() = default;
};

// The find window's workings: a text box, the results of its text in every
// process, and a status line. Its failures are told in the status line;
// none leaves it.
struct ModuleFinderContents : Toolkit::TopLevelContents {
    // The results' columns, as the list heads them and its cells show them.
    static const int columnCount = 5;
    static const Rows::Column columns[columnCount];

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void makeChildren();
    void scaleTo(int dpi) override;
    void placeChildren();
    // A fresh snapshot searched for the text box's text.
    void search();
    // The kept results filtered by the text box's text.
    void filter();
    // Shows the result's process and module where the results are shown.
    void showResult(int item);
    // Typing in the results: the first row from `start` on whose process
    // name is (or, partial, starts with) the text, or -1.
    int findRow(int start, const LVFINDINFOW& asked);
    // Ctrl+C: the selected results' paths, or the text box's selection;
    // Ctrl+Shift+C, wherever the focus is: every result, as tab-separated
    // lines under the lister's columns.
    void copy(bool all);
    // Answers arrived: the rows shown again, the progress in the status line.
    void detailsRead();
    // The counts of the last filter, and how many files shown are verified.
    void showCounts();
    // The result's file details, or false while they are read.
    bool details(uint32_t item, Details::FileDetails& into);
    void showStatus(const wchar_t* text);
    void showError(uint32_t code);
    const wchar_t* cellText(int item, int column);

    ModuleFinder* owner = nullptr;
    ResultTarget* target = nullptr;
    Details::DetailsCache* cache = nullptr;
    Inspection::ModuleIndex::Counts counts = {0, 0, 0};
    Details::FileDetails file; // the last cell's
    HWND textBox = nullptr;
    HWND results = nullptr;
    HWND status = nullptr;
    Core::GdiObject font;
    Inspection::ModuleSearch finder;
    Core::Array<Inspection::ModuleIndex::Row> rows;
    Core::Array<wchar_t> text;   // the text box's text, as last filtered
    Core::Array<wchar_t> buffer; // the status line, or a cell
};

// The top-level window, owned by the window that opens it.
class ModuleFinder : public Toolkit::Window {
public:
    ModuleFinder() { contents.owner = this; }
    HWND create(const Toolkit::CreateParams& params) override;
    // The text box, Enter and Escape (as dialog navigation sends them), F5,
    // Ctrl+F and the copy keys.
    static bool command(ModuleFinder& window, WPARAM wParam);

    // Shows the window, made on first use as owned by `ownerWindow`, with
    // `name` in its text box (or, null, the text it held), all of it
    // selected, searched in a fresh snapshot; its results are shown in
    // `target`. Raises WindowsError only when the window cannot be made.
    // Versions and signers come from `cache`.
    void open(HWND ownerWindow, ResultTarget& target, Details::DetailsCache& cache, const wchar_t* name, uint32_t length);

    ModuleFinderContents contents;
    static const Toolkit::ClassAttributes attributes;
};

} // namespace App

#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "core/Handles.h"
#include "inspection/ModuleSearch.h"
#include "toolkit/Window.h"

namespace Windows {

class ModuleFinder;
struct MainWindowContents;

// The find window's workings: a text box, the results of its text in every
// process, and a status line. Its failures are told in the status line;
// none leaves it.
struct ModuleFinderContents {
    ModuleFinderContents() = default;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void makeChildren();
    void scaleTo(int dpi);
    void placeChildren();
    // A fresh snapshot searched for the text box's text.
    void search();
    // The kept results filtered by the text box's text.
    void filter();
    // Typing in the results: the first row from `start` on whose process
    // name is (or, partial, starts with) the text, or -1.
    int findRow(int start, const LVFINDINFOW& asked);
    // Shows the result's process and module in the main window.
    void showResult(int item);
    // Ctrl+C: the selected results' paths, or the text box's selection;
    // Ctrl+Shift+C, wherever the focus is: every result, as tab-separated
    // lines under a header.
    void copy(bool all);
    void showCounts(const General::ModuleIndex::Counts& counts);
    void showStatus(const wchar_t* text);
    void showError(uint32_t code);
    const wchar_t* cellText(int item, int column);

    ModuleFinder* owner = nullptr;
    MainWindowContents* main = nullptr;
    HWND textBox = nullptr;
    HWND results = nullptr;
    HWND status = nullptr;
    HWND lastFocus = nullptr;
    int dpi = 96;
    GdiObject font;
    ModuleSearch finder;
    General::Array<General::ModuleIndex::Row> rows;
    General::Array<wchar_t> text;   // the text box's text, as last filtered
    General::Array<wchar_t> buffer; // the status line, or a cell
};

// The top-level "Find Module" window, owned by the main window: which
// processes have a module whose path holds the text typed.
class ModuleFinder : public Window {
public:
    ModuleFinder() { contents.owner = this; }
    HWND create(const CreateParams& params) override;
    // The text box, Enter and Escape (as the loop's dialog navigation sends
    // them), F5 and Ctrl+F.
    static bool command(ModuleFinder& window, WPARAM wParam);

    // Shows the window, made on first use as owned by `mainWindow`, with
    // `name` in its text box (or, null, the text it held), all of it
    // selected, searched in a fresh snapshot. Raises WindowsError only when
    // the window cannot be made.
    void open(MainWindowContents& mainWindow, const wchar_t* name, uint32_t length);

    ModuleFinderContents contents;
    static const struct ClassAttributes attributes;
};

} // namespace Windows

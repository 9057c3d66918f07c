#pragma once

#include <windows.h>

namespace Windows {

struct MainWindowContents;

// What the main window's lists give out: their text on the clipboard (Ctrl+C,
// Ctrl+Shift+C), the file in Explorer or in its property sheet, the find
// window for a module, all of it also from the lists' context menu. Nothing
// here ends the program: a failure is told in a box over the main window.
namespace ListMenu {

// One of the menu's commands for a list: Copy, the selected row's path (a
// process's image path, else its name; nothing for a reason row or no
// selection); Copy All, a header, then each row, its fields separated by
// tabs, lines by CR LF; Open Containing Folder; Properties; Find.
void perform(MainWindowContents& window, HWND list, UINT command);

// The context menu of a list at a point of the screen; at (-1, -1), from the
// keyboard, at the selected row. A click selects the row under it first.
void show(MainWindowContents& window, HWND list, LPARAM at);

// The menu as shown, items that do not apply greyed.
HMENU make(bool moduleList, bool selected, bool rows, bool path);

} // namespace ListMenu
} // namespace Windows

#pragma once

// The context menu of the main window's lists: built, greyed where an item
// does not apply, shown, and its choice handed to the lists' commands.
#include <windows.h>

#include "ListCommands.h"
#include "core/Handles.h"

namespace App {
namespace ListMenu {

// The context menu of a list at a point of the screen; at (-1, -1), from the
// keyboard, at the selected row. A click selects the row under it first, as
// selecting it would (the window is told LBN_SELCHANGE).
void show(const MainLists& lists, HWND list, LPARAM at);

// The menu as shown, items that do not apply greyed.
Core::MenuHandle make(bool moduleList, bool selected, bool rows, bool path);

} // namespace ListMenu
} // namespace App

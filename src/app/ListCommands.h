#pragma once

// The commands of the main window's two lists, which their keys and their
// context menu both call: Copy, Copy All, Open Containing Folder, Properties
// and Find. Nothing here ends the program: a failure is told in a box.
#include <windows.h>

#include "core/Array.h"
#include "inspection/ModuleList.h"
#include "inspection/ProcessList.h"

namespace App {

// The two lists the commands work on, and the window they stand in, which
// takes WM_COMMAND for Find and for a selection a command made.
struct MainLists {
    HWND owner;
    Inspection::ProcessList& processes;
    Inspection::ModuleList& modules;
};

namespace ListCommands {

// One command (IDM_*) for a list: Copy, the selected row's path (a
// process's image path, else its name; nothing for a reason row or no
// selection); Copy All, a header, then each row, tab-separated; Open
// Containing Folder; Properties; Find, which asks the window for it.
void perform(const MainLists& lists, HWND list, UINT command);

// The selected row's full path in UTF-16, or null: a module's, or a
// process's image path read now into `buffer`.
const wchar_t* selectedPath(const MainLists& lists, HWND list, Core::Array<wchar_t>& buffer);

// Copy All's text of each list, as the clipboard takes it.
void processListText(const Inspection::ProcessList& processes, Core::Array<wchar_t>& into);
void moduleListText(const Inspection::ModuleList& modules, Core::Array<wchar_t>& into);

} // namespace ListCommands
} // namespace App

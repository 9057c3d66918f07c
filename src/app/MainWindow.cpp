// The main window's messages and commands: selections, refresh, find,
// copies, the context menu and showing a found module.
#include "MainWindow.h"

#include "ListMenu.h"
#include "resources/ResourceIds.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/WindowClass.h"
#include "inspection/ProcessFacts.h"

using namespace Core;
using namespace Toolkit;
using namespace Inspection;

namespace App {

const char* const homePageAddress = "http://www.tarnwick.example/";
const char* const copyrightAddress = "http://www.tarnwick.example/downloads/Copyright.htm";
const char* const copyrightNotice = "Copyright (c) 2026 Tarnwick Orrimel. All rights reserved.";

const ClassAttributes MainWindow::attributes = {"MainWindow", nullptr, CS_HREDRAW | CS_VREDRAW,
                                                IDC_ARROW, &mainWindowBrush, true, false};

MainWindowContents::MainWindowContents()
    : owner(nullptr),
      listFont(11, FW_NORMAL, 0),
      headingFont(11, FW_BOLD, 0),
      hintFont(10, FW_BOLD, 0),
      linkFont(10, FW_NORMAL, 1)
{
}

LRESULT MainWindowContents::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (common(owner->handle, message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_CREATE:
        layOut();
        return 1;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom != tooltip.handle || header->code != TTN_GETDISPINFOW)
            return 0;
        tooltip.giveText(*reinterpret_cast<NMTTDISPINFOW*>(lParam));
        return 1;
    }
    case WM_CONTEXTMENU: {
        HWND list = reinterpret_cast<HWND>(wParam);
        if (list != processListBox.handle && list != moduleListBox.handle)
            return 0;
        ListMenu::show(lists(), list, lParam);
        return 1;
    }
    case WM_DETAILSREAD:
        tooltip.update();
        if (finder.handle != nullptr)
            finder.contents.detailsRead();
        return 1;
    case WM_CLOSE:
        // The windows stay until the entry destroys them after the loop, and
        // the details worker may take a moment to stop: they go from the
        // screen now, so that nobody sees a window not responding.
        if (finder.handle != nullptr)
            ShowWindow(finder.handle, SW_HIDE);
        ShowWindow(owner->handle, SW_HIDE);
        PostQuitMessage(0);
        return 1;
    default:
        return 0;
    }
}

MainLists MainWindowContents::lists()
{
    return {owner->handle, processListBox.contents, moduleListBox.contents};
}

void MainWindowContents::refreshModules()
{
    if (ProcessEntry* process = processListBox.contents.selectedEntry())
        moduleListBox.contents.fill(process->processId);
    showModulePath();
}

void MainWindowContents::showModulePath()
{
    ModuleEntry* module = moduleListBox.contents.selectedEntry();
    SetWindowTextA(pathBox.handle, module != nullptr ? module->path.text() : "");
}

void MainWindowContents::openFinder()
{
    uint32_t length = 0;
    const wchar_t* name = nullptr;
    if (ModuleEntry* module = moduleListBox.contents.selectedEntry())
        name = module->wideName(length);
    try {
        finder.open(owner->handle, *this, details, length != 0 ? name : nullptr, length);
    } catch (WindowsError& error) {
        // The find window could not be made; the main window goes on.
        tellError(owner->handle, error.code, "Find Module", MB_ICONERROR);
    }
}

bool MainWindowContents::showModule(uint32_t processId, const wchar_t* path)
{
    if (processHasEnded(processId))
        return false;
    // Started after the last refresh: refreshed first.
    if (!processListBox.contents.selectProcess(processId)) {
        processListBox.contents.refill();
        if (!processListBox.contents.selectProcess(processId)) {
            refreshModules();
            return false;
        }
    }
    refreshModules();
    if (path != nullptr) {
        moduleListBox.contents.selectPath(path);
        showModulePath();
    }
    SetForegroundWindow(owner->handle);
    moduleListBox.setFocus();
    return true;
}

MainWindow::~MainWindow()
{
    // The contents die before the window. What their teardown and the
    // window's destruction still send (the children's notices, the window's
    // deactivation, which the contents would answer) goes to the default
    // procedure alone.
    if (handle != nullptr)
        SetWindowLongPtrA(handle, GWLP_USERDATA, 0);
}

HWND MainWindow::create(const CreateParams& params) { return WindowClass<MainWindow>::create(*this, params); }

bool MainWindow::command(MainWindow& window, WPARAM wParam)
{
    MainWindowContents& c = window.contents;
    const WORD id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (id == ProcessListId && code == LBN_SELCHANGE) {
        c.refreshModules();
        return true;
    }
    if (id == ModuleListId && code == LBN_SELCHANGE) {
        c.showModulePath();
        return true;
    }
    if ((id == ProcessListId || id == ModuleListId) && code == LBN_SETFOCUS) {
        c.noteFocus(id == ProcessListId ? c.processListBox.handle : c.moduleListBox.handle);
        return true;
    }
    if (id == PathBoxId && code == EN_SETFOCUS) {
        c.noteFocus(c.pathBox.handle);
        return true;
    }
    if (id == IDM_REFRESH) {
        c.details.newSnapshot();
        c.processListBox.contents.refill();
        c.refreshModules();
        return true;
    }
    if (id == IDM_FIND) {
        c.openFinder();
        return true;
    }
    if (id == IDM_COPY || id == IDM_COPY_ALL) {
        // The lists' copies; the path box copies its own selection.
        HWND focus = GetFocus();
        if (focus == c.processListBox.handle || focus == c.moduleListBox.handle)
            ListCommands::perform(c.lists(), focus, id);
        else if (focus == c.pathBox.handle && id == IDM_COPY)
            SendMessageW(focus, WM_COPY, 0, 0);
        return true;
    }
    return false;
}

CreateParams mainWindowParams()
{
    CreateParams params = {};
    params.cy = mainWindowSize.cy;
    params.cx = mainWindowSize.cx;
    params.y = CW_USEDEFAULT;
    params.x = CW_USEDEFAULT;
    params.style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    params.lpszName = "Tarnwick Orrimel";
    return params;
}

} // namespace App

#include "MainWindow.h"

#include <initializer_list>

#include "ListMenu.h"
#include "resources/ResourceIds.h"
#include "toolkit/Dpi.h"
#include "toolkit/WindowClass.h"

namespace Windows {

const char* const homePageAddress = "http://www.tarnwick.example/";
const char* const copyrightAddress = "http://www.tarnwick.example/downloads/Copyright.htm";
const char* const copyrightNotice = "Copyright (c) 2026 Tarnwick Orrimel. All rights reserved.";

namespace {
const COLORREF linkColour = 0x03AD87;

// Where each child stands at 96 DPI, and the size of those not sized to
// their text.
struct Place {
    int x, y, width, height;
};
const Place bandPlace = {0, 25, 467, 32};
const Place processesPlace = {20, 73, 0, 0};
const Place modulesPlace = {240, 73, 0, 0};
const Place pathHeadingPlace = {20, 293, 0, 0};
const Place hintPlace = {340, 7, 0, 0};
const Place copyrightPlace = {112, 355, 0, 0};
const Place homePlace = {155, 372, 0, 0};
const Place processListPlace = {20, 90, 200, 200};
const Place moduleListPlace = {240, 90, 200, 200};
const Place pathBoxPlace = {20, 310, 420, 32};
const SIZE outerSize = {467, 430}; // the window's, frame included

} // namespace

const ClassAttributes MainWindow::attributes = {"MainWindow", nullptr, CS_HREDRAW | CS_VREDRAW,
                                                MAKEINTRESOURCEA(32512), &mainWindowBrush, true, false};

MainWindowContents::MainWindowContents()
    : owner(nullptr),
      lastFocus(nullptr),
      listFont(11, FW_NORMAL, 0),
      headingFont(11, FW_BOLD, 0),
      hintFont(10, FW_BOLD, 0),
      linkFont(10, FW_NORMAL, 1)
{
}

LRESULT MainWindowContents::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        enableFrameScaling(owner->handle);
        return 0;
    case WM_CREATE:
        layOut();
        return 1;
    case WM_DPICHANGED: {
        // Moved to a monitor of another scaling: laid out anew, in the
        // rectangle the platform suggests for it.
        scaleTo(HIWORD(wParam));
        placeAsSuggested(owner->handle, lParam);
        return 1;
    }
    case WM_SETFOCUS:
        // Given back to the child that last had it: noted as each child
        // gained it, since minimising takes it from the child before the
        // window is deactivated.
        if (HWND focus = lastFocus != nullptr ? lastFocus : processListBox.handle)
            SetFocus(focus);
        return 1;
    case WM_NOTIFYFORMAT:
        // The tooltip asks: its notices come in UTF-16.
        return NFR_UNICODE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom != tooltip.handle || header->code != TTN_GETDISPINFOW)
            return 0;
        tooltip.giveText(*this, *reinterpret_cast<NMTTDISPINFOW*>(lParam));
        return 1;
    }
    case WM_CONTEXTMENU: {
        HWND list = reinterpret_cast<HWND>(wParam);
        if (list != processListBox.handle && list != moduleListBox.handle)
            return 0;
        ListMenu::show(*this, list, lParam);
        return 1;
    }
    case WM_CLOSE:
        // The window stays until the entry destroys it after the loop.
        PostQuitMessage(0);
        return 1;
    default:
        return 0;
    }
}

void MainWindowContents::layOut()
{
    HWND parent = owner->handle;
    titleBand.contents.createChild(parent, bandPlace.x, bandPlace.y, bandPlace.width, bandPlace.height);

    struct Heading {
        LabelContents& label;
        const char* text;
        const Place& place;
    } headings[] = {
        {processesLabel.contents, "Current Processes", processesPlace},
        {modulesLabel.contents, "Loaded Modules", modulesPlace},
        {pathLabel.contents, "Module Path", pathHeadingPlace},
    };
    for (Heading& heading : headings) {
        heading.label.setText(heading.text);
        heading.label.setFont(headingFont.handle);
        heading.label.createAt(parent, heading.place.x, heading.place.y);
    }
    refreshHint.contents.setText("Press F5 to Refresh");
    refreshHint.contents.setFont(hintFont.handle);
    refreshHint.contents.setColour(linkColour);
    refreshHint.contents.createAt(parent, hintPlace.x, hintPlace.y);

    copyrightLink.contents.setText(copyrightNotice);
    copyrightLink.contents.setUrl(copyrightAddress);
    copyrightLink.contents.setFont(linkFont.handle);
    copyrightLink.contents.setColour(linkColour);
    copyrightLink.contents.createAt(parent, copyrightPlace.x, copyrightPlace.y);

    homeLink.contents.setText(homePageAddress);
    homeLink.contents.setUrl(homePageAddress);
    homeLink.contents.setFont(linkFont.handle);
    homeLink.contents.setColour(linkColour);
    homeLink.contents.createAt(parent, homePlace.x, homePlace.y);

    const WPARAM font = reinterpret_cast<WPARAM>(listFont.handle);
    processListBox.contents.createChild(parent, 1001, processListPlace.x, processListPlace.y);
    SendMessageA(processListBox.handle, WM_SETFONT, font, 1);
    moduleListBox.contents.createChild(parent, 1002, moduleListPlace.x, moduleListPlace.y);
    SendMessageA(moduleListBox.handle, WM_SETFONT, font, 1);
    pathBox.contents.createChild(parent, 1003, pathBoxPlace.x, pathBoxPlace.y);
    SendMessageA(pathBox.handle, WM_SETFONT, font, 1);
    // A list box trims its height to whole rows when it is sized, not when
    // its font changes: sized again in its font, each shows whole rows, and a
    // scroll bar appearing later (which sizes it once more) changes nothing.
    for (const Place* place : {&processListPlace, &moduleListPlace})
        MoveWindow(place == &processListPlace ? processListBox.handle : moduleListBox.handle, place->x, place->y,
                   place->width, place->height, FALSE);

    // Made as at 96 DPI; at any other, scaled before the window is shown.
    const int dpi = windowDpi(parent);
    if (dpi != 96) {
        scaleTo(dpi);
        const SIZE outer = outerSizeAt(outerSize, GetWindowLongA(parent, GWL_STYLE),
                                       static_cast<DWORD>(GetWindowLongA(parent, GWL_EXSTYLE)), dpi);
        SetWindowPos(parent, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    tooltip.create(*this);
    processListBox.contents.refill();
    refreshModules();
    processListBox.setFocus();
}

void MainWindowContents::scaleTo(int dpi)
{
    // The replaced fonts are deleted when this ends, after every child has
    // been given the new ones.
    GdiObject replaced[] = {listFont.remake(dpi), headingFont.remake(dpi), hintFont.remake(dpi),
                            linkFont.remake(dpi)};
    titleBand.contents.dpi = dpi;
    // A list box trims its height to whole rows of its font: the font first.
    const WPARAM font = reinterpret_cast<WPARAM>(listFont.handle);
    for (HWND control : {processListBox.handle, moduleListBox.handle, pathBox.handle})
        SendMessageA(control, WM_SETFONT, font, 1);
    struct Boxed {
        Window& window;
        const Place& place;
    } boxes[] = {
        {titleBand, bandPlace},
        {processListBox, processListPlace},
        {moduleListBox, moduleListPlace},
        {pathBox, pathBoxPlace},
    };
    for (const Boxed& box : boxes)
        MoveWindow(box.window.handle, scaled(box.place.x, dpi), scaled(box.place.y, dpi),
                   scaled(box.place.width, dpi), scaled(box.place.height, dpi), TRUE);
    struct Labelled {
        LabelContents& label;
        const Font& font;
        const Place& place;
    } labels[] = {
        {processesLabel.contents, headingFont, processesPlace},
        {modulesLabel.contents, headingFont, modulesPlace},
        {pathLabel.contents, headingFont, pathHeadingPlace},
        {refreshHint.contents, hintFont, hintPlace},
        {copyrightLink.contents, linkFont, copyrightPlace},
        {homeLink.contents, linkFont, homePlace},
    };
    for (const Labelled& labelled : labels) {
        labelled.label.setFont(labelled.font.handle);
        labelled.label.sizeToText(scaled(labelled.place.x, dpi), scaled(labelled.place.y, dpi));
    }
    InvalidateRect(owner->handle, nullptr, TRUE);
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
        finder.open(*this, length != 0 ? name : nullptr, length);
    } catch (WindowsError& error) {
        // The find window could not be made; the main window goes on.
        General::String text = error.ErrorText();
        MessageBoxA(owner->handle, text.text(), "Find Module", MB_OK | MB_ICONERROR);
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
    const WORD id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (id == 1001 && code == LBN_SELCHANGE) {
        window.contents.refreshModules();
        return true;
    }
    if (id == 1002 && code == LBN_SELCHANGE) {
        window.contents.showModulePath();
        return true;
    }
    if ((id == 1001 || id == 1002) && code == LBN_SETFOCUS) {
        window.contents.lastFocus = id == 1001 ? window.contents.processListBox.handle
                                               : window.contents.moduleListBox.handle;
        return true;
    }
    if (id == 1003 && code == EN_SETFOCUS) {
        window.contents.lastFocus = window.contents.pathBox.handle;
        return true;
    }
    if (id == IDM_REFRESH) {
        window.contents.processListBox.contents.refill();
        window.contents.refreshModules();
        return true;
    }
    if (id == IDM_FIND) {
        window.contents.openFinder();
        return true;
    }
    if (id == IDM_COPY || id == IDM_COPY_ALL) {
        // The lists' copies; the path box copies its own selection.
        MainWindowContents& c = window.contents;
        HWND focus = GetFocus();
        if (focus == c.processListBox.handle || focus == c.moduleListBox.handle)
            ListMenu::perform(c, focus, id);
        else if (focus == c.pathBox.handle && id == IDM_COPY)
            SendMessageW(focus, WM_COPY, 0, 0);
        return true;
    }
    return false;
}

CreateParams mainWindowParams()
{
    CreateParams params = {};
    params.cy = outerSize.cy;
    params.cx = outerSize.cx;
    params.y = CW_USEDEFAULT;
    params.x = CW_USEDEFAULT;
    params.style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    params.lpszName = "Tarnwick Orrimel";
    return params;
}

WPARAM runMessageLoop(const MessageLoopParams& params)
{
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return message.wParam;
        // -1 is a failure, not a message: never spin on it.
        if (got == -1)
            throw WindowsError(GetLastError());
        // Keys belong to the top-level window they were typed in: the main
        // window, or a window it owns (the find window), each with its own
        // commands for the same accelerators and its own navigation.
        HWND target = params.dialogWindow;
        HWND accelerated = params.acceleratorWindow;
        if (message.hwnd != nullptr) {
            HWND root = GetAncestor(message.hwnd, GA_ROOT);
            if (root != nullptr && root != params.dialogWindow && GetWindow(root, GW_OWNER) == params.dialogWindow)
                target = accelerated = root;
        }
        // Each call may deliver the message to a window procedure, which
        // keeps a handler's exception for this loop to raise.
        const bool translated = TranslateAcceleratorW(accelerated, params.accelerators, &message) != 0;
        rethrowKeptException();
        if (translated)
            continue;
        const bool navigated = IsDialogMessageW(target, &message) != 0;
        rethrowKeptException();
        if (navigated)
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
        rethrowKeptException();
    }
}

} // namespace Windows

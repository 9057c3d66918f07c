#include "MainWindow.h"

#include "resources/ResourceIds.h"
#include "toolkit/WindowClass.h"

namespace Windows {

const char* const homePageAddress = "http://www.tarnwick.example/";
const char* const copyrightAddress = "http://www.tarnwick.example/downloads/Copyright.htm";
const char* const copyrightNotice = "Copyright (c) 2026 Tarnwick Orrimel. All rights reserved.";

namespace {
const COLORREF linkColour = 0x03AD87;
}

const ClassAttributes MainWindow::attributes = {"MainWindow", nullptr, CS_HREDRAW | CS_VREDRAW,
                                                MAKEINTRESOURCEA(32512), &mainWindowBrush, true, false};

Font::Font(int height, int weight, DWORD underline)
    : handle(CreateFontA(-height, 0, 0, 0, weight, 0, underline, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Verdana"))
{
    if (handle == nullptr)
        throw WindowsError(GetLastError());
}

MainWindowContents::MainWindowContents()
    : owner(nullptr),
      listFont(11, FW_NORMAL, 0),
      headingFont(11, FW_BOLD, 0),
      hintFont(10, FW_BOLD, 0),
      linkFont(10, FW_NORMAL, 1)
{
}

LRESULT MainWindowContents::handleMessage(UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_CREATE:
        layOut();
        return 1;
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
    titleBand.contents.createChild(parent, 0, 25, 467, 32);

    struct Heading {
        LabelContents& label;
        const char* text;
        int x, y;
    } headings[] = {
        {processesLabel.contents, "Current Processes", 20, 73},
        {modulesLabel.contents, "Loaded Modules", 240, 73},
        {pathLabel.contents, "Module Path", 20, 293},
    };
    for (Heading& heading : headings) {
        heading.label.setText(heading.text);
        heading.label.setFont(headingFont.handle);
        heading.label.createAt(parent, heading.x, heading.y);
    }
    refreshHint.contents.setText("Press F5 to Refresh");
    refreshHint.contents.setFont(hintFont.handle);
    refreshHint.contents.setColour(linkColour);
    refreshHint.contents.createAt(parent, 340, 7);

    copyrightLink.contents.setText(copyrightNotice);
    copyrightLink.contents.setUrl(copyrightAddress);
    copyrightLink.contents.setFont(linkFont.handle);
    copyrightLink.contents.setColour(linkColour);
    copyrightLink.contents.createAt(parent, 112, 355);

    homeLink.contents.setText(homePageAddress);
    homeLink.contents.setUrl(homePageAddress);
    homeLink.contents.setFont(linkFont.handle);
    homeLink.contents.setColour(linkColour);
    homeLink.contents.createAt(parent, 155, 372);

    const WPARAM font = reinterpret_cast<WPARAM>(listFont.handle);
    processListBox.contents.createChild(parent, 1001, 20, 90);
    SendMessageA(processListBox.handle, WM_SETFONT, font, 1);
    moduleListBox.contents.createChild(parent, 1002, 240, 90);
    SendMessageA(moduleListBox.handle, WM_SETFONT, font, 1);
    pathBox.contents.createChild(parent, 1003, 20, 310);
    SendMessageA(pathBox.handle, WM_SETFONT, font, 1);

    processListBox.contents.refill();
    refreshModules();
    processListBox.setFocus();
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
    if (id == IDM_REFRESH) {
        window.contents.processListBox.contents.refill();
        window.contents.refreshModules();
        return true;
    }
    return false;
}

CreateParams mainWindowParams()
{
    CreateParams params = {};
    params.cy = 430;
    params.cx = 467;
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
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            return message.wParam;
        // -1 is a failure, not a message: never spin on it.
        if (got == -1)
            throw WindowsError(GetLastError());
        // Each call may deliver the message to a window procedure, which
        // keeps a handler's exception for this loop to raise.
        const bool translated =
            TranslateAcceleratorA(params.acceleratorWindow, params.accelerators, &message) != 0;
        rethrowKeptException();
        if (translated)
            continue;
        const bool navigated = IsDialogMessageA(params.dialogWindow, &message) != 0;
        rethrowKeptException();
        if (navigated)
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        rethrowKeptException();
    }
}

} // namespace Windows

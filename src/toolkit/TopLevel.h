#pragma once

// What every top-level window of the program does alike: its frame scaled
// with its DPI, laid out again at a new DPI where Windows suggests, the focus
// given back to the child that last had it, UTF-16 notices, and its keys.
#include <windows.h>

namespace Toolkit {

// The contents of a top-level window derive from this and pass every message
// to common() before their own handling.
struct TopLevelContents {
    virtual ~TopLevelContents() = default;

    // Fonts, places and sizes of the children at dpi, from their measures at
    // 96 DPI: at creation on a monitor not at 96 DPI, and on every change.
    virtual void scaleTo(int dpi) = 0;

    // WM_NCCREATE, WM_DPICHANGED, WM_SETFOCUS, WM_NOTIFYFORMAT and
    // WM_TAKEKEYS: true when handled, with the window procedure's answer.
    bool common(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Once the children stand at their 96-DPI places: the window laid out at
    // its monitor's DPI and sized as `outer96` is at 96 DPI. Nothing at 96.
    void fitToDpi(HWND window, SIZE outer96);

    // A child gained the focus: it gets it back when the window is focused
    // again (minimising takes it from the child before the window loses it).
    void noteFocus(HWND child) { lastFocus = child; }

    HWND lastFocus = nullptr;
    HWND firstFocus = nullptr;     // before any child had the focus
    HACCEL accelerators = nullptr; // the window's keys, commands to itself
    int dpi = 96;
};

} // namespace Toolkit

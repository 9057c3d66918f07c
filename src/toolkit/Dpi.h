#pragma once

// The DPI a window is shown at, and measures scaled to it.
#include <windows.h>

// Older headers of the 32-bit build leave it out; every Windows that sends it
// uses this number.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace Toolkit {

// The DPI a window is shown at: its monitor's where the platform tells it
// (Windows 10 1607 for the window, 8.1 for its monitor), the system's before.
// Those functions are looked up when called, so each build still starts on
// its oldest Windows.
int windowDpi(HWND window);

// A measure given at 96 DPI, at dpi, rounded as the platform rounds.
inline int scaled(int value, int dpi) { return MulDiv(value, dpi, 96); }

// The outer size, at dpi, of a window of these styles whose client area at
// 96 DPI is that of a window of outer size at96: the client area scaled, the
// frame as the platform draws it for a window at dpi.
SIZE outerSizeAt(SIZE at96, LONG style, DWORD exStyle, int dpi);

// Places a top-level window in the rectangle WM_DPICHANGED suggests (its
// lParam), without changing its z-order or activating it.
void placeAsSuggested(HWND window, LPARAM suggested);

// Has the platform scale a top-level window's frame with its DPI where only
// asking makes it (Windows 10 1607 in the first per-monitor form); called at
// WM_NCCREATE.
void enableFrameScaling(HWND window);

} // namespace Toolkit

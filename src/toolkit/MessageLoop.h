#pragma once

// The program's one message loop. Each top-level window answers for its own
// keys: before a message is dispatched, the top-level window it belongs to is
// asked whether it takes it.
#include <windows.h>

namespace Windows {

// Sent to a top-level window with the message (lParam: MSG*) before it is
// dispatched; a window that took it as one of its keys answers nonzero.
const UINT WM_TAKEKEYS = WM_APP + 0x3A00;

// Runs until WM_QUIT and returns its wParam. A failed GetMessage raises
// WindowsError, and so does a window procedure's kept exception.
WPARAM runMessageLoop();

// A top-level window's answer to WM_TAKEKEYS: its accelerators (commands to
// itself; none when null), then dialog navigation among its children.
bool takeKeys(HWND window, HACCEL accelerators, MSG& message);

} // namespace Windows

#pragma once

// The program's one message loop. Each top-level window answers for its own
// keys: before a keyboard message is dispatched, the top-level window it
// belongs to is asked whether it takes it (WM_TAKEKEYS); every other message
// is dispatched directly.
#include <windows.h>

#include "PrivateMessages.h"

namespace Toolkit {

// Runs until WM_QUIT and returns its wParam. A failed GetMessage raises
// WindowsError, and so does a window procedure's kept exception.
WPARAM runMessageLoop();

// A top-level window's answer to WM_TAKEKEYS: its accelerators (commands to
// itself; none when null), then dialog navigation among its children.
bool takeKeys(HWND window, HACCEL accelerators, MSG& message);

} // namespace Toolkit

#pragma once

// The common controls' window classes, from the system folder's comctl32.
#include <windows.h>

namespace Toolkit {

// Registers the common controls' window classes named by `classes` (ICC_*)
// from the system folder's comctl32, which then stays loaded as long as the
// program runs, as windows of its classes may. False when it cannot be had.
bool useCommonControls(DWORD classes);

} // namespace Toolkit

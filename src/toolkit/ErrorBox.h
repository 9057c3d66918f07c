#pragma once

// A platform failure told to the user in a box, in the system's words.
#include <windows.h>

#include <cstdint>

namespace Toolkit {

// The code's text in a box over `owner` (null: none) with that caption and
// icon (MB_ICON*, or 0 for none); returns when the user closes it.
void tellError(HWND owner, uint32_t code, const char* caption, UINT icon);

} // namespace Toolkit

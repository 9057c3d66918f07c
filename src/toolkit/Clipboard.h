#pragma once

// UTF-16 text put on the clipboard.
#include <windows.h>

#include <cstdint>

namespace Toolkit {

// Puts UTF-16 text on the clipboard (the system makes the 8-bit forms). A
// clipboard another program holds is tried again for a quarter of a second;
// then, as for any other failure, raises WindowsError.
void putOnClipboard(HWND owner, const wchar_t* text, uint32_t length);

} // namespace Toolkit

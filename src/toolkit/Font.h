#pragma once

// The program's fonts, at any DPI.
#include <windows.h>

#include "core/Handles.h"

namespace Toolkit {

// The program's face at a height given at 96 DPI, made at dpi.
HFONT madeFont(int height, int weight, DWORD underline, int dpi);

// A font of the program's face, made by a window's contents and deleted by
// them alone; its height is given at 96 DPI.
struct Font {
    Font(int height, int weight, DWORD underline);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font() { DeleteObject(handle); }
    // Makes the font anew at dpi and hands back the handle it replaced, to be
    // deleted once no window draws with it.
    Core::GdiObject remake(int dpi);

    int height;
    int weight;
    DWORD underline;
    HFONT handle;
};

} // namespace Toolkit

#pragma once

// The band with the banner across the top of the main window.
#include <windows.h>

#include "toolkit/Window.h"

namespace Controls {

class TitleBand;

// The pale band across the top: a grey line at each edge and the banner,
// drawn for the DPI the main window lays it out at.
struct TitleBandContents {
    explicit TitleBandContents(TitleBand* band) : owner(band), dpi(96) {}
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND createChild(HWND parent, int x, int y, int width, int height);
    void paint();

    TitleBand* owner;
    int dpi;
};

class TitleBand : public Toolkit::Window {
public:
    TitleBand() : contents(this) {}
    HWND create(const Toolkit::CreateParams& params) override;

    TitleBandContents contents;
    static const Toolkit::ClassAttributes attributes;
};

} // namespace Controls

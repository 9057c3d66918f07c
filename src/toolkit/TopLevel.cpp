// What every top-level window does alike.
#include "TopLevel.h"

#include "Dpi.h"
#include "MessageLoop.h"

namespace Toolkit {

bool TopLevelContents::common(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 1;
    switch (message) {
    case WM_NCCREATE:
        enableFrameScaling(window);
        return false; // the default procedure goes on
    case WM_DPICHANGED:
        // Moved to a monitor of another scaling: laid out anew, in the
        // rectangle the platform suggests for it.
        dpi = HIWORD(wParam);
        scaleTo(dpi);
        placeAsSuggested(window, lParam);
        return true;
    case WM_SETFOCUS:
        if (HWND focus = lastFocus != nullptr ? lastFocus : firstFocus)
            SetFocus(focus);
        return true;
    case WM_NOTIFYFORMAT:
        // The common controls ask: their notices come in UTF-16.
        result = NFR_UNICODE;
        return true;
    case WM_TAKEKEYS:
        result = takeKeys(window, accelerators, *reinterpret_cast<MSG*>(lParam)) ? 1 : 0;
        return true;
    default:
        return false;
    }
}

void TopLevelContents::fitToDpi(HWND window, SIZE outer96)
{
    const int shown = windowDpi(window);
    if (shown == 96)
        return;
    dpi = shown;
    scaleTo(dpi);
    const SIZE outer = outerSizeAt(outer96, GetWindowLongA(window, GWL_STYLE),
                                   static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)), dpi);
    SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace Toolkit

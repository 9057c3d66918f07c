#include "Dpi.h"

#include <initializer_list>

#include "core/Handles.h"

namespace Windows {

namespace {

template <class Function>
Function found(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

HMODULE user32() { return GetModuleHandleA("user32.dll"); }

int systemDpi()
{
    WindowDc screen(nullptr);
    return GetDeviceCaps(screen.dc, LOGPIXELSY);
}

// The frame around a client area at dpi: left and top negative.
RECT frameAt(LONG style, DWORD exStyle, int dpi)
{
    RECT frame = {0, 0, 0, 0};
    using ForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    if (ForDpi adjust = found<ForDpi>(user32(), "AdjustWindowRectExForDpi")) {
        adjust(&frame, static_cast<DWORD>(style), FALSE, exStyle, static_cast<UINT>(dpi));
        return frame;
    }
    // Before, the frame is measured at the system DPI only; at another its
    // parts scale with it.
    AdjustWindowRectEx(&frame, static_cast<DWORD>(style), FALSE, exStyle);
    const int system = systemDpi();
    for (LONG* side : {&frame.left, &frame.top, &frame.right, &frame.bottom})
        *side = MulDiv(*side, dpi, system);
    return frame;
}

} // namespace

int windowDpi(HWND window)
{
    using ForWindow = UINT(WINAPI*)(HWND);
    if (ForWindow forWindow = found<ForWindow>(user32(), "GetDpiForWindow"))
        return static_cast<int>(forWindow(window));
    if (HMODULE shcore = LoadLibraryA("shcore.dll")) {
        using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
        UINT x = 0;
        UINT y = 0;
        HRESULT result = E_NOTIMPL;
        if (ForMonitor forMonitor = found<ForMonitor>(shcore, "GetDpiForMonitor"))
            result = forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), 0 /* effective DPI */, &x, &y);
        FreeLibrary(shcore);
        if (result == S_OK)
            return static_cast<int>(y);
    }
    return systemDpi();
}

SIZE outerSizeAt(SIZE at96, LONG style, DWORD exStyle, int dpi)
{
    const RECT frame96 = frameAt(style, exStyle, 96);
    const RECT frame = frameAt(style, exStyle, dpi);
    const int frameWidth96 = frame96.right - frame96.left;
    const int frameHeight96 = frame96.bottom - frame96.top;
    return {scaled(at96.cx - frameWidth96, dpi) + frame.right - frame.left,
            scaled(at96.cy - frameHeight96, dpi) + frame.bottom - frame.top};
}

} // namespace Windows

// The DPI a window is shown at, and its frame at that DPI.
#include "Dpi.h"

#include <initializer_list>

#include "core/Handles.h"
#include "core/SystemLibrary.h"

using namespace Core;

namespace Toolkit {

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

using ForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// The frame around a client area: left and top negative.
RECT frameFor(ForDpi adjust, LONG style, DWORD exStyle, int dpi)
{
    RECT frame = {0, 0, 0, 0};
    if (adjust != nullptr)
        adjust(&frame, static_cast<DWORD>(style), FALSE, exStyle, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&frame, static_cast<DWORD>(style), FALSE, exStyle);
    return frame;
}

} // namespace

void enableFrameScaling(HWND window)
{
    using Enable = BOOL(WINAPI*)(HWND);
    if (Enable enable = found<Enable>(user32(), "EnableNonClientDpiScaling"))
        enable(window);
}

void placeAsSuggested(HWND window, LPARAM suggested)
{
    const RECT& place = *reinterpret_cast<const RECT*>(suggested);
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int windowDpi(HWND window)
{
    using ForWindow = UINT(WINAPI*)(HWND);
    if (ForWindow forWindow = found<ForWindow>(user32(), "GetDpiForWindow"))
        return static_cast<int>(forWindow(window));
    // Windows 8.1 on; a missing DLL or call answers with the system's DPI.
    const SystemLibrary shcore(L"shcore.dll");
    using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    if (const auto forMonitor = shcore.find<ForMonitor>("GetDpiForMonitor")) {
        UINT x = 0;
        UINT y = 0;
        if (forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), 0 /* effective DPI */, &x, &y) == S_OK)
            return static_cast<int>(y);
    }
    return systemDpi();
}

SIZE outerSizeAt(SIZE at96, LONG style, DWORD exStyle, int dpi)
{
    // From Windows 10 1607 the frame is drawn at the window's DPI (per-monitor
    // version 2, or the first form with its frame scaling enabled). Before,
    // it stays at the system DPI whatever the monitor's: the client area at
    // 96 DPI is found with that frame scaled to 96.
    const ForDpi adjust = found<ForDpi>(user32(), "AdjustWindowRectExForDpi");
    RECT frame96 = frameFor(adjust, style, exStyle, 96);
    const RECT frame = frameFor(adjust, style, exStyle, dpi);
    if (adjust == nullptr) {
        const int system = systemDpi();
        for (LONG* side : {&frame96.left, &frame96.top, &frame96.right, &frame96.bottom})
            *side = MulDiv(*side, 96, system);
    }
    const int frameWidth96 = frame96.right - frame96.left;
    const int frameHeight96 = frame96.bottom - frame96.top;
    return {scaled(at96.cx - frameWidth96, dpi) + frame.right - frame.left,
            scaled(at96.cy - frameHeight96, dpi) + frame.bottom - frame.top};
}

} // namespace Toolkit

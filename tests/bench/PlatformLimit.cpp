// The platform's limit for start-up: a minimal window that also makes the
// calls the program cannot do without before its lists are shown, keeping
// nothing: a Verdana font, one line measured and drawn in it, the process
// snapshot walked to its end and the modules and paths of the process that
// is the program's row 0. Given "in-process" its module reads are served in
// process, as the program's are where Wine cannot read another process.
#include <windows.h>

#include "bench/BareCalls.h"
#include "bench/Yardstick.h"
#include "support/InProcessModules.h"

namespace {

HFONT font = nullptr;
const char line[] = "Current Processes";

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        SelectObject(dc, font);
        TextOutA(dc, 20, 73, line, sizeof(line) - 1);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int run(HINSTANCE instance, int show)
{
    HWND window = Yardstick::create(instance, &procedure, "PlatformLimit", "Limit");
    if (window == nullptr)
        return 1;
    font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Verdana");
    HDC dc = GetDC(window);
    SelectObject(dc, font);
    SIZE extent;
    GetTextExtentPoint32A(dc, line, sizeof(line) - 1, &extent);
    ReleaseDC(window, dc);
    BareCalls::readModules(BareCalls::rowZeroProcess());
    ShowWindow(window, show);
    UpdateWindow(window);
    Yardstick::runLoop();
    DeleteObject(font);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    TestSupport::InProcessModules* served =
        lstrcmpA(commandLine, "in-process") == 0 ? new TestSupport::InProcessModules : nullptr;
    const int result = run(instance, show);
    delete served;
    return result;
}

// The yardstick for start-up: a Win32 program that registers a class,
// creates and shows one empty window and runs its loop until closed. Given
// "hidden" it shows nothing: a process that takes no focus from anyone.
#include <windows.h>

#include "bench/Yardstick.h"

namespace {
LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    HWND window = Yardstick::create(instance, &procedure, "MinimalWindow", "Minimal");
    if (window == nullptr)
        return 1;
    if (lstrcmpA(commandLine, "hidden") != 0)
        ShowWindow(window, show);
    Yardstick::runLoop();
    return 0;
}

// The yardstick for start-up: a Win32 program that registers a class,
// creates and shows one empty window and runs its loop until closed. Given
// "hidden" it shows nothing: a process that takes no focus from anyone.
#include <windows.h>

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
    WNDCLASSEXA record = {};
    record.cbSize = sizeof(record);
    record.lpfnWndProc = &procedure;
    record.hInstance = instance;
    record.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    record.lpszClassName = "MinimalWindow";
    if (!RegisterClassExA(&record))
        return 1;
    HWND window = CreateWindowExA(0, "MinimalWindow", "Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 467, 430,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    if (lstrcmpA(commandLine, "hidden") != 0)
        ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

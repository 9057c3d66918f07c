#pragma once

// What both start-up yardsticks do alike, so that the limit window is the
// minimal window plus its own calls and nothing else: one class and one
// top-level window of the program's size, and a loop until closed.
#include <windows.h>

namespace Yardstick {

// Registers the class and creates its window, not yet shown; null on failure.
inline HWND create(HINSTANCE instance, WNDPROC procedure, const char* className, const char* title)
{
    WNDCLASSEXA record = {};
    record.cbSize = sizeof(record);
    record.lpfnWndProc = procedure;
    record.hInstance = instance;
    record.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    record.lpszClassName = className;
    if (!RegisterClassExA(&record))
        return nullptr;
    return CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 467, 430, nullptr, nullptr,
                           instance, nullptr);
}

inline void runLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace Yardstick

// The program with its first class brush refused at static initialisation.
// Says on its standard error what happened, for the test that starts it.
#include <windows.h>

#include "app/Entry.h"
#include "support/ImportSwap.h"

namespace {

void say(const char* text)
{
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, lstrlenA(text), &written, nullptr);
}

HBRUSH WINAPI refusedBrush(COLORREF)
{
    say("brush refused\n");
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

int WINAPI boxShown(HWND, LPCSTR, LPCSTR, UINT)
{
    say("box shown\n");
    ExitProcess(77);
}

// Ahead of every initialiser of default priority, the brushes' among them.
struct RefuseBrushes {
    TestSupport::ImportSwap brush{"gdi32.dll", "CreateSolidBrush", reinterpret_cast<void*>(&refusedBrush)};
    TestSupport::ImportSwap box{"user32.dll", "MessageBoxA", reinterpret_cast<void*>(&boxShown)};
} refuseBrushes __attribute__((init_priority(101)));

} // namespace

int main()
{
    say("entry ran\n");
    return App::runProgram(GetModuleHandleA(nullptr), SW_HIDE);
}

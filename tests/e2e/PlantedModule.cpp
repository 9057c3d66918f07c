// A DLL planted beside the program under a system DLL's name: loaded, it
// leaves "<its path>.loaded" behind, and refuses to stay.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    lstrcpyW(path + length, L".loaded");
    CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return FALSE;
}

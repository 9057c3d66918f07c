// DLLs taken from the system folder by their full path.
#include "SystemLibrary.h"

namespace Core {

SystemLibrary::SystemLibrary(const wchar_t* name) : module(nullptr)
{
    wchar_t path[MAX_PATH + 32];
    const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
    if (folder == 0 || folder >= MAX_PATH || lstrlenW(name) > 30)
        return;
    path[folder] = L'\\';
    lstrcpyW(path + folder + 1, name);
    // The altered search takes what the DLL imports from its own folder too.
    module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::~SystemLibrary()
{
    if (module != nullptr)
        FreeLibrary(module);
}

void searchSystemFolderOnly()
{
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    using SetDirectory = BOOL(WINAPI*)(LPCWSTR);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (set != nullptr && set(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Without it (XP, and Vista or 7 without their loader update) the
    // program's folder is still searched first; the current folder at least
    // is taken out of the search (XP SP1 on).
    const auto setOne = reinterpret_cast<SetDirectory>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
    if (setOne != nullptr)
        setOne(L"");
}

} // namespace Core

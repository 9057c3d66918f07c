#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "details/VersionResource.h"
#include "support/ImportSwap.h"
#include "toolkit/Dpi.h"

using TestSupport::ImportSwap;
using namespace Toolkit;
using namespace Details;

namespace {
// Windows 8.1 to 10 1511: no GetDpiForWindow, so shcore is asked.
decltype(&GetProcAddress) realLookup = nullptr;
FARPROC WINAPI withoutForDpi(HMODULE module, LPCSTR name)
{
    const bool byName = HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0;
    return byName && std::string(name) == "GetDpiForWindow" ? nullptr : realLookup(module, name);
}
std::vector<std::wstring> loaded;
decltype(&LoadLibraryExW) realLoad = nullptr;
HMODULE WINAPI recordingLoad(LPCWSTR name, HANDLE file, DWORD flags)
{
    loaded.push_back(name);
    return realLoad(name, file, flags);
}
} // namespace

// A DLL of the program's folder, the current folder or PATH never runs in
// it: every DLL is loaded by its full path in the system folder.
TEST(SystemLibraryTest, DllsComeFromTheSystemFolderByFullPath)
{
    ImportSwap lookup("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&withoutForDpi));
    realLookup = lookup.original<decltype(realLookup)>();
    ImportSwap load("kernel32.dll", "LoadLibraryExW", reinterpret_cast<void*>(&recordingLoad));
    realLoad = load.original<decltype(realLoad)>();
    loaded.clear();
    EXPECT_GE(windowDpi(GetDesktopWindow()), 96);
    FileVersion read;
    VersionReader().read(L"C:\\windows\\system32\\kernel32.dll", read);
    EXPECT_TRUE(read.versioned);
    wchar_t system[MAX_PATH];
    const std::wstring folder(system, GetSystemDirectoryW(system, MAX_PATH));
    ASSERT_GE(loaded.size(), 2u);
    for (const std::wstring& name : loaded) {
        EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), int(folder.size()), folder.c_str(),
                                 int(folder.size())), CSTR_EQUAL) << name;
        EXPECT_EQ(name.rfind(L'\\'), folder.size()) << name;
    }
}

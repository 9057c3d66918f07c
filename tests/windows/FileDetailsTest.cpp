#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>

#include "details/FileDetails.h"
#include "support/ImportSwap.h"
#include "support/SiblingPath.h"

using TestSupport::ImportSwap;
using namespace Details;

namespace {
// Windows takes a path of MAX_PATH characters or more only in its \\?\ form,
// and the version calls not at all; Wine takes any.
decltype(&CreateFileW) realCreate = nullptr;
HANDLE WINAPI shortPathsOnly(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                             DWORD flags, HANDLE from)
{
    if (lstrlenW(name) >= MAX_PATH && wcsncmp(name, L"\\\\?\\", 4) != 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return realCreate(name, access, share, security, how, flags, from);
}
using VersionSize = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using VersionInfo = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
VersionSize realSize = nullptr;
VersionInfo realInfo = nullptr;
DWORD WINAPI sizeOfShort(LPCWSTR name, LPDWORD handle)
{
    return lstrlenW(name) < MAX_PATH ? realSize(name, handle) : (SetLastError(ERROR_FILENAME_EXCED_RANGE), 0);
}
BOOL WINAPI infoOfShort(LPCWSTR name, DWORD handle, DWORD size, LPVOID data)
{
    return lstrlenW(name) < MAX_PATH ? realInfo(name, handle, size, data)
                                     : (SetLastError(ERROR_FILENAME_EXCED_RANGE), FALSE);
}
decltype(&GetProcAddress) realLookupOfVersion = nullptr;
FARPROC WINAPI versionLookup(HMODULE module, LPCSTR name)
{
    const FARPROC found = realLookupOfVersion(module, name);
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::string(name) == "GetFileVersionInfoSizeW") {
        realSize = reinterpret_cast<VersionSize>(reinterpret_cast<void*>(found));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&sizeOfShort));
    }
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::string(name) == "GetFileVersionInfoW") {
        realInfo = reinterpret_cast<VersionInfo>(reinterpret_cast<void*>(found));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&infoOfShort));
    }
    return found;
}
} // namespace

// A module deeper than MAX_PATH, as a Node or Electron application's: its
// version, signature and identity read all the same.
TEST(FileDetailsTest, PathLongerThanMaxPathReadWhole)
{
    wchar_t temp[MAX_PATH];
    std::wstring path(temp, GetTempPathW(MAX_PATH, temp));
    path += L"orrimel-long";
    CreateDirectoryW(path.c_str(), nullptr);
    for (int level = 0; level < 4; ++level) {
        path += L"\\" + std::wstring(60, wchar_t(L'a' + level));
        CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr);
    }
    path += L"\\named_module.dll";
    const std::string module = TestSupport::siblingPath("named_module.dll");
    ASSERT_TRUE(CopyFileW(std::wstring(module.begin(), module.end()).c_str(), (L"\\\\?\\" + path).c_str(), FALSE));
    FileDetails read;
    {
        ImportSwap create("kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&shortPathsOnly));
        realCreate = create.original<decltype(realCreate)>();
        ImportSwap lookup("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&versionLookup));
        realLookupOfVersion = lookup.original<decltype(realLookupOfVersion)>();
        EXPECT_TRUE(DetailsReader().read(path.c_str(), read));
    }
    EXPECT_TRUE(read.identity.opened);
    EXPECT_GT(read.identity.size, 0u);
    ASSERT_TRUE(read.version.versioned);
    EXPECT_STREQ(read.version.company.items, L"Tarnwick Test Maker");
    EXPECT_EQ(read.verdict.signature, Details::Signature::Unsigned);
    DeleteFileW((L"\\\\?\\" + path).c_str());
    for (int level = 0; level < 5; ++level) {
        path.erase(path.rfind(L'\\'));
        RemoveDirectoryW((L"\\\\?\\" + path).c_str());
    }
}

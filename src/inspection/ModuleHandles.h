#pragma once

// Reading a process's module handles and paths, as each build must.
#include <windows.h>

#include <cstdint>

#include "ProcessStatus.h"
#include "core/Array.h"

namespace Inspection {

// What differs between the builds in reading a process's modules.
//
// The handles: from a 64-bit process, plain EnumProcessModules shows a 32-bit
// (WoW64) process only as its 64-bit view (the executable, ntdll and the
// wow64 DLLs), so that build asks for every view. The 32-bit build keeps the
// call that Windows XP has.
inline BOOL enumerateModules(HANDLE process, HMODULE* modules, DWORD size, DWORD* needed)
{
#ifdef _WIN64
    return enumProcessModulesEx(process, modules, size, needed, LIST_MODULES_ALL);
#else
    return enumProcessModules(process, modules, size, needed);
#endif
}

// The paths: read from a 64-bit process, a WoW64 process's 32-bit DLLs are
// named under the system folder, as the 32-bit process itself sees them
// through its file-system redirection; the files they are lie in the 32-bit
// system folder. Its 64-bit modules (ntdll, the wow64 DLLs) are what they
// say, and so are its DLLs in the folders the redirector leaves alone. The
// 32-bit build sees no such process and maps nothing.
class SystemFolderMap {
public:
    explicit SystemFolderMap(HANDLE process);
    SystemFolderMap(const SystemFolderMap&) = delete;
    SystemFolderMap& operator=(const SystemFolderMap&) = delete;

    // The path to show for the module: `path` itself, or the same path under
    // the 32-bit system folder, written into `mapped`.
    const wchar_t* apply(HMODULE module, const wchar_t* path, uint32_t& length, Core::Array<wchar_t>& mapped);

private:
#ifdef _WIN64
    Core::Array<HMODULE> thirtyTwoBit; // empty unless the process runs under WoW64
    wchar_t systemFolder[MAX_PATH];
    wchar_t wow64Folder[MAX_PATH];
    uint32_t systemLength = 0;
    uint32_t wow64Length = 0;
#endif
};

#ifndef _WIN64
inline SystemFolderMap::SystemFolderMap(HANDLE) {}
inline const wchar_t* SystemFolderMap::apply(HMODULE, const wchar_t* path, uint32_t&, Core::Array<wchar_t>&)
{
    return path;
}
#endif

} // namespace Inspection

#pragma once

#include <windows.h>
#include <psapi.h>

namespace Windows {

// The handles of a process's modules: the one call that differs between the
// builds. From a 64-bit process, plain EnumProcessModules shows a 32-bit
// (WoW64) process only as its 64-bit view (the executable, ntdll and the
// wow64 DLLs), so that build asks for every view. The 32-bit build keeps the
// call that Windows XP has.
inline BOOL enumerateModules(HANDLE process, HMODULE* modules, DWORD size, DWORD* needed)
{
#ifdef _WIN64
    return EnumProcessModulesEx(process, modules, size, needed, LIST_MODULES_ALL);
#else
    return EnumProcessModules(process, modules, size, needed);
#endif
}

} // namespace Windows

#pragma once

// The process status calls (module handles, names and places), taken from
// kernel32's K32 forms where Windows has them (7 on), else from psapi.dll in
// the system folder by its full path: PSAPI is a known DLL only from Windows
// 7, so on XP and Vista a static import of it would be looked for beside the
// program first. Each call is looked up when made; a Windows without it
// fails the call with ERROR_PROC_NOT_FOUND.
#include <windows.h>
#include <psapi.h>

namespace Inspection {

// The call by its psapi name ("GetModuleFileNameExW"), or null.
FARPROC processStatusCall(const char* name);

DWORD moduleFileName(HANDLE process, HMODULE module, LPWSTR into, DWORD size);
BOOL moduleInformation(HANDLE process, HMODULE module, MODULEINFO* into, DWORD size);
BOOL enumProcessModules(HANDLE process, HMODULE* modules, DWORD size, DWORD* needed);
BOOL enumProcessModulesEx(HANDLE process, HMODULE* modules, DWORD size, DWORD* needed, DWORD filter);

} // namespace Inspection

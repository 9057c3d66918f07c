// The process status calls from wherever this Windows has them.
#include "ProcessStatus.h"

#include "core/SystemLibrary.h"

using namespace Core;

namespace Inspection {

namespace {

template <class Function>
Function call(const char* name)
{
    const auto found = reinterpret_cast<Function>(reinterpret_cast<void*>(processStatusCall(name)));
    if (found == nullptr)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return found;
}

} // namespace

FARPROC processStatusCall(const char* name)
{
    char inKernel[64] = "K32";
    lstrcpynA(inKernel + 3, name, sizeof(inKernel) - 3);
    if (const FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), inKernel))
        return found;
    // Taken once and never freed: another thread may be in it.
    static const HMODULE psapi = SystemLibrary(L"psapi.dll").release();
    return psapi != nullptr ? GetProcAddress(psapi, name) : nullptr;
}

DWORD moduleFileName(HANDLE process, HMODULE module, LPWSTR into, DWORD size)
{
    const auto found = call<decltype(&GetModuleFileNameExW)>("GetModuleFileNameExW");
    return found != nullptr ? found(process, module, into, size) : 0;
}

BOOL moduleInformation(HANDLE process, HMODULE module, MODULEINFO* into, DWORD size)
{
    const auto found = call<decltype(&GetModuleInformation)>("GetModuleInformation");
    return found != nullptr && found(process, module, into, size);
}

BOOL enumProcessModules(HANDLE process, HMODULE* modules, DWORD size, DWORD* needed)
{
    const auto found = call<decltype(&EnumProcessModules)>("EnumProcessModules");
    return found != nullptr && found(process, modules, size, needed);
}

BOOL enumProcessModulesEx(HANDLE process, HMODULE* modules, DWORD size, DWORD* needed, DWORD filter)
{
    using Filtered = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD, DWORD);
    const auto found = call<Filtered>("EnumProcessModulesEx");
    return found != nullptr && found(process, modules, size, needed, filter);
}

} // namespace Inspection

#include "EnumerationSwap.h"

#include <psapi.h>

namespace TestSupport {

namespace {

EnumerateModules current = nullptr;

#ifdef _WIN64
BOOL WINAPI filtered(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed, DWORD filter)
{
    EnumerationSwap::lastFilter = filter;
    return current(process, modules, size, needed);
}
void* const adapter = reinterpret_cast<void*>(&filtered);

using Filtered = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD, DWORD);
Filtered systemFiltered = nullptr;
BOOL WINAPI everyView(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed)
{
    return systemFiltered(process, modules, size, needed, LIST_MODULES_ALL);
}
#else
void* const adapter = nullptr;
#endif

} // namespace

#ifdef _WIN64
const char* const EnumerationSwap::importName = "EnumProcessModulesEx";
#else
const char* const EnumerationSwap::importName = "EnumProcessModules";
#endif
DWORD EnumerationSwap::lastFilter = static_cast<DWORD>(-1);

void* EnumerationSwap::systemFunction = nullptr;

EnumerationSwap::EnumerationSwap(EnumerateModules replacement)
    : previous(current),
      swap("psapi.dll", importName, adapter != nullptr ? adapter : reinterpret_cast<void*>(replacement))
{
    if (previous == nullptr)
        systemFunction = swap.original<void*>();
    current = replacement;
    lastFilter = static_cast<DWORD>(-1);
}

EnumerateModules EnumerationSwap::passOn() const
{
    if (previous != nullptr)
        return previous;
#ifdef _WIN64
    systemFiltered = reinterpret_cast<Filtered>(systemFunction);
    return &everyView;
#else
    return reinterpret_cast<EnumerateModules>(systemFunction);
#endif
}

EnumerationSwap::~EnumerationSwap() { current = previous; }

} // namespace TestSupport

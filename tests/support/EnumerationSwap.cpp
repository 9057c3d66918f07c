#include "EnumerationSwap.h"

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

EnumerationSwap::EnumerationSwap(EnumerateModules replacement)
    : previous(current),
      swap("psapi.dll", importName, adapter != nullptr ? adapter : reinterpret_cast<void*>(replacement))
{
    current = replacement;
    lastFilter = static_cast<DWORD>(-1);
}

EnumerationSwap::~EnumerationSwap() { current = previous; }

} // namespace TestSupport

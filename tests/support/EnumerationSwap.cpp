#include "EnumerationSwap.h"

#include <psapi.h>

namespace TestSupport {

namespace {

EnumerateModules current = nullptr; // the innermost swap's replacement
void* systemFunction = nullptr;     // the import as the outermost swap found it

// What differs between the builds: the call, what its look-up is pointed at
// for a replacement, and the system's function in EnumProcessModules' form.
#ifdef _WIN64
const char* const importName = "EnumProcessModulesEx";

BOOL WINAPI filtered(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed, DWORD filter)
{
    EnumerationSwap::lastFilter = filter;
    return current(process, modules, size, needed);
}
void* entryFor(EnumerateModules) { return reinterpret_cast<void*>(&filtered); }

BOOL WINAPI everyView(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed)
{
    using Filtered = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD, DWORD);
    return reinterpret_cast<Filtered>(systemFunction)(process, modules, size, needed, LIST_MODULES_ALL);
}
EnumerateModules systemEnumeration() { return &everyView; }
#else
const char* const importName = "EnumProcessModules";

void* entryFor(EnumerateModules replacement) { return reinterpret_cast<void*>(replacement); }
EnumerateModules systemEnumeration() { return reinterpret_cast<EnumerateModules>(systemFunction); }
#endif

} // namespace

DWORD EnumerationSwap::lastFilter = static_cast<DWORD>(-1);

EnumerationSwap::EnumerationSwap(EnumerateModules replacement)
    : previous(current), swap(importName, entryFor(replacement))
{
    if (previous == nullptr)
        systemFunction = swap.original<void*>();
    current = replacement;
    lastFilter = static_cast<DWORD>(-1);
}

EnumerationSwap::~EnumerationSwap() { current = previous; }

EnumerateModules EnumerationSwap::passOn() const { return previous != nullptr ? previous : systemEnumeration(); }

} // namespace TestSupport

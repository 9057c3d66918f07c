#pragma once

#include <windows.h>

#include "ProcedureSwap.h"

namespace TestSupport {

using EnumerateModules = BOOL(WINAPI*)(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed);

// For its lifetime, the program's module enumeration calls a replacement of
// EnumProcessModules' form. The 32-bit build calls that function itself;
// the 64-bit build calls EnumProcessModulesEx, which then goes to an adapter
// that notes the filter asked for and hands the rest on.
class EnumerationSwap {
public:
    explicit EnumerationSwap(EnumerateModules replacement);
    EnumerationSwap(const EnumerationSwap&) = delete;
    EnumerationSwap& operator=(const EnumerationSwap&) = delete;
    ~EnumerationSwap();

    // What the enumeration did before this swap: the replacement of an
    // enclosing swap, or the system's function asking for every view.
    EnumerateModules passOn() const;

    // The filter of the last call through EnumProcessModulesEx, or -1 when
    // none came that way since the swap began.
    static DWORD lastFilter;

private:
    EnumerateModules previous;
    ProcedureSwap swap;
};

} // namespace TestSupport

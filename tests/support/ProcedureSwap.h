#pragma once

#include <windows.h>

#include "ImportSwap.h"

namespace TestSupport {

// For its lifetime, the program's look-ups of one process status call (its
// K32 name in kernel32 or its name in psapi.dll, through GetProcAddress)
// find a replacement; the real call comes back when the scope ends. Up to
// four nest, with each other and with other GetProcAddress swaps.
class ProcedureSwap {
public:
    ProcedureSwap(const char* name, void* replacement);
    ProcedureSwap(const ProcedureSwap&) = delete;
    ProcedureSwap& operator=(const ProcedureSwap&) = delete;
    ~ProcedureSwap();

    // The system's call, for replacements that pass a call through.
    template <class F>
    F original() const { return reinterpret_cast<F>(real); }

private:
    int slot;
    void* real;
    ImportSwap swap;
};

} // namespace TestSupport

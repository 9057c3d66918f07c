#include "ProcedureSwap.h"

#include <cstring>
#include <stdexcept>

#include "inspection/ProcessStatus.h"

namespace TestSupport {

namespace {

struct Slot {
    const char* name;
    void* replacement;
    void* previous; // the GetProcAddress this slot's swap replaced
    bool used;
} slots[4];

template <int N>
FARPROC WINAPI lookUp(HMODULE module, LPCSTR name)
{
    const Slot& slot = slots[N];
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 &&
        (std::strcmp(name, slot.name) == 0 || (std::strncmp(name, "K32", 3) == 0 && std::strcmp(name + 3, slot.name) == 0)))
        return reinterpret_cast<FARPROC>(slot.replacement);
    return reinterpret_cast<decltype(&GetProcAddress)>(slot.previous)(module, name);
}

void* const lookUps[] = {reinterpret_cast<void*>(&lookUp<0>), reinterpret_cast<void*>(&lookUp<1>),
                         reinterpret_cast<void*>(&lookUp<2>), reinterpret_cast<void*>(&lookUp<3>)};

// A free slot, filled in before its swap is in place.
int claim(const char* name, void* replacement)
{
    for (int i = 0; i < 4; ++i) {
        if (!slots[i].used) {
            slots[i] = {name, replacement, ImportSwap::current("kernel32.dll", "GetProcAddress"), true};
            return i;
        }
    }
    throw std::runtime_error("more than four procedure swaps at once");
}

} // namespace

ProcedureSwap::ProcedureSwap(const char* name, void* replacement)
    : slot(claim(name, replacement)),
      real(reinterpret_cast<void*>(Inspection::processStatusCall(name))),
      swap("kernel32.dll", "GetProcAddress", lookUps[slot])
{
}

ProcedureSwap::~ProcedureSwap() { slots[slot].used = false; }

} // namespace TestSupport

#pragma once

#include <windows.h>

namespace TestSupport {

// Serves EnumProcessModules and GetModuleFileNameExW from this process's own
// loader list, whatever process is asked about, for as long as it lives. For
// a Wine that cannot read another process's memory (32-bit Wine under
// user-mode emulation); the calls are still made through the program's
// imports, so the program's own work around them is what is measured.
class InProcessModules {
public:
    InProcessModules();
    InProcessModules(const InProcessModules&) = delete;
    InProcessModules& operator=(const InProcessModules&) = delete;
    ~InProcessModules();

private:
    struct Swaps;
    Swaps* swaps;
};

} // namespace TestSupport

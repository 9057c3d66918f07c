#pragma once

#include <windows.h>

#include <cstddef>

namespace TestSupport {

// Reserves every free range of the process's address space below 4 GB, so
// that what it allocates from then on lies above, as it can on 64-bit
// Windows 8 and later, whose high-entropy ASLR Wine does not copy. Returns
// the bytes reserved. For 64-bit processes only.
size_t reserveBelow4GB(HANDLE process);

} // namespace TestSupport

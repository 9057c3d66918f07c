#pragma once

#include <windows.h>

namespace TestSupport {

// Plain calls made from a translation unit of their own: within one function
// the compiler may keep an import's address across a swap, as it takes the
// import table for constant.
DWORD probeTickCount();
BOOL probeBeep();

} // namespace TestSupport

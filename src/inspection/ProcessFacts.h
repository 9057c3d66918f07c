#pragma once

// What can be read of a running process besides its modules: its image
// path, whether it has ended, its bitness and the services it hosts.
#include <windows.h>

#include <cstdint>

#include "core/Array.h"

namespace Inspection {

// The full path of the process's executable, in UTF-16 and NUL-terminated:
// QueryFullProcessImageNameW where it exists (Vista on), its first module's
// path before. False, `into` empty, when it cannot be read.
bool readImagePath(uint32_t processId, Core::Array<wchar_t>& into);

// Whether the process has ended (or never was); a process that cannot be
// opened for want of access still runs.
bool processHasEnded(uint32_t processId);

// 32 or 64 where Windows is 64-bit, 0 where it is not or the process cannot
// be asked.
int processBits(uint32_t processId);

// The names of the services the process hosts, ", " between them,
// NUL-terminated; empty when none (or the service list cannot be read).
// `page` keeps the service list's pages between calls.
void hostedServices(uint32_t processId, Core::Array<BYTE>& page, Core::Array<wchar_t>& into);

} // namespace Inspection

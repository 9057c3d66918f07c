#include "HighAddresses.h"

namespace TestSupport {

size_t reserveBelow4GB(HANDLE process)
{
#ifndef _WIN64
    // Below 4 GB is all a 32-bit process has.
    (void)process;
    return 0;
#else
    const ULONG_PTR limit = ULONG_PTR(1) << 32, granularity = 0x10000;
    size_t reserved = 0;
    ULONG_PTR address = granularity;
    MEMORY_BASIC_INFORMATION region;
    while (address < limit && VirtualQueryEx(process, reinterpret_cast<void*>(address), &region, sizeof(region))) {
        const ULONG_PTR next = reinterpret_cast<ULONG_PTR>(region.BaseAddress) + region.RegionSize;
        const ULONG_PTR start = (address + granularity - 1) & ~(granularity - 1);
        const ULONG_PTR end = next < limit ? next : limit;
        if (region.State == MEM_FREE && end > start &&
            VirtualAllocEx(process, reinterpret_cast<void*>(start), end - start, MEM_RESERVE, PAGE_NOACCESS))
            reserved += end - start;
        address = next;
    }
    return reserved;
#endif
}

} // namespace TestSupport

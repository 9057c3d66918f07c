// The 64-bit suite runs with what it allocates above 4 GB: every block of
// operator new, and so every entry, text and window object the cases make,
// and the stack of the thread that runs the cases. A pointer cut to 32 bits
// anywhere then fails the cases that use it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <new>

#include "support/HighAddresses.h"

namespace {

bool high(const void* block) { return reinterpret_cast<ULONG_PTR>(block) >> 32 != 0; }

// The heaps made before this executable's own initialisation keep free room
// below 4 GB; a heap made once that range is reserved lies above it.
HANDLE highHeap = nullptr;

struct ReservedBelow4GB {
    ReservedBelow4GB()
    {
        TestSupport::reserveBelow4GB(GetCurrentProcess());
        highHeap = HeapCreate(0, 0, 0);
    }
} reserved __attribute__((init_priority(101)));

DWORD WINAPI runAll(void*) { return static_cast<DWORD>(RUN_ALL_TESTS()); }

} // namespace

// Blocks made before the heap existed came from malloc, below 4 GB.
void* operator new(std::size_t size)
{
    void* block = highHeap != nullptr ? HeapAlloc(highHeap, 0, size != 0 ? size : 1) : std::malloc(size + 1);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept
{
    if (high(block))
        HeapFree(highHeap, 0, block);
    else
        std::free(block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // The main thread's stack was placed before anything here ran.
    HANDLE thread = CreateThread(nullptr, 16 << 20, &runAll, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr)
        return 2;
    WaitForSingleObject(thread, INFINITE);
    DWORD result = 2;
    GetExitCodeThread(thread, &result);
    CloseHandle(thread);
    return static_cast<int>(result);
}

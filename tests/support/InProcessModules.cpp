#include "InProcessModules.h"

#include <winternl.h>

#include "EnumerationSwap.h"
#include "ImportSwap.h"
#include "ProcedureSwap.h"

namespace TestSupport {

namespace {

BOOL WINAPI loadedModules(HANDLE, HMODULE* modules, DWORD size, LPDWORD needed)
{
// GCC 12 takes the fs-relative read of the thread block for an array access.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    const PEB* peb = NtCurrentTeb()->ProcessEnvironmentBlock;
#pragma GCC diagnostic pop
    const LIST_ENTRY* head = &peb->Ldr->InMemoryOrderModuleList;
    DWORD count = 0;
    for (const LIST_ENTRY* link = head->Flink; link != head; link = link->Flink, ++count) {
        const auto* entry = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
        if ((count + 1) * sizeof(HMODULE) <= size)
            modules[count] = static_cast<HMODULE>(entry->DllBase);
    }
    *needed = count * sizeof(HMODULE);
    return TRUE;
}

DWORD WINAPI loadedPath(HANDLE, HMODULE module, LPWSTR path, DWORD size)
{
    return GetModuleFileNameW(module, path, size);
}

} // namespace

struct InProcessModules::Swaps {
    EnumerationSwap enumerate{&loadedModules};
    ProcedureSwap name{"GetModuleFileNameExW", reinterpret_cast<void*>(&loadedPath)};
};

InProcessModules::InProcessModules() : swaps(new Swaps) {}

InProcessModules::~InProcessModules() { delete swaps; }

} // namespace TestSupport

#pragma once

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include "inspection/ModuleHandles.h"

// The platform calls the program makes to list processes and modules,
// keeping nothing: what the benchmarks compare the program with.
namespace BareCalls {

// Walks a process snapshot to its end; returns the process that the
// program's list shows as row 0 (the snapshot's second record).
inline DWORD rowZeroProcess()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W record = {};
    record.dwSize = sizeof(record);
    DWORD rowZero = 0;
    int seen = 0;
    for (BOOL more = Process32FirstW(snapshot, &record); more; more = Process32NextW(snapshot, &record))
        if (++seen == 2)
            rowZero = record.th32ProcessID;
    CloseHandle(snapshot);
    return rowZero;
}

// Opens the process and reads the path of each of its modules.
inline void readModules(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr)
        return;
    HMODULE modules[1024];
    DWORD needed = 0;
    if (Inspection::enumerateModules(process, modules, sizeof(modules), &needed)) {
        wchar_t path[MAX_PATH];
        for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 1024; ++i)
            GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
    }
    CloseHandle(process);
}

} // namespace BareCalls

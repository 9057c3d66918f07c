// A running process's image path, state, bitness and services.
#include "ProcessFacts.h"
#include "core/Text.h"

// Vista's; the 32-bit build's headers, declaring XP, lack it.
#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif

#include "ProcessStatus.h"
#include "core/Handles.h"

using namespace Core;

namespace Inspection {

bool readImagePath(uint32_t processId, Core::Array<wchar_t>& into)
{
    // The longest path there is, in UTF-16 units.
    const DWORD room = 32768;
    using Query = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameW")));
    // Vista's limited right opens more processes; XP has only the full one.
    const DWORD limitedQuery = PROCESS_QUERY_LIMITED_INFORMATION;
    KernelHandle process(
        OpenProcess(query != nullptr ? limitedQuery : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    into.dropBack(into.count);
    if (!process.valid())
        return false;
    into.appendRepeated(room, L'\0');
    DWORD length = room;
    if (query != nullptr ? !query(process.get(), 0, into.items, &length)
                         : (length = moduleFileName(process.get(), nullptr, into.items, room)) == 0) {
        into.dropBack(into.count);
        return false;
    }
    into.dropBack(into.count - length - 1);
    into[length] = L'\0';
    return true;
}

bool processHasEnded(uint32_t processId)
{
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process.valid())
        return GetLastError() == ERROR_INVALID_PARAMETER;
    return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

int processBits(uint32_t processId)
{
#ifndef _WIN64
    // A 32-bit Windows has one kind of process.
    BOOL self = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &self) || !self)
        return 0;
#endif
    // The limited right (Vista on) is granted a standard user for services
    // and elevated processes; XP knows only the full one.
    const DWORD limitedQuery = PROCESS_QUERY_LIMITED_INFORMATION;
    KernelHandle opened(OpenProcess(limitedQuery, FALSE, processId));
    if (!opened.valid())
        opened.reset(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    BOOL wow64 = FALSE;
    if (!opened.valid() || !IsWow64Process(opened.get(), &wow64))
        return 0;
    return wow64 ? 32 : 64;
}

void hostedServices(uint32_t processId, Core::Array<BYTE>& page, Core::Array<wchar_t>& into)
{
    into.dropBack(into.count);
    Core::ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager.valid())
        return;
    // The service manager takes at most 256 KB a call; more services come in
    // pages through the resume handle.
    const DWORD most = 256 * 1024;
    DWORD needed = 0;
    DWORD returned = 0;
    DWORD resume = 0;
    for (;;) {
        const BOOL listed =
            EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_ACTIVE, page.items,
                                  page.count, &needed, &returned, &resume, nullptr);
        if (!listed && GetLastError() != ERROR_MORE_DATA)
            break;
        const auto* status = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(page.items);
        for (DWORD i = 0; i < returned; ++i) {
            if (status[i].ServiceStatusProcess.dwProcessId != processId)
                continue;
            if (into.count != 0)
                into.appendRange(L", ", 2);
            into.appendRange(status[i].lpServiceName, Core::textLength(status[i].lpServiceName));
        }
        if (listed)
            break;
        if (returned == 0) {
            // Not one more fitted: a larger page, within the limit.
            if (page.count >= most || needed <= page.count)
                break;
            page.appendRepeated((needed < most ? needed : most) - page.count, BYTE(0));
        }
    }
    if (into.count != 0)
        into.appendRepeated(1, L'\0');
}

} // namespace Inspection

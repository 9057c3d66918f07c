// The process list's rows from a snapshot, and a process's image path.
#include "ProcessList.h"
#include "ProcessStatus.h"


#include "ListRows.h"
#include "core/Errors.h"
#include "core/Handles.h"
#include "core/WideText.h"
#include "toolkit/Window.h"

namespace Windows {

void ProcessList::refill()
{
    ListRows::DrawingSuspended drawing(listBox->handle);
    entries.dropBack(entries.count);
    ListRows::removeAll(listBox->handle);

    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.handle == INVALID_HANDLE_VALUE)
        throw WindowsError(GetLastError());

    // The UTF-16 records: the 8-bit ones convert the name into 260 bytes,
    // which cut a long name in a multi-byte code page, mid-character even.
    PROCESSENTRY32W record;
    record.dwSize = sizeof(record);
    General::String name;
    // The snapshot's first record is not listed.
    if (Process32FirstW(snapshot.handle, &record)) {
        while (Process32NextW(snapshot.handle, &record))
            add(record, name);
    }
    snapshot.close();
    ListRows::select(listBox->handle, 0);
}

void ProcessList::add(const PROCESSENTRY32W& record, General::String& name)
{
    uint32_t length = 0;
    while (length < MAX_PATH && record.szExeFile[length] != L'\0')
        ++length;
    narrowText(record.szExeFile, length, name);
    ListRows::addEntry(listBox->handle, entries,
                       General::OwnerPtr<ProcessEntry>(
                           new ProcessEntry(record.th32ProcessID, name.text(), record.szExeFile, length)),
                       [](const ProcessEntry& entry) { return entry.exeName.text(); });
    if (entries.count != 0 && entries[entries.count - 1]->processId == record.th32ProcessID)
        entries[entries.count - 1]->parentId = record.th32ParentProcessID;
}

ProcessEntry* ProcessList::selectedEntry() { return ListRows::selectedEntry(listBox->handle, entries); }

bool ProcessList::selectProcess(uint32_t processId)
{
    for (uint32_t i = 0; i < entries.count; ++i) {
        if (entries[i]->processId == processId) {
            const int row = ListRows::rowOf(listBox->handle, i);
            if (row < 0)
                return false;
            ListRows::select(listBox->handle, row);
            return true;
        }
    }
    return false;
}

bool readImagePath(uint32_t processId, General::Array<wchar_t>& into)
{
    // The longest path there is, in UTF-16 units.
    const DWORD room = 32768;
    using Query = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameW")));
    // Vista's limited right opens more processes; XP has only the full one.
    const DWORD limitedQuery = 0x1000;
    KernelHandle process(
        OpenProcess(query != nullptr ? limitedQuery : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    into.dropBack(into.count);
    if (!process.valid())
        return false;
    into.appendRepeated(room, L'\0');
    DWORD length = room;
    if (query != nullptr ? !query(process.handle, 0, into.items, &length)
                         : (length = moduleFileName(process.handle, nullptr, into.items, room)) == 0) {
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
    return WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0;
}

LRESULT ProcessList::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    tracking.follow(listBox->handle, message, wParam, lParam);
    return 0;
}

HWND ProcessList::createChild(HWND parent, int id, int x, int y)
{
    return ListRows::createChild(*listBox, parent, id, x, y);
}

} // namespace Windows

#include "ProcessList.h"

#include "ListRows.h"
#include "core/Errors.h"
#include "core/Handles.h"
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

    PROCESSENTRY32 record;
    record.dwSize = sizeof(record);
    // The snapshot's first record is not listed.
    if (Process32First(snapshot.handle, &record)) {
        while (Process32Next(snapshot.handle, &record))
            add(record);
    }
    snapshot.close();
    ListRows::select(listBox->handle, 0);
}

void ProcessList::add(const PROCESSENTRY32& record)
{
    ListRows::addEntry(listBox->handle, entries,
                       General::OwnerPtr<ProcessEntry>(new ProcessEntry(record.th32ProcessID, record.szExeFile)),
                       [](const ProcessEntry& entry) { return entry.exeName.text(); });
}

ProcessEntry* ProcessList::selectedEntry() { return ListRows::selectedEntry(listBox->handle, entries); }

HWND ProcessList::createChild(HWND parent, int id, int x, int y)
{
    return ListRows::createChild(*listBox, parent, id, x, y);
}

} // namespace Windows

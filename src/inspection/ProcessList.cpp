#include "ProcessList.h"

#include <utility>

#include "ListRows.h"
#include "core/Errors.h"
#include "core/Handles.h"
#include "toolkit/Window.h"

namespace Windows {

void ProcessList::refill()
{
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
    General::OwnerPtr<ProcessEntry> entry(new ProcessEntry(record.th32ProcessID, record.szExeFile));
    entries.appendRepeated(1, std::move(entry));
    const uint32_t index = entries.count - 1;
    const int row = ListRows::add(listBox->handle, entries[index]->exeName.text());
    if (row < 0) {
        // A row the control refused must not take item data (row -1 would
        // mean every row), nor leave an entry without its row.
        entries.dropBack(1);
        return;
    }
    ListRows::setItemData(listBox->handle, row, index);
}

ProcessEntry* ProcessList::selectedEntry()
{
    const int row = ListRows::selected(listBox->handle);
    if (row == LB_ERR)
        return nullptr;
    const uint32_t index = ListRows::itemData(listBox->handle, row);
    return index < entries.count ? entries[index].get() : nullptr;
}

HWND ProcessList::createChild(HWND parent, int id, int x, int y)
{
    return ListRows::createChild(*listBox, parent, id, x, y);
}

} // namespace Windows

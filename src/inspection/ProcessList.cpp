// The process list's rows from a snapshot, and a process's image path.
#include "ProcessList.h"
#include "ProcessStatus.h"

#include "ListRows.h"
#include "core/Errors.h"
#include "core/Handles.h"
#include "core/WideText.h"

namespace Inspection {

void ProcessList::refill()
{
    ListRows::DrawingSuspended drawing(listBox->handle);
    entries.dropBack(entries.count);
    ListRows::removeAll(listBox->handle);

    Core::String name;
    eachProcess([this, &name](const PROCESSENTRY32W& record) { add(record, name); });
    ListRows::select(listBox->handle, 0);
}

void ProcessList::add(const PROCESSENTRY32W& record, Core::String& name)
{
    uint32_t length = 0;
    while (length < MAX_PATH && record.szExeFile[length] != L'\0')
        ++length;
    narrowText(record.szExeFile, length, name);
    ListRows::addEntry(listBox->handle, entries,
                       Core::OwnerPtr<ProcessEntry>(
                           new ProcessEntry(record.th32ProcessID, name.text(), record.szExeFile, length)),
                       [](const ProcessEntry& entry) { return entry.exeName.text(); });
    if (entries.count != 0 && entries[entries.count - 1]->processId == record.th32ProcessID)
        entries[entries.count - 1]->parentId = record.th32ParentProcessID;
}

bool ProcessList::selectProcess(uint32_t processId)
{
    for (uint32_t i = 0; i < entries.count; ++i) {
        if (entries[i]->processId == processId)
            return selectEntry(i);
    }
    return false;
}

} // namespace Inspection

#include "ModuleList.h"

#include <psapi.h>

#include "DebugPrivilegeGuard.h"
#include "FileName.h"
#include "ListRows.h"
#include "ModuleHandles.h"
#include "core/Errors.h"
#include "core/Handles.h"
#include "toolkit/Window.h"

namespace Windows {

ModuleEntry::ModuleEntry(const char* fullPath)
    : path(fullPath), nameOffset(General::fileNameOffset(fullPath))
{
}

namespace {

const DWORD processAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
const uint32_t fixedHandles = 1024;

} // namespace

void ModuleList::fill(uint32_t processId)
{
    HWND box = listBox->handle;
    entries.dropBack(entries.count);
    ListRows::removeAll(box);

    KernelHandle process(OpenProcess(processAccess, FALSE, processId));
    DWORD error = process.valid() ? ERROR_SUCCESS : GetLastError();
    DebugPrivilegeGuard guard;

    if (!process.valid() && error == ERROR_ACCESS_DENIED) {
        try {
            guard.enable();
        } catch (...) {
            // Without the privilege the second attempt decides alone.
        }
        process.handle = OpenProcess(processAccess, FALSE, processId);
        error = process.valid() ? ERROR_SUCCESS : GetLastError();
    }

    if (!process.valid()) {
        if (error == ERROR_ACCESS_DENIED)
            ListRows::add(box, "Access Denied");
        else if (error == ERROR_INVALID_PARAMETER)
            ListRows::add(box, "Process Unavailable");
        else
            throw WindowsError(error);
        return;
    }

    HMODULE fixed[fixedHandles];
    HMODULE* modules = fixed;
    DWORD size = sizeof(fixed);
    DWORD needed = 0;
    General::Array<HMODULE> larger;
    bool listed = enumerateModules(process.handle, modules, size, &needed) != 0;
    // More modules than the block holds: enumerate again into one that fits
    // them all, as many times as the process keeps loading more.
    while (listed && needed > size) {
        larger.reallocate(needed / sizeof(HMODULE) + 16);
        modules = larger.items;
        size = larger.capacity * sizeof(HMODULE);
        listed = enumerateModules(process.handle, modules, size, &needed) != 0;
    }
    if (!listed) {
        process.close();
        ListRows::add(box, "Process Unavailable");
        return;
    }

    char path[MAX_PATH];
    const uint32_t moduleCount = needed / sizeof(HMODULE);
    for (uint32_t i = 0; i < moduleCount; ++i) {
        const DWORD length = GetModuleFileNameExA(process.handle, modules[i], path, MAX_PATH);
        if (length == 0)
            continue;
        // A path cut to fit the buffer may come back without its terminator.
        path[length < MAX_PATH ? length : MAX_PATH - 1] = '\0';
        add(path);
    }
    process.close();
    ListRows::select(box, 0);
}

void ModuleList::add(const char* path)
{
    ListRows::addEntry(listBox->handle, entries, General::OwnerPtr<ModuleEntry>(new ModuleEntry(path)),
                       [](const ModuleEntry& entry) { return entry.path.text() + entry.nameOffset; });
}

ModuleEntry* ModuleList::selectedEntry()
{
    // A reason row stands only while there are no entries.
    if (entries.count == 0)
        return nullptr;
    return ListRows::selectedEntry(listBox->handle, entries);
}

HWND ModuleList::createChild(HWND parent, int id, int x, int y)
{
    return ListRows::createChild(*listBox, parent, id, x, y);
}

} // namespace Windows

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
// The longest path a module can have: 32,767 UTF-16 units, three bytes each
// in UTF-8, and the terminator.
const DWORD longestPath = 32767 * 3 + 1;

// The module's full path, NUL-terminated, or null when it cannot be read. A
// path that does not fit comes back cut, with the buffer's size as its
// length: it is read again into a block twice as large until it fits, so the
// common case keeps the fixed buffer and its single read.
const char* readPath(HANDLE process, HMODULE module, char (&fixed)[MAX_PATH], General::Array<char>& larger)
{
    char* buffer = fixed;
    DWORD size = MAX_PATH;
    DWORD length = GetModuleFileNameExA(process, module, buffer, size);
    while (length >= size && size < longestPath) {
        size = size < longestPath / 2 ? size * 2 : longestPath;
        if (larger.capacity < size)
            larger.reallocate(size);
        buffer = larger.items;
        length = GetModuleFileNameExA(process, module, buffer, size);
    }
    if (length == 0)
        return nullptr;
    // Still cut at the longest size: terminated inside the buffer.
    buffer[length < size ? length : size - 1] = '\0';
    return buffer;
}

} // namespace

void ModuleList::fill(uint32_t processId)
{
    HWND box = listBox->handle;
    ListRows::DrawingSuspended drawing(box);
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
    General::Array<char> longPath;
    const uint32_t moduleCount = needed / sizeof(HMODULE);
    for (uint32_t i = 0; i < moduleCount; ++i) {
        if (const char* read = readPath(process.handle, modules[i], path, longPath))
            add(read);
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

#include "ModuleList.h"

#include <psapi.h>

#include "DebugPrivilegeGuard.h"
#include "FileName.h"
#include "ListRows.h"
#include "ModuleHandles.h"
#include "core/Errors.h"
#include "core/Handles.h"
#include "core/WideText.h"
#include "toolkit/Window.h"

namespace Windows {

namespace {

// In a double-byte code page a character's second byte can be 0x5C; the split
// walks such a path a character at a time. UTF-8 and single-byte code pages
// have no lead bytes.
bool isLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

} // namespace

ModuleEntry::ModuleEntry(const char* fullPath)
    : path(fullPath), nameOffset(General::fileNameOffset(fullPath, &isLeadByte))
{
}

namespace {

const DWORD processAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
const uint32_t fixedHandles = 1024;
// The longest path a module can have, in UTF-16 units, and its terminator.
const DWORD longestPath = 32768;

// The module's full path in UTF-16 and its length, or null when it cannot be
// read. Given a buffer too small, Vista to Windows 11 cut the path to one
// character less than the buffer, terminate it and report nothing; XP fills
// the buffer unterminated and returns its size; Wine returns the size,
// terminated. So a result that fills the buffer may be cut: it is read again
// into a block twice as large, up to the longest path there is. The common
// case keeps the fixed buffer and its single read.
const wchar_t* readPath(HANDLE process, HMODULE module, wchar_t (&fixed)[MAX_PATH], General::Array<wchar_t>& larger,
                        uint32_t& length)
{
    wchar_t* buffer = fixed;
    DWORD size = MAX_PATH;
    DWORD read = GetModuleFileNameExW(process, module, buffer, size);
    while (read != 0 && read >= size - 1 && size < longestPath) {
        size = size < longestPath / 2 ? size * 2 : longestPath;
        if (larger.capacity < size)
            larger.reallocate(size);
        buffer = larger.items;
        read = GetModuleFileNameExW(process, module, buffer, size);
    }
    if (read == 0)
        return nullptr;
    // Still filling the longest buffer: the path ends inside it.
    length = read < size ? read : size - 1;
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

    wchar_t path[MAX_PATH];
    General::Array<wchar_t> longPath;
    General::Array<wchar_t> mappedPath;
    General::String text;
    SystemFolderMap folders(process.handle);
    const uint32_t moduleCount = needed / sizeof(HMODULE);
    for (uint32_t i = 0; i < moduleCount; ++i) {
        uint32_t length = 0;
        const wchar_t* read = readPath(process.handle, modules[i], path, longPath, length);
        if (read == nullptr)
            continue;
        read = folders.apply(modules[i], read, length, mappedPath);
        narrowText(read, length, text);
        add(text.text());
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

// The one reader of a process's modules, with the privilege retry.
#include "ModuleReader.h"
#include "ProcessStatus.h"

#include "DebugPrivilegeGuard.h"
#include "ModuleHandles.h"
#include "core/Handles.h"

using namespace Core;

namespace Inspection {

namespace {

const DWORD processAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
const uint32_t firstRoom = 1024;
// The longest path a module can have, in UTF-16 units, and its terminator.
const DWORD longestPath = 32768;

// The module's full path in UTF-16 and its length, or null when it cannot be
// read. Given a buffer too small, Vista to Windows 11 cut the path to one
// character less than the buffer, terminate it and report nothing; XP fills
// the buffer unterminated and returns its size; Wine returns the size,
// terminated. So a result that fills the buffer may be cut: it is read again
// into a block twice as large, up to the longest path there is. The common
// case keeps the fixed buffer and its single read.
const wchar_t* readPath(HANDLE process, HMODULE module, wchar_t (&fixed)[MAX_PATH], Core::Array<wchar_t>& larger,
                        uint32_t& length)
{
    wchar_t* buffer = fixed;
    DWORD size = MAX_PATH;
    DWORD read = moduleFileName(process, module, buffer, size);
    while (read != 0 && read >= size - 1 && size < longestPath) {
        size = size < longestPath / 2 ? size * 2 : longestPath;
        if (larger.capacity < size)
            larger.reallocate(size);
        buffer = larger.items;
        read = moduleFileName(process, module, buffer, size);
    }
    if (read == 0)
        return nullptr;
    // Still filling the longest buffer: the path ends inside it.
    length = read < size ? read : size - 1;
    return buffer;
}

} // namespace

ModuleReader::Outcome ModuleReader::read(uint32_t processId)
{
    text.dropBack(text.count);
    starts.dropBack(starts.count);
    handles.dropBack(handles.count);
    error = 0;

    KernelHandle process(OpenProcess(processAccess, FALSE, processId));
    DWORD code = process.valid() ? ERROR_SUCCESS : GetLastError();
    if (!process.valid() && code == ERROR_ACCESS_DENIED) {
        DebugPrivilegeGuard guard;
        try {
            guard.enable();
        } catch (...) {
            // Without the privilege the second attempt decides alone.
        }
        process.reset(OpenProcess(processAccess, FALSE, processId));
        code = process.valid() ? ERROR_SUCCESS : GetLastError();
    }
    if (!process.valid()) {
        if (code == ERROR_ACCESS_DENIED)
            return AccessDenied;
        if (code == ERROR_INVALID_PARAMETER)
            return Unavailable;
        error = code;
        return Failed;
    }

    if (enumerated.capacity < firstRoom)
        enumerated.reallocate(firstRoom);
    DWORD size = enumerated.capacity * sizeof(HMODULE);
    DWORD needed = 0;
    bool listed = enumerateModules(process.get(), enumerated.items, size, &needed) != 0;
    // More modules than the block holds: enumerate again into one that fits
    // them all, as many times as the process keeps loading more.
    while (listed && needed > size) {
        enumerated.reallocate(needed / sizeof(HMODULE) + 16);
        size = enumerated.capacity * sizeof(HMODULE);
        listed = enumerateModules(process.get(), enumerated.items, size, &needed) != 0;
    }
    if (!listed)
        return Unavailable;
    listModules(process.get(), needed / sizeof(HMODULE));
    return Read;
}

void ModuleReader::listModules(HANDLE process, uint32_t listed)
{
    wchar_t fixed[MAX_PATH];
    SystemFolderMap folders(process);
    for (uint32_t i = 0; i < listed; ++i) {
        const HMODULE module = enumerated.items[i];
        uint32_t length = 0;
        const wchar_t* path = readPath(process, module, fixed, longPath, length);
        if (path == nullptr)
            continue;
        path = folders.apply(module, path, length, mappedPath);
        starts.appendRepeated(1, text.count);
        handles.appendRepeated(1, module);
        text.appendRange(path, length);
        text.appendRepeated(1, L'\0');
    }
}

const wchar_t* reasonText(ModuleReader::Outcome outcome)
{
    return outcome == ModuleReader::AccessDenied  ? L"Access Denied"
           : outcome == ModuleReader::Unavailable ? L"Process Unavailable"
                                                  : nullptr;
}

} // namespace Inspection

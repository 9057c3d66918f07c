// A process's module handles and paths, and the WoW64 folders.
#include "ModuleHandles.h"

#ifdef _WIN64

namespace Inspection {

namespace {

// Folders under the system folder that the redirector leaves alone: a 32-bit
// process that names a file there gets that very file. Driverstore is
// redirected before Windows 7.
struct Exempt {
    const wchar_t* folder;
    int length;
    bool fromWindows7;
};
const Exempt exempt[] = {
    {L"catroot", 7, false},  {L"catroot2", 8, false}, {L"driverstore", 11, true},
    {L"drivers\\etc", 11, false}, {L"logfiles", 8, false}, {L"spool", 5, false},
};

bool windows7OrLater()
{
    const DWORD version = GetVersion();
    const DWORD major = LOBYTE(LOWORD(version));
    const DWORD minor = HIBYTE(LOWORD(version));
    return major > 6 || (major == 6 && minor >= 1);
}

// Whether `rest`, what follows the system folder and its separator, lies in
// a folder the redirector leaves alone.
bool unredirected(const wchar_t* rest, uint32_t length)
{
    static const bool seven = windows7OrLater();
    for (const Exempt& folder : exempt) {
        if (folder.fromWindows7 && !seven)
            continue;
        if (length > static_cast<uint32_t>(folder.length) && rest[folder.length] == L'\\' &&
            CompareStringOrdinal(rest, folder.length, folder.folder, folder.length, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

} // namespace

SystemFolderMap::SystemFolderMap(HANDLE process)
{
    BOOL wow64 = FALSE;
    if (!IsWow64Process(process, &wow64) || !wow64)
        return;
    systemLength = GetSystemDirectoryW(systemFolder, MAX_PATH);
    wow64Length = GetSystemWow64DirectoryW(wow64Folder, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH || wow64Length == 0 || wow64Length >= MAX_PATH)
        return;
    // Which modules are 32-bit: the process's 32-bit view. Without it the
    // paths are shown as the system names them.
    uint32_t room = 256;
    for (;;) {
        thirtyTwoBit.dropBack(thirtyTwoBit.count);
        thirtyTwoBit.appendRepeated(room, HMODULE());
        DWORD needed = 0;
        if (!enumProcessModulesEx(process, thirtyTwoBit.items, room * sizeof(HMODULE), &needed,
                                  LIST_MODULES_32BIT)) {
            thirtyTwoBit.dropBack(thirtyTwoBit.count);
            return;
        }
        const uint32_t listed = needed / sizeof(HMODULE);
        if (listed <= room) {
            thirtyTwoBit.dropBack(room - listed);
            return;
        }
        room = listed + 16;
    }
}

const wchar_t* SystemFolderMap::apply(HMODULE module, const wchar_t* path, uint32_t& length,
                                      Core::Array<wchar_t>& mapped)
{
    if (thirtyTwoBit.count == 0 || length <= systemLength || path[systemLength] != L'\\' ||
        CompareStringOrdinal(path, static_cast<int>(systemLength), systemFolder, static_cast<int>(systemLength),
                             TRUE) != CSTR_EQUAL)
        return path;
    uint32_t i = 0;
    while (i < thirtyTwoBit.count && thirtyTwoBit[i] != module)
        ++i;
    if (i == thirtyTwoBit.count || unredirected(path + systemLength + 1, length - systemLength - 1))
        return path;
    const uint32_t rest = length - systemLength;
    mapped.dropBack(mapped.count);
    mapped.appendRepeated(wow64Length + rest + 1, L'\0');
    for (uint32_t k = 0; k < wow64Length; ++k)
        mapped[k] = wow64Folder[k];
    for (uint32_t k = 0; k < rest; ++k)
        mapped[wow64Length + k] = path[systemLength + k];
    length = wow64Length + rest;
    return mapped.items;
}

} // namespace Inspection

#endif

// Loads the DLL whose full path is its first argument, in any script and at
// any length (or several, their paths joined by '*'; those after a '|' only
// once a file "<report file>.go" appears, which it answers with
// "<report file>.done"), then waits to be ended, so that the program can list it; with
// a second, writes there its process id and the first DLL's base address in hex;
// with "locked" after, leaves its process a security descriptor that grants
// nothing, so that other processes cannot open it:
//   names_helper.exe <dll path> [report file [locked]]
#include <windows.h>
#include <aclapi.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 2 || count > 4)
        return 2;
    wchar_t* later = arguments[1];
    while (*later != L'\0' && *later != L'|')
        ++later;
    if (*later == L'|')
        *later++ = L'\0';
    else
        later = nullptr;
    HMODULE module = nullptr;
    for (wchar_t* path = arguments[1]; path != nullptr;) {
        wchar_t* next = path;
        while (*next != L'\0' && *next != L'*')
            ++next;
        const bool more = *next == L'*';
        *next = L'\0';
        HMODULE loaded = LoadLibraryW(path);
        if (loaded == nullptr)
            return 3;
        module = module != nullptr ? module : loaded;
        path = more ? next + 1 : nullptr;
    }
    if (count == 4) {
        ACL empty;
        if (!InitializeAcl(&empty, sizeof(empty), ACL_REVISION) ||
            SetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &empty,
                            nullptr) != ERROR_SUCCESS)
            return 5;
    }
    if (count >= 3) {
        char report[64];
        const DWORD length = static_cast<DWORD>(
            wsprintfA(report, "%lu %p\n", GetCurrentProcessId(), static_cast<void*>(module)));
        HANDLE file = CreateFileW(arguments[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (file == INVALID_HANDLE_VALUE || !WriteFile(file, report, length, &written, nullptr))
            return 4;
        CloseHandle(file);
    }
    if (later != nullptr && count >= 3) {
        wchar_t signal[MAX_PATH + 8];
        lstrcpynW(signal, arguments[2], MAX_PATH);
        const int length = lstrlenW(signal);
        lstrcpyW(signal + length, L".go");
        for (int i = 0; i < 1800 && GetFileAttributesW(signal) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(100);
        if (LoadLibraryW(later) == nullptr)
            return 6;
        lstrcpyW(signal + length, L".done");
        CloseHandle(CreateFileW(signal, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    Sleep(180000);
    return 0;
}

// The least that listing every process and module can cost: the lister's
// platform calls, and the same text written to standard output as UTF-8,
// keeping nothing. The benchmark times it against orrimel.exe.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cwchar>
#include <string>

#include "inspection/ModuleHandles.h"

namespace {
std::wstring text;
std::string bytes;
void flush(HANDLE out)
{
    bytes.resize(text.size() * 3 + 1);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &bytes[0], int(bytes.size()),
                                         nullptr, nullptr);
    DWORD written = 0;
    WriteFile(out, bytes.data(), DWORD(size), &written, nullptr);
    text.clear();
}
} // namespace

int wmain()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W record = {};
    record.dwSize = sizeof(record);
    wchar_t number[16];
    if (Process32FirstW(snapshot, &record)) {
        while (Process32NextW(snapshot, &record)) {
            std::swprintf(number, 16, L"%lu", record.th32ProcessID);
            text += std::wstring(record.szExeFile) + L" (PID " + number + L")\r\n";
            HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, record.th32ProcessID);
            HMODULE modules[1024];
            DWORD needed = 0;
            if (process == nullptr) {
                text += GetLastError() == ERROR_ACCESS_DENIED ? L"    Access Denied\r\n" : L"    Process Unavailable\r\n";
            } else if (Windows::enumerateModules(process, modules, sizeof(modules), &needed)) {
                wchar_t path[MAX_PATH];
                for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 1024; ++i) {
                    const DWORD length = GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
                    text += L"    " + std::wstring(path, length) + L"\r\n";
                }
            }
            if (process != nullptr)
                CloseHandle(process);
            if (text.size() > 32768)
                flush(out);
        }
    }
    CloseHandle(snapshot);
    flush(out);
    return 0;
}

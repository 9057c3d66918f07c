// The least that listing every process and module can cost: the lister's
// platform calls, and the same text written to standard output as UTF-8,
// keeping nothing. With --details, each distinct file's version resource
// read and its signature verified (embedded, then by catalog), once, in
// this one thread. The benchmark times it against orrimel.exe.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <wincrypt.h>
#include <wintrust.h>
#include <mscat.h>
#include <softpub.h>
#include <wintrust.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

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
LONG verify(WINTRUST_DATA& data)
{
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return result;
}

// The file's version and its signature's answer, as bare as they come.
std::wstring details(const std::wstring& path)
{
    std::wstring said;
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!block.empty() && GetFileVersionInfoW(path.c_str(), 0, DWORD(block.size()), block.data()) &&
        VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
        wchar_t number[48];
        std::swprintf(number, 48, L"  %u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                      HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
        said += number;
    }
    WINTRUST_FILE_INFO file = {sizeof(file), path.c_str(), nullptr, nullptr};
    WINTRUST_DATA data = {};
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    LONG result = verify(data);
    if (result == LONG(TRUST_E_NOSIGNATURE)) {
        HCATADMIN admin = nullptr;
        GUID driver = DRIVER_ACTION_VERIFY;
        HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        BYTE hash[64];
        DWORD size = sizeof(hash);
        if (handle != INVALID_HANDLE_VALUE && CryptCATAdminAcquireContext(&admin, &driver, 0)) {
            HCATINFO catalog = CryptCATAdminCalcHashFromFileHandle(handle, &size, hash, 0)
                                   ? CryptCATAdminEnumCatalogFromHash(admin, hash, size, 0, nullptr)
                                   : nullptr;
            if (catalog != nullptr)
                CryptCATAdminReleaseCatalogContext(admin, catalog, 0);
            CryptCATAdminReleaseContext(admin, 0);
        }
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    said += result == 0 ? L"  signed" : L"  unsigned";
    return said;
}

} // namespace

int wmain(int count, wchar_t** arguments)
{
    const bool withDetails = count > 1 && std::wstring(arguments[1]) == L"--details";
    std::map<std::wstring, std::wstring> verified; // by upper-cased path
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
            } else if (Inspection::enumerateModules(process, modules, sizeof(modules), &needed)) {
                wchar_t path[MAX_PATH];
                for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 1024; ++i) {
                    const DWORD length = GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
                    text += L"    " + std::wstring(path, length);
                    if (withDetails) {
                        std::wstring key(path, length);
                        CharUpperBuffW(&key[0], length);
                        auto known = verified.find(key);
                        if (known == verified.end())
                            known = verified.emplace(key, details(std::wstring(path, length))).first;
                        text += known->second;
                    }
                    text += L"\r\n";
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

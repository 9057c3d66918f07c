#include "RowDetails.h"

#include <psapi.h>

#include <utility>

#include "ModuleList.h"
#include "ProcessList.h"
#include "RowTip.h"
#include "core/Handles.h"

namespace Windows {

namespace {

void assign(General::Array<wchar_t>& into, const wchar_t* text)
{
    into.dropBack(into.count);
    if (text != nullptr)
        into.appendRange(text, static_cast<uint32_t>(lstrlenW(text)));
    into.appendRepeated(1, L'\0');
}

// Whether Windows itself is 64-bit: always for the 64-bit build.
bool windows64()
{
#ifdef _WIN64
    return true;
#else
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

// A string of the version resource, in its first translation.
const wchar_t* versionString(const void* resource, const wchar_t* translation, const wchar_t* name)
{
    wchar_t query[64];
    wsprintfW(query, L"\\StringFileInfo\\%s\\%s", translation, name);
    void* value = nullptr;
    UINT length = 0;
    return VerQueryValueW(resource, query, &value, &length) && length > 0 ? static_cast<const wchar_t*>(value)
                                                                          : nullptr;
}

class ServiceManager {
public:
    ServiceManager() : handle(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE)) {}
    ServiceManager(const ServiceManager&) = delete;
    ServiceManager& operator=(const ServiceManager&) = delete;
    ~ServiceManager()
    {
        if (handle != nullptr)
            CloseServiceHandle(handle);
    }
    SC_HANDLE handle;
};

} // namespace

const RowDetails::Version& RowDetails::version(const wchar_t* modulePath)
{
    const uint32_t length = static_cast<uint32_t>(lstrlenW(modulePath));
    for (uint32_t i = 0; i < versions.count; ++i) {
        const General::Array<wchar_t>& kept = versions[i]->path;
        uint32_t k = 0;
        while (k < length && kept.count == length + 1 && kept[k] == modulePath[k])
            ++k;
        if (k == length && kept.count == length + 1)
            return *versions[i];
    }
    General::OwnerPtr<Version> read(new Version);
    assign(read->path, modulePath);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(modulePath, &ignored);
    block.dropBack(block.count);
    block.appendRepeated(size, BYTE(0));
    if (size != 0 && GetFileVersionInfoW(modulePath, 0, size, block.items)) {
        read->versioned = true;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (VerQueryValueW(block.items, L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr) {
            wchar_t number[48];
            wsprintfW(number, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                      HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
            assign(read->fileVersion, number);
        }
        wchar_t translation[16] = L"040904b0";
        WORD* pair = nullptr;
        if (VerQueryValueW(block.items, L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pair), &length) &&
            length >= 2 * sizeof(WORD))
            wsprintfW(translation, L"%04x%04x", pair[0], pair[1]);
        assign(read->company, versionString(block.items, translation, L"CompanyName"));
        assign(read->description, versionString(block.items, translation, L"FileDescription"));
    }
    versions.appendRepeated(1, std::move(read));
    return *versions[versions.count - 1];
}

void RowDetails::services(uint32_t processId)
{
    hosted.dropBack(hosted.count);
    ServiceManager manager;
    if (manager.handle == nullptr)
        return;
    DWORD needed = 0;
    DWORD returned = 0;
    DWORD resume = 0;
    for (;;) {
        const BOOL listed =
            EnumServicesStatusExW(manager.handle, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_ACTIVE, block.items,
                                  block.count, &needed, &returned, &resume, nullptr);
        if (!listed && GetLastError() != ERROR_MORE_DATA)
            break;
        const auto* status = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(block.items);
        for (DWORD i = 0; i < returned; ++i) {
            if (status[i].ServiceStatusProcess.dwProcessId != processId)
                continue;
            if (hosted.count != 0)
                hosted.appendRange(L", ", 2);
            hosted.appendRange(status[i].lpServiceName, static_cast<uint32_t>(lstrlenW(status[i].lpServiceName)));
        }
        if (listed)
            break;
        block.dropBack(block.count);
        block.appendRepeated(needed + 4096, BYTE(0));
    }
    if (hosted.count != 0)
        hosted.appendRepeated(1, L'\0');
}

const wchar_t* RowDetails::processText(const ProcessEntry& process)
{
    General::ProcessReadings readings = {};
    readings.name = process.wideName.count != 0 ? process.wideName.items : L"";
    readings.processId = process.processId;
    readings.parentId = process.parentId;
    if (windows64()) {
        KernelHandle opened(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process.processId));
        BOOL wow64 = FALSE;
        if (opened.valid() && IsWow64Process(opened.handle, &wow64))
            readings.bits = wow64 ? 32 : 64;
    }
    readings.path = readImagePath(process.processId, path) ? path.items : nullptr;
    readings.ended = readings.path == nullptr && processHasEnded(process.processId);
    services(process.processId);
    readings.services = hosted.count != 0 ? hosted.items : nullptr;
    General::processTip(readings, text);
    return text.items;
}

const wchar_t* RowDetails::moduleText(const ModuleEntry& module, uint32_t processId)
{
    General::ModuleReadings readings = {};
    readings.path = module.widePath.count != 0 ? module.widePath.items : L"";
    const Version& found = version(readings.path);
    readings.versioned = found.versioned;
    readings.fileVersion = found.fileVersion.count != 0 ? found.fileVersion.items : nullptr;
    readings.company = found.company.count != 0 ? found.company.items : nullptr;
    readings.description = found.description.count != 0 ? found.description.items : nullptr;
    KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    MODULEINFO place = {};
    if (process.valid() && module.module != nullptr &&
        GetModuleInformation(process.handle, module.module, &place, sizeof(place))) {
        readings.placed = true;
        readings.base = reinterpret_cast<UINT_PTR>(place.lpBaseOfDll);
        readings.size = place.SizeOfImage;
    } else {
        readings.ended = processHasEnded(processId);
    }
    General::moduleTip(readings, text);
    return text.items;
}

} // namespace Windows

// What a tooltip says of a row: versions, services, bitness, place in memory.
#include "RowDetails.h"
#include "ProcessStatus.h"


#include <utility>

#include "DetailsCache.h"
#include "ModuleList.h"
#include "ProcessList.h"
#include "RowTip.h"
#include "core/Errors.h"
#include "core/Handles.h"

namespace Windows {

namespace {

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

void RowDetails::services(uint32_t processId)
{
    hosted.dropBack(hosted.count);
    ServiceManager manager;
    if (manager.handle == nullptr)
        return;
    // The service manager takes at most 256 KB a call; more services come in
    // pages through the resume handle.
    const DWORD most = 256 * 1024;
    DWORD needed = 0;
    DWORD returned = 0;
    DWORD resume = 0;
    for (;;) {
        const BOOL listed =
            EnumServicesStatusExW(manager.handle, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_ACTIVE, page.items,
                                  page.count, &needed, &returned, &resume, nullptr);
        if (!listed && GetLastError() != ERROR_MORE_DATA)
            break;
        const auto* status = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(page.items);
        for (DWORD i = 0; i < returned; ++i) {
            if (status[i].ServiceStatusProcess.dwProcessId != processId)
                continue;
            if (hosted.count != 0)
                hosted.appendRange(L", ", 2);
            hosted.appendRange(status[i].lpServiceName, static_cast<uint32_t>(lstrlenW(status[i].lpServiceName)));
        }
        if (listed)
            break;
        if (returned == 0) {
            // Not one more fitted: a larger page, within the limit.
            if (page.count >= most || needed <= page.count)
                break;
            page.appendRepeated((needed < most ? needed : most) - page.count, BYTE(0));
        }
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
        // The limited right (Vista on) is granted a standard user for
        // services and elevated processes; XP knows only the full one.
        const DWORD limitedQuery = 0x1000;
        KernelHandle opened(OpenProcess(limitedQuery, FALSE, process.processId));
        if (!opened.valid())
            opened.handle = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process.processId);
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

const wchar_t* RowDetails::moduleText(const ModuleEntry& module, uint32_t processId, DetailsCache& files)
{
    General::ModuleReadings readings = {};
    readings.path = module.widePath.count != 0 ? module.widePath.items : L"";
    const uint32_t length = module.widePath.count != 0 ? module.widePath.count - 1 : 0;
    const auto held = [](const General::Array<wchar_t>& kept) { return kept.count != 0 ? kept.items : nullptr; };
    reason.dropBack(reason.count);
    if (!files.find(readings.path, length, file)) {
        readings.reading = true;
        file.verdict.signature = General::Signature::Pending;
    } else {
        readings.versioned = file.version.versioned;
        readings.fileVersion = held(file.version.fileVersion);
        readings.company = held(file.version.company);
        readings.description = held(file.version.description);
        if (file.verdict.code != 0)
            WindowsError(file.verdict.code).wideText(reason);
    }
    General::signatureLine(file.verdict.signature, held(file.verdict.signer), reason.count != 0 ? reason.items : L"",
                           signatureLine);
    readings.signature = signatureLine.items;
    KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    MODULEINFO place = {};
    if (process.valid() && module.module != nullptr &&
        moduleInformation(process.handle, module.module, &place, sizeof(place))) {
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

#include "Processes.h"

#include <vector>

namespace TestSupport {

StartedProcess::StartedProcess(const std::string& exePath, const std::string& arguments)
{
    std::string command = "\"" + exePath + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info) != 0;
}

StartedProcess::~StartedProcess()
{
    if (started) {
        WaitForSingleObject(info.hProcess, 30000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

CapturedRun runCapturingOutput(std::string commandLine, bool withErrors)
{
    CapturedRun run = {false, ERROR_SUCCESS, 0, std::string()};
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        run.error = GetLastError();
        return run;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = withErrors ? writeEnd : GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    run.started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                 &info) != 0;
    if (!run.started)
        run.error = GetLastError();
    CloseHandle(writeEnd);
    if (run.started) {
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, chunk, sizeof(chunk), &got, nullptr) && got > 0)
            run.output.append(chunk, got);
        WaitForSingleObject(info.hProcess, 60000);
        GetExitCodeProcess(info.hProcess, &run.exitCode);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(readEnd);
    return run;
}

NamedEvent::NamedEvent(const std::string& kind)
    : name("tarnwick-" + kind + "-" + std::to_string(GetCurrentProcessId())),
      handle(CreateEventA(nullptr, TRUE, FALSE, name.c_str()))
{
}

NamedEvent::~NamedEvent() { CloseHandle(handle); }

} // namespace TestSupport

namespace TestSupport {

long ownHandleCount()
{
    // SystemHandleInformation: a count, then one entry a handle, each naming
    // its process by the low 16 bits of the id.
    struct Entry {
        USHORT process;
        USHORT creatorBackTrace;
        UCHAR type;
        UCHAR attributes;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query =
        reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
        return -1;
    const LONG infoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<ULONGLONG> buffer(8192);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG));
        const LONG status = query(16, buffer.data(), size, &needed);
        if (status == infoLengthMismatch) {
            buffer.resize(buffer.size() * 2 + needed / sizeof(ULONGLONG));
            continue;
        }
        if (status != 0)
            return -1;
        const auto* table = reinterpret_cast<const Table*>(buffer.data());
        const USHORT own = static_cast<USHORT>(GetCurrentProcessId());
        long held = 0;
        for (ULONG i = 0; i < table->count; ++i)
            held += table->entries[i].process == own ? 1 : 0;
        return held;
    }
    return -1;
}

} // namespace TestSupport

// Prints the program's figures as "name: value" lines: refresh against a bare
// loop of the same platform calls, start-up against a minimal window, the
// cost per row at growing list sizes, the allocations of a repeated refill.
//   bench.exe [--in-process-modules] <program.exe> <minimal.exe>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "support/InProcessModules.h"
#include "app/MainWindow.h"
#include "inspection/ModuleHandles.h"
#include "support/EnumerationSwap.h"
#include "support/ImportSwap.h"

using TestSupport::EnumerationSwap;
using TestSupport::ImportSwap;
using namespace Windows;

namespace {
long long allocations = 0;
}

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* block = HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1))
        return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { HeapFree(GetProcessHeap(), 0, block); }
void operator delete(void* block, std::size_t) noexcept { HeapFree(GetProcessHeap(), 0, block); }

namespace {

double now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

double quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    const double at = q * double(values.size() - 1);
    const size_t low = size_t(at);
    const size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (at - double(low));
}

void pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void figure(const char* name, double value)
{
    std::printf("%s: %.4g\n", name, value);
    std::fflush(stdout);
}
void figure(const std::string& name, double value) { figure(name.c_str(), value); }
void count(const std::string& name, long long value)
{
    std::printf("%s: %lld\n", name.c_str(), value);
    std::fflush(stdout);
}

// The platform calls of one refresh, keeping nothing: the snapshot walked to
// its end, then the modules and paths of the process that is row 0.
void bareRefresh()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 record = {};
    record.dwSize = sizeof(record);
    DWORD firstListed = 0;
    int seen = 0;
    for (BOOL more = Process32First(snapshot, &record); more; more = Process32Next(snapshot, &record))
        if (++seen == 2)
            firstListed = record.th32ProcessID;
    CloseHandle(snapshot);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, firstListed);
    if (process == nullptr)
        return;
    HMODULE modules[1024];
    DWORD needed = 0;
    if (Windows::enumerateModules(process, modules, sizeof(modules), &needed)) {
        char path[MAX_PATH];
        for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 1024; ++i)
            GetModuleFileNameExA(process, modules[i], path, MAX_PATH);
    }
    CloseHandle(process);
}

void refreshFigures(MainWindow& main, const std::string& prefix)
{
    const int pairs = 200;
    std::vector<double> program, bare, ratios;
    for (int i = 0; i < 20; ++i) { // settle caches and the list boxes' storage
        SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(40001, 1), 0);
        bareRefresh();
    }
    for (int i = 0; i < pairs; ++i) {
        double p = 0, b = 0;
        // Alternate which goes first, so that neither always runs warm.
        for (int half = 0; half < 2; ++half) {
            if ((half == 0) == (i % 2 == 0)) {
                const double start = now();
                SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(40001, 1), 0);
                p = now() - start;
            } else {
                const double start = now();
                bareRefresh();
                b = now() - start;
            }
        }
        pump();
        program.push_back(p);
        bare.push_back(b);
        ratios.push_back(p / b);
    }
    figure(prefix + ".iterations", pairs);
    figure(prefix + ".processes", main.contents.processListBox.contents.entries.count);
    figure(prefix + ".modules_of_row_0", main.contents.moduleListBox.contents.entries.count);
    figure(prefix + ".program_ms.median", quantile(program, 0.5) * 1e3);
    figure(prefix + ".bare_ms.median", quantile(bare, 0.5) * 1e3);
    figure(prefix + ".ratio.median", quantile(ratios, 0.5));
    figure(prefix + ".ratio.p10", quantile(ratios, 0.1));
    figure(prefix + ".ratio.p90", quantile(ratios, 0.9));
}

// Start-up: from CreateProcess until the window is visible and, for the
// program, both of its lists hold rows.
struct Shown {
    DWORD processId;
    const char* className;
    HWND window;
};
BOOL CALLBACK findShown(HWND window, LPARAM lParam)
{
    auto* wanted = reinterpret_cast<Shown*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64];
    if (owner == wanted->processId && GetClassNameA(window, name, sizeof(name)) &&
        std::strcmp(name, wanted->className) == 0 && IsWindowVisible(window)) {
        wanted->window = window;
        return FALSE;
    }
    return TRUE;
}
bool listsFilled(HWND main)
{
    for (const char* list : {"ProcessListBox", "ModuleListBox"}) {
        HWND box = FindWindowExA(main, nullptr, list, nullptr);
        if (box == nullptr || SendMessageA(box, LB_GETCOUNT, 0, 0) <= 0)
            return false;
    }
    return true;
}
double launch(const char* exe, const char* className, bool withLists)
{
    std::string command = std::string("\"") + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    const double start = now();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        std::fprintf(stderr, "bench: cannot start %s (%lu)\n", exe, GetLastError());
        std::exit(1);
    }
    Shown shown = {started.dwProcessId, className, nullptr};
    double elapsed = -1;
    while (now() - start < 120) {
        shown.window = nullptr;
        EnumWindows(&findShown, reinterpret_cast<LPARAM>(&shown));
        if (shown.window != nullptr && (!withLists || listsFilled(shown.window))) {
            elapsed = now() - start;
            break;
        }
        if (WaitForSingleObject(started.hProcess, 1) == WAIT_OBJECT_0)
            break;
    }
    if (shown.window != nullptr)
        PostMessageA(shown.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(started.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(started.hProcess, 1);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    if (elapsed < 0) {
        std::fprintf(stderr, "bench: %s never showed its window\n", exe);
        std::exit(1);
    }
    return elapsed;
}

void startupFigures(const char* programExe, const char* minimalExe)
{
    const int pairs = 12;
    std::vector<double> program, minimal, ratios;
    launch(minimalExe, "MinimalWindow", false); // the first start of all loads the most
    for (int i = 0; i < pairs; ++i) {
        double p, m;
        if (i % 2 == 0) {
            p = launch(programExe, "MainWindow", true);
            m = launch(minimalExe, "MinimalWindow", false);
        } else {
            m = launch(minimalExe, "MinimalWindow", false);
            p = launch(programExe, "MainWindow", true);
        }
        program.push_back(p);
        minimal.push_back(m);
        ratios.push_back(p / m);
    }
    figure("startup.launches", pairs);
    figure("startup.program_ms.median", quantile(program, 0.5) * 1e3);
    figure("startup.minimal_ms.median", quantile(minimal, 0.5) * 1e3);
    figure("startup.ratio.median", quantile(ratios, 0.5));
    figure("startup.ratio.p10", quantile(ratios, 0.1));
    figure("startup.ratio.p90", quantile(ratios, 0.9));
}

// Injected lists of any size: a snapshot of `processes` records after the one
// the list leaves out, and `modules` modules with paths of a common length.
DWORD processes = 0, modules = 0, nextRecord = 0;
HANDLE WINAPI sizedSnapshot(DWORD, DWORD)
{
    nextRecord = 0;
    return CreateEventA(nullptr, TRUE, FALSE, nullptr); // something CloseHandle takes
}
BOOL WINAPI nextProcess(HANDLE, LPPROCESSENTRY32 record)
{
    if (nextRecord > processes) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    record->th32ProcessID = 1000 + nextRecord * 4;
    std::snprintf(record->szExeFile, sizeof(record->szExeFile), "process%05lu.exe", nextRecord);
    ++nextRecord;
    return TRUE;
}
BOOL WINAPI firstProcess(HANDLE snapshot, LPPROCESSENTRY32 record)
{
    nextRecord = 0;
    return nextProcess(snapshot, record);
}
BOOL WINAPI sizedModules(HANDLE, HMODULE* handles, DWORD size, LPDWORD needed)
{
    for (DWORD i = 0; i < modules && (i + 1) * sizeof(HMODULE) <= size; ++i)
        handles[i] = reinterpret_cast<HMODULE>(0x10000000 + i * 0x10000);
    *needed = modules * sizeof(HMODULE);
    return TRUE;
}
DWORD WINAPI sizedPath(HANDLE, HMODULE module, LPSTR path, DWORD size)
{
    const unsigned index = (reinterpret_cast<UINT_PTR>(module) - 0x10000000) / 0x10000;
    return std::snprintf(path, size, "C:\\Program Files\\Measured Vendor\\Shared\\module%05u.dll", index);
}
decltype(&OpenProcess) realOpenProcess = nullptr;
HANDLE WINAPI ownProcess(DWORD access, BOOL inherit, DWORD)
{
    return realOpenProcess(access, inherit, GetCurrentProcessId());
}

// Seconds per row of one operation over n rows: the median of enough runs
// that every size handles about the same number of rows in all.
template <class Operation>
double perRow(DWORD n, Operation operation, int runs = 0)
{
    if (runs == 0)
        runs = std::max<int>(5, int(20000 / n));
    std::vector<double> times;
    operation(); // the list box and the arrays reach their size once
    for (int i = 0; i < runs; ++i) {
        const double start = now();
        operation();
        times.push_back((now() - start) / n);
        pump();
    }
    return quantile(times, 0.5);
}

struct SizedLists {
    ImportSwap snapshot{"kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&sizedSnapshot)};
    ImportSwap first{"kernel32.dll", "Process32First", reinterpret_cast<void*>(&firstProcess)};
    ImportSwap next{"kernel32.dll", "Process32Next", reinterpret_cast<void*>(&nextProcess)};
    ImportSwap open{"kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&ownProcess)};
    EnumerationSwap enumerate{&sizedModules};
    ImportSwap names{"psapi.dll", "GetModuleFileNameExA", reinterpret_cast<void*>(&sizedPath)};
    SizedLists() { realOpenProcess = open.original<decltype(realOpenProcess)>(); }
};

void visibleFigure(MainWindow& main)
{
    SizedLists sized;
    processes = 100;
    const double cost = perRow(processes, [&] { main.contents.processListBox.contents.refill(); }, 5);
    figure("scale.visible_refill_us_per_row.100", cost * 1e6);
}

void scaleFigures(MainWindow& main)
{
    SizedLists sized;
    ProcessList& processList = main.contents.processListBox.contents;
    ModuleList& moduleList = main.contents.moduleListBox.contents;

    double smallest = 0, largest = 0;
    for (DWORD n : {10u, 100u, 1000u, 10000u}) {
        processes = n;
        const double cost = perRow(n, [&] { processList.refill(); });
        if (processList.entries.count != n) {
            std::fprintf(stderr, "bench: %u process rows for %u\n", unsigned(processList.entries.count), unsigned(n));
            std::exit(1);
        }
        figure("scale.refill_us_per_row." + std::to_string(n), cost * 1e6);
        (n == 10 ? smallest : largest) = cost;
    }
    figure("scale.refill.largest_over_smallest", largest / smallest);
    for (DWORD n : {10u, 100u, 1000u, 5000u}) {
        modules = n;
        const double cost = perRow(n, [&] { moduleList.fill(GetCurrentProcessId()); });
        if (moduleList.entries.count != n) {
            std::fprintf(stderr, "bench: %u module rows for %u\n", unsigned(moduleList.entries.count), unsigned(n));
            std::exit(1);
        }
        figure("scale.fill_us_per_row." + std::to_string(n), cost * 1e6);
        (n == 10 ? smallest : largest) = cost;
    }
    figure("scale.fill.largest_over_smallest", largest / smallest);

    // Allocations of a second refill the size of the first. Each row makes
    // its entry and grows its name block by block as the text is appended;
    // the entry array itself keeps its block.
    for (DWORD n : {1000u, 10000u}) {
        processes = n;
        processList.refill();
        const auto* block = processList.entries.items;
        const long long before = allocations;
        processList.refill();
        const long long made = allocations - before;
        const std::string name = "alloc.second_refill." + std::to_string(n);
        count(name + ".total", made);
        count(name + ".per_row", made / n);
        count(name + ".entry_array_new_blocks", processList.entries.items != block ? 1 : 0);
    }
    for (DWORD n : {1000u, 5000u}) {
        modules = n;
        moduleList.fill(GetCurrentProcessId());
        const auto* block = moduleList.entries.items;
        const long long before = allocations;
        moduleList.fill(GetCurrentProcessId());
        const long long made = allocations - before;
        const std::string name = "alloc.second_fill." + std::to_string(n);
        count(name + ".total", made);
        count(name + ".entry_array_new_blocks", moduleList.entries.items != block ? 1 : 0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int arg = 1;
    bool inProcess = false;
    if (arg < argc && std::strcmp(argv[arg], "--in-process-modules") == 0) {
        inProcess = true;
        ++arg;
    }
    if (argc - arg != 2) {
        std::fprintf(stderr, "usage: bench [--in-process-modules] program.exe minimal.exe\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    moduleInstance = GetModuleHandleA(nullptr);
    std::printf("refresh.module_reads: %s\n", inProcess ? "in process" : "real");
    {
        TestSupport::InProcessModules* served = inProcess ? new TestSupport::InProcessModules : nullptr;
        MainWindow main;
        main.create(mainWindowParams());
        ShowWindow(main.handle, SW_SHOW);
        pump();
        refreshFigures(main, "refresh");
        // The same with the lists out of sight: what the program's own work
        // costs, apart from the list boxes redrawing as rows come and go.
        ShowWindow(main.handle, SW_HIDE);
        refreshFigures(main, "refresh_hidden");
        // Under Wine a visible list box redraws its scroll bar on every row
        // added past the first screenful, milliseconds a row: one figure for
        // that, then the sizes measured out of sight.
        ShowWindow(main.handle, SW_SHOW);
        visibleFigure(main);
        ShowWindow(main.handle, SW_HIDE);
        scaleFigures(main);
        delete served;
    }
    startupFigures(argv[arg], argv[arg + 1]);
    return 0;
}

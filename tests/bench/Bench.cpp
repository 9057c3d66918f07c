// Prints the program's figures as "name: value" lines: refresh against a bare
// loop of the same platform calls, window shown and hidden; start-up against
// a minimal window and against the platform's limit; where start-up time
// goes; the cost per row at growing list sizes, shown and hidden; the
// allocations of a repeated refill.
//   bench.exe [--in-process-modules] <program.exe> <minimal.exe> <limit.exe> <helper.exe>
//   bench.exe --phases [--in-process-modules]   one start-up, timed by step
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "support/InProcessModules.h"
#include "app/MainWindow.h"
#include "bench/BareCalls.h"
#include "inspection/ModuleHandles.h"
#include "core/WideText.h"
#include "inspection/ModuleSearch.h"
#include "app/RowDetails.h"
#include "lister/Comparison.h"
#include "lister/ListingDiff.h"
#include "support/EnumerationSwap.h"
#include "support/ImportSwap.h"
#include "support/ProcedureSwap.h"
#include "support/Processes.h"

using TestSupport::EnumerationSwap;
using TestSupport::ImportSwap;
using namespace Toolkit;
using namespace App;
using namespace Inspection;
using namespace Details;

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

DWORD processCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 record = {};
    record.dwSize = sizeof(record);
    DWORD seen = 0;
    for (BOOL more = Process32First(snapshot, &record); more; more = Process32Next(snapshot, &record))
        ++seen;
    CloseHandle(snapshot);
    return seen;
}

DWORD ownModuleCount()
{
    HMODULE modules[1024];
    DWORD needed = 0;
    HANDLE self = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, GetCurrentProcessId());
    Inspection::enumerateModules(self, modules, sizeof(modules), &needed);
    CloseHandle(self);
    return needed / sizeof(HMODULE);
}

// Enough running processes that both lists outgrow their height (hidden
// windowless helpers), and a process of at least 30 modules to select: this
// one, with system DLLs loaded until it has them.
struct Crowd {
    Crowd(const char* helper, DWORD atLeast)
    {
        std::string command = std::string("\"") + helper + "\" hidden";
        while (processCount() < atLeast && started.size() < 200) {
            STARTUPINFOA startup = {};
            startup.cb = sizeof(startup);
            PROCESS_INFORMATION process = {};
            if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                &process))
                break;
            WaitForInputIdle(process.hProcess, 10000);
            CloseHandle(process.hThread);
            started.push_back(process.hProcess);
        }
        for (const char* dll : {"ole32.dll", "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
                                "ws2_32.dll", "winmm.dll", "crypt32.dll", "wininet.dll", "setupapi.dll",
                                "rpcrt4.dll", "imm32.dll", "uxtheme.dll", "secur32.dll", "netapi32.dll",
                                "iphlpapi.dll", "userenv.dll", "version.dll", "dbghelp.dll", "mpr.dll"}) {
            if (ownModuleCount() >= 30)
                break;
            LoadLibraryA(dll);
        }
    }
    ~Crowd()
    {
        for (HANDLE process : started) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    }
    std::vector<HANDLE> started;
};

// The platform calls of one refresh and one selection, keeping nothing: the
// snapshot, the modules of row 0, then those of the selected process.
void bareRefresh(DWORD selected)
{
    BareCalls::readModules(BareCalls::rowZeroProcess());
    BareCalls::readModules(selected);
}

// F5, then a click on this process's row, as the window handles them, and
// the paints they leave pending (also kept apart in lastPaint).
double lastPaint = 0;
double programRefresh(MainWindow& main)
{
    const double start = now();
    SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(40001, 1), 0);
    const double refreshed = now() - start;
    const auto& entries = main.contents.processListBox.contents.entries;
    int row = -1;
    for (uint32_t i = 0; i < entries.count && row < 0; ++i)
        row = entries[i]->processId == GetCurrentProcessId() ? static_cast<int>(i) : -1;
    const double selecting = now();
    SendMessageA(main.contents.processListBox.handle, LB_SETCURSEL, row, 0);
    SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(1001, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(main.contents.processListBox.handle));
    const double painting = now();
    RedrawWindow(main.handle, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    lastPaint = now() - painting;
    return refreshed + (now() - selecting);
}

void refreshFigures(MainWindow& main, const std::string& prefix)
{
    const int pairs = 200;
    std::vector<double> program, bare, ratios, paints;
    for (int i = 0; i < 20; ++i) { // settle caches and the list boxes' storage
        programRefresh(main);
        bareRefresh(GetCurrentProcessId());
        pump();
    }
    for (int i = 0; i < pairs; ++i) {
        double p = 0, b = 0;
        // Alternate which goes first, so that neither always runs warm.
        for (int half = 0; half < 2; ++half) {
            if ((half == 0) == (i % 2 == 0)) {
                p = programRefresh(main);
                paints.push_back(lastPaint);
            } else {
                const double start = now();
                bareRefresh(GetCurrentProcessId());
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
    figure(prefix + ".modules_of_selected", main.contents.moduleListBox.contents.entries.count);
    figure(prefix + ".program_ms.median", quantile(program, 0.5) * 1e3);
    figure(prefix + ".bare_ms.median", quantile(bare, 0.5) * 1e3);
    figure(prefix + ".of_which_paint_ms.median", quantile(paints, 0.5) * 1e3);
    figure(prefix + ".ratio.median", quantile(ratios, 0.5));
    figure(prefix + ".ratio.p10", quantile(ratios, 0.1));
    figure(prefix + ".ratio.p90", quantile(ratios, 0.9));
}

// The platform calls of a search of every process, keeping nothing: the
// snapshot, then each listed process's modules and their paths.
void bareSearch()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W record = {};
    record.dwSize = sizeof(record);
    if (Process32FirstW(snapshot, &record)) {
        while (Process32NextW(snapshot, &record))
            BareCalls::readModules(record.th32ProcessID);
    }
    CloseHandle(snapshot);
}

// The find window: a whole search against the bare calls; a keystroke's
// filter of 20,000 kept modules; the window made and shown with its first
// results against the bare search.
// Two saved listings of 20,000 rows each (200 processes of 100 modules),
// the second with a tenth of the processes replaced and a module changed in
// each: read, then compared, as orrimel --diff does.
void diffFigures()
{
    std::string texts[2];
    for (int side = 0; side < 2; ++side) {
        std::string& text = texts[side];
        text = "Process,PID,Path,Status\r\n";
        char row[160];
        for (int p = 0; p < 200; ++p) {
            const int id = side == 1 && p % 10 == 0 ? 5000 + p : 100 + p;
            for (int m = 0; m < 100; ++m) {
                const int file = side == 1 && m == 50 ? 900 + p : (p * 7 + m * 13) % 2000;
                std::snprintf(row, sizeof(row), "proc%d.exe,%d,C:\\Windows\\System32\\Library%04d.dll,\r\n", p, id,
                              file);
                text += row;
            }
        }
    }
    const int runs = 20;
    std::vector<double> reads, compares, byName;
    uint32_t changes = 0;
    for (int run = 0; run < runs; ++run) {
        Lister::SavedListing listings[2], grouped[2];
        Core::Array<wchar_t> problem, out;
        const double start = now();
        for (int side = 0; side < 2; ++side)
            listings[side].read(texts[side].data(), uint32_t(texts[side].size()), problem);
        const double read = now();
        changes = Lister::compareListings(listings[0], listings[1], &Core::fold, {}, {}, out);
        compares.push_back(now() - read);
        reads.push_back(read - start);
        // A further listing by executable: grouped, then compared.
        const double group = now();
        Lister::groupByExecutable(listings[0], &Core::fold, grouped[0]);
        const double further = now();
        Lister::groupByExecutable(listings[1], &Core::fold, grouped[1]);
        Lister::compareListings(grouped[0], grouped[1], &Core::fold, {}, {false, nullptr, true}, out);
        byName.push_back(now() - further);
        (void)group;
    }
    figure("diff.rows_each", 20000);
    figure("diff.changes", changes);
    figure("diff.read_ms.median", quantile(reads, 0.5) * 1e3);
    figure("diff.compare_ms.median", quantile(compares, 0.5) * 1e3);
    figure("diff.compare_ms.p90", quantile(compares, 0.9) * 1e3);
    figure("diff.by_name_further_ms.median", quantile(byName, 0.5) * 1e3);
    figure("diff.by_name_further_ms.p90", quantile(byName, 0.9) * 1e3);
    // Memory over many listings: the peak working set after 10 and after
    // 1,000 listings of 2,000 rows, compared by the lister's own code.
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring dir = std::wstring(folder) + L"orrimel-bench-listings";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::string small = texts[1].substr(0, texts[1].find("proc20.exe"));
    const auto write = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            wchar_t name[32];
            swprintf(name, 32, L"\\m%04d.csv", i);
            HANDLE file = CreateFileW((dir + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, small.data(), DWORD(small.size()), &written, nullptr);
            CloseHandle(file);
        }
    };
    const auto peakAfter = [&](int count) {
        write(0, count);
        const std::wstring golden = dir + L"\\m0000.csv", pattern = dir + L"\\m*.csv";
        const wchar_t* after[] = {pattern.c_str()};
        Lister::ListerArguments asked;
        asked.mode = Lister::ListerArguments::Diff;
        asked.before = golden.c_str();
        asked.after = after;
        asked.afterCount = 1;
        asked.byName = true;
        Lister::StreamWriter kept;
        Lister::compareListed(asked, {}, {nullptr, nullptr}, kept, kept);
        PROCESS_MEMORY_COUNTERS counters = {};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
        return double(counters.PeakWorkingSetSize) / (1024 * 1024);
    };
    figure("diff.many.peak_mb_after_10", peakAfter(10));
    figure("diff.many.peak_mb_after_1000", peakAfter(1000));
    for (int i = 0; i < 1000; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\m%04d.csv", i);
        DeleteFileW((dir + name).c_str());
    }
    RemoveDirectoryW(dir.c_str());
}

void findFigures(MainWindow& main)
{
    const int pairs = 30;
    std::vector<double> search, bare, ratios, opens, openRatios;
    ModuleSearch finder;
    for (int i = 0; i < pairs + 3; ++i) {
        double f = 0, b = 0;
        for (int half = 0; half < 2; ++half) {
            const double start = now();
            if ((half == 0) == (i % 2 == 0))
                finder.run();
            else
                bareSearch();
            ((half == 0) == (i % 2 == 0) ? f : b) = now() - start;
        }
        if (i < 3)
            continue; // caches settle
        search.push_back(f);
        bare.push_back(b);
        ratios.push_back(f / b);
        DestroyWindow(main.contents.finder.handle);
        pump();
        const double start = now();
        main.contents.openFinder();
        RedrawWindow(main.contents.finder.handle, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        opens.push_back(now() - start);
        openRatios.push_back(opens.back() / b);
    }
    figure("find.processes", finder.index.processes.count);
    figure("find.modules", finder.index.modules.count);
    figure("find.search_ms.median", quantile(search, 0.5) * 1e3);
    figure("find.bare_ms.median", quantile(bare, 0.5) * 1e3);
    figure("find.search.ratio.median", quantile(ratios, 0.5));
    figure("find.search.ratio.p90", quantile(ratios, 0.9));
    figure("find.open_ms.median", quantile(opens, 0.5) * 1e3);
    figure("find.open.ratio.median", quantile(openRatios, 0.5));
    figure("find.open.ratio.p90", quantile(openRatios, 0.9));
    DestroyWindow(main.contents.finder.handle);

    ModuleSearch kept;
    wchar_t path[MAX_PATH];
    for (unsigned p = 0; p < 80; ++p) {
        kept.index.addProcess(1000 + p * 4, L"process.exe", 11);
        for (unsigned m = 0; m < 250; ++m) {
            const int length = std::swprintf(path, MAX_PATH, L"C:\\Program Files\\Measured Vendor %u\\Shared\\Module%05u.dll", p, m);
            kept.index.addModule(path, uint32_t(length));
        }
    }
    Core::Array<Inspection::ModuleIndex::Row> rows;
    std::vector<double> times;
    for (int i = 0; i < 51; ++i) {
        const double start = now();
        kept.filter(L"module00042", 11, rows);
        if (i > 0) // the first folds the paths, once a snapshot
            times.push_back(now() - start);
    }
    if (rows.count != 80) {
        std::fprintf(stderr, "bench: %u rows of a keystroke for 80\n", unsigned(rows.count));
        std::exit(1);
    }
    figure("find.keystroke_ms." + std::to_string(kept.index.modules.count), quantile(times, 0.5) * 1e3);
}

// Preparing one row's tooltip text: a module's, its file's details already
// in the cache (the tip reads no file itself); a process's, services included.
void tipFigures(MainWindow& main)
{
    RowDetails details;
    DetailsCache files;
    const ModuleList& modules = main.contents.moduleListBox.contents;
    const ProcessList& processes = main.contents.processListBox.contents;
    for (uint32_t i = 0; i < modules.entries.count; ++i) {
        const Core::Array<wchar_t>& path = modules.entries[i]->widePath;
        FileDetails answer;
        while (path.count != 0 && !files.find(path.items, path.count - 1, answer))
            Sleep(1);
    }
    std::vector<double> module, process;
    for (int round = 0; round < 5; ++round) {
        for (uint32_t i = 0; i < modules.entries.count; ++i) {
            const double start = now();
            details.moduleText(*modules.entries[i], modules.processId, files);
            module.push_back(now() - start);
        }
        for (uint32_t i = 0; i < processes.entries.count && i < 20; ++i) {
            const double start = now();
            details.processText(*processes.entries[i]);
            process.push_back(now() - start);
        }
    }
    figure("tip.module_ms.median", quantile(module, 0.5) * 1e3);
    figure("tip.module_ms.p90", quantile(module, 0.9) * 1e3);
    figure("tip.process_ms.median", quantile(process, 0.5) * 1e3);
    figure("tip.process_ms.p90", quantile(process, 0.9) * 1e3);
}

// One run of a console program, its standard output sent to a file: the
// seconds from its start to its end, and the bytes it wrote.
double timedRun(const std::string& exe, const char* arguments, const char* outputFile, DWORD& bytes)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE file = CreateFileA(outputFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              &inherit, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "bench: %s could not be made, %lu\n", outputFile, GetLastError());
        std::exit(1);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    startup.hStdInput = nullptr;
    PROCESS_INFORMATION started = {};
    std::string line = "\"" + exe + "\" " + arguments;
    const double start = now();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &started)) {
        std::fprintf(stderr, "bench: %s did not start, %lu\n", exe.c_str(), GetLastError());
        std::exit(1);
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    const double took = now() - start;
    DWORD code = 1;
    GetExitCodeProcess(started.hProcess, &code);
    if (code != 0) {
        std::fprintf(stderr, "bench: %s ended with %lu\n", exe.c_str(), code);
        std::exit(1);
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    bytes = GetFileSize(file, nullptr);
    CloseHandle(file);
    return took;
}

// The console lister's full listing to a file, against a bare program making
// the same platform calls and writing the same text, as whole processes.
void listerFigures(const std::string& lister, const std::string& bare, const std::string& arguments,
                   const std::string& name)
{
    if (GetFileAttributesA(lister.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    const int pairs = 20;
    std::vector<double> listed, bareRuns, ratios;
    DWORD listerBytes = 0, bareBytes = 0;
    for (int i = 0; i < pairs + 2; ++i) {
        double l = 0, b = 0;
        for (int half = 0; half < 2; ++half) {
            if ((half == 0) == (i % 2 == 0))
                l = timedRun(lister, arguments.c_str(), "bench-lister.txt", listerBytes);
            else
                b = timedRun(bare, arguments.c_str(), "bench-bare.txt", bareBytes);
        }
        if (i < 2)
            continue;
        listed.push_back(l);
        bareRuns.push_back(b);
        ratios.push_back(l / b);
    }
    DeleteFileA("bench-lister.txt");
    DeleteFileA("bench-bare.txt");
    figure(name + ".bytes", listerBytes);
    figure(name + ".bare_bytes", bareBytes);
    figure(name + ".listing_ms.median", quantile(listed, 0.5) * 1e3);
    figure(name + ".bare_ms.median", quantile(bareRuns, 0.5) * 1e3);
    figure(name + ".ratio.median", quantile(ratios, 0.5));
    figure(name + ".ratio.p10", quantile(ratios, 0.1));
    figure(name + ".ratio.p90", quantile(ratios, 0.9));
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

// Start-up until both lists are filled, against the two yardsticks started
// in turn with it: an empty window, and one making the platform calls that
// the program cannot do without (the platform's limit).
void startupFigures(const char* programExe, const char* minimalExe, const char* limitExe, const char* limitArguments)
{
    const int rounds = 12;
    const std::string limit = std::string(limitExe) + "\" " + limitArguments + "\"";
    std::vector<double> program, minimal, platform, overMinimal, overLimit;
    launch(minimalExe, "MinimalWindow", false); // the first start of all loads the most
    for (int i = 0; i < rounds; ++i) {
        double times[3];
        // Rotate which goes first.
        for (int k = 0; k < 3; ++k) {
            const int which = (i + k) % 3;
            times[which] = which == 0   ? launch(programExe, "MainWindow", true)
                           : which == 1 ? launch(minimalExe, "MinimalWindow", false)
                                        : launch(limit.c_str(), "PlatformLimit", false);
        }
        program.push_back(times[0]);
        minimal.push_back(times[1]);
        platform.push_back(times[2]);
        overMinimal.push_back(times[0] / times[1]);
        overLimit.push_back(times[0] / times[2]);
    }
    figure("startup.launches", rounds);
    figure("startup.program_ms.median", quantile(program, 0.5) * 1e3);
    figure("startup.minimal_ms.median", quantile(minimal, 0.5) * 1e3);
    figure("startup.limit_ms.median", quantile(platform, 0.5) * 1e3);
    figure("startup.ratio.median", quantile(overMinimal, 0.5));
    figure("startup.ratio.p10", quantile(overMinimal, 0.1));
    figure("startup.ratio.p90", quantile(overMinimal, 0.9));
    figure("startup.over_limit.median", quantile(overLimit, 0.5));
    figure("startup.over_limit.p10", quantile(overLimit, 0.1));
    figure("startup.over_limit.p90", quantile(overLimit, 0.9));
}

// Where one start-up's time goes, measured inside a fresh process of this
// program by timing each platform call the start makes, by step.
// Each step's own time: what a timed call spends inside another timed call
// counts for the inner one only.
enum Step { Registration, Resources, WindowCreation, Fonts, Measure, Snapshot, ModuleReads, Messages, Steps };
const char* const stepNames[Steps] = {"class_registration", "icons_and_cursors", "window_creation", "fonts",
                                      "text_measure", "snapshot", "module_reads", "messages_to_controls"};
double stepTime[Steps] = {};
double* innerTime = nullptr; // of the timed call under way
struct Timed {
    explicit Timed(Step s) : step(s), start(now()), outer(innerTime) { innerTime = &inner; }
    ~Timed()
    {
        const double elapsed = now() - start;
        stepTime[step] += elapsed - inner;
        innerTime = outer;
        if (outer != nullptr)
            *outer += elapsed;
    }
    Step step;
    double start;
    double inner = 0;
    double* outer;
};
decltype(&RegisterClassExA) realRegister;
decltype(&GetClassInfoExA) realClassInfo;
decltype(&CreateFontA) realFont;
decltype(&GetTextExtentPoint32A) realExtent;
decltype(&CreateToolhelp32Snapshot) realSnapshot;
decltype(&Process32FirstW) realFirst;
decltype(&Process32NextW) realNext;
decltype(&OpenProcess) realOpen;
decltype(&GetModuleFileNameExW) realPath;
TestSupport::EnumerateModules realEnumerate;
decltype(&LoadImageA) realImage;
decltype(&LoadCursorA) realCursor;
decltype(&CreateWindowExA) realCreate;
decltype(&SendMessageA) realSend;
HANDLE WINAPI timedImage(HINSTANCE i, LPCSTR n, UINT t, int x, int y, UINT f)
{
    Timed timed(Resources);
    return realImage(i, n, t, x, y, f);
}
HCURSOR WINAPI timedCursor(HINSTANCE i, LPCSTR n) { Timed t(Resources); return realCursor(i, n); }
HWND WINAPI timedCreate(DWORD ex, LPCSTR c, LPCSTR n, DWORD s, int x, int y, int w, int h, HWND p, HMENU m,
                        HINSTANCE i, LPVOID d)
{
    Timed t(WindowCreation);
    return realCreate(ex, c, n, s, x, y, w, h, p, m, i, d);
}
LRESULT WINAPI timedSend(HWND w, UINT m, WPARAM wp, LPARAM lp) { Timed t(Messages); return realSend(w, m, wp, lp); }
ATOM WINAPI timedRegister(const WNDCLASSEXA* c) { Timed t(Registration); return realRegister(c); }
BOOL WINAPI timedClassInfo(HINSTANCE i, LPCSTR n, LPWNDCLASSEXA c) { Timed t(Registration); return realClassInfo(i, n, c); }
HFONT WINAPI timedFont(int h, int w, int e, int o, int wt, DWORD i, DWORD u, DWORD so, DWORD cs, DWORD op, DWORD cp,
                       DWORD q, DWORD pf, LPCSTR f)
{
    Timed t(Fonts);
    return realFont(h, w, e, o, wt, i, u, so, cs, op, cp, q, pf, f);
}
BOOL WINAPI timedExtent(HDC dc, LPCSTR text, int n, LPSIZE size) { Timed t(Measure); return realExtent(dc, text, n, size); }
HANDLE WINAPI timedSnapshot(DWORD f, DWORD id) { Timed t(Snapshot); return realSnapshot(f, id); }
BOOL WINAPI timedFirst(HANDLE h, LPPROCESSENTRY32W r) { Timed t(Snapshot); return realFirst(h, r); }
BOOL WINAPI timedNext(HANDLE h, LPPROCESSENTRY32W r) { Timed t(Snapshot); return realNext(h, r); }
HANDLE WINAPI timedOpen(DWORD a, BOOL i, DWORD id) { Timed t(ModuleReads); return realOpen(a, i, id); }
BOOL WINAPI timedEnumerate(HANDLE p, HMODULE* m, DWORD s, LPDWORD n) { Timed t(ModuleReads); return realEnumerate(p, m, s, n); }
DWORD WINAPI timedPath(HANDLE p, HMODULE m, LPWSTR b, DWORD s) { Timed t(ModuleReads); return realPath(p, m, b, s); }

void phases(bool inProcess)
{
    const double entered = now();
    TestSupport::InProcessModules* served = inProcess ? new TestSupport::InProcessModules : nullptr;
    ImportSwap swaps[] = {
        {"user32.dll", "RegisterClassExA", reinterpret_cast<void*>(&timedRegister)},
        {"user32.dll", "GetClassInfoExA", reinterpret_cast<void*>(&timedClassInfo)},
        {"gdi32.dll", "CreateFontA", reinterpret_cast<void*>(&timedFont)},
        {"gdi32.dll", "GetTextExtentPoint32A", reinterpret_cast<void*>(&timedExtent)},
        {"kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&timedSnapshot)},
        {"kernel32.dll", "Process32FirstW", reinterpret_cast<void*>(&timedFirst)},
        {"kernel32.dll", "Process32NextW", reinterpret_cast<void*>(&timedNext)},
        {"kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&timedOpen)},
        {"user32.dll", "LoadImageA", reinterpret_cast<void*>(&timedImage)},
        {"user32.dll", "LoadCursorA", reinterpret_cast<void*>(&timedCursor)},
        {"user32.dll", "CreateWindowExA", reinterpret_cast<void*>(&timedCreate)},
        {"user32.dll", "SendMessageA", reinterpret_cast<void*>(&timedSend)},
    };
    realRegister = swaps[0].original<decltype(realRegister)>();
    realClassInfo = swaps[1].original<decltype(realClassInfo)>();
    realFont = swaps[2].original<decltype(realFont)>();
    realExtent = swaps[3].original<decltype(realExtent)>();
    realSnapshot = swaps[4].original<decltype(realSnapshot)>();
    realFirst = swaps[5].original<decltype(realFirst)>();
    realNext = swaps[6].original<decltype(realNext)>();
    realOpen = swaps[7].original<decltype(realOpen)>();
    realImage = swaps[8].original<decltype(realImage)>();
    realCursor = swaps[9].original<decltype(realCursor)>();
    realCreate = swaps[10].original<decltype(realCreate)>();
    realSend = swaps[11].original<decltype(realSend)>();
    // Looked up by the program, not imported: replaced through its look-up.
    TestSupport::ProcedureSwap pathSwap("GetModuleFileNameExW", reinterpret_cast<void*>(&timedPath));
    realPath = pathSwap.original<decltype(realPath)>();
    EnumerationSwap enumerate(&timedEnumerate);
    realEnumerate = enumerate.passOn();
    {
        const double start = now();
        MainWindow main;
        main.create(mainWindowParams());
        const double created = now();
        double steps = 0;
        for (int i = 0; i < Steps; ++i) {
            figure(std::string("phase.") + stepNames[i] + "_ms", stepTime[i] * 1e3);
            steps += stepTime[i];
        }
        // What is left of construction and creation once the platform calls
        // above are taken out: the program's own code, and the untimed calls.
        figure("phase.rest_of_creation_ms", (created - start - steps) * 1e3);
        ShowWindow(main.handle, SW_SHOW);
        RedrawWindow(main.handle, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        const double painted = now();
        figure("phase.show_and_first_paint_ms", (painted - created) * 1e3);
        figure("phase.entry_to_painted_ms", (painted - entered) * 1e3);
        // The same clock in every process: the parent takes process start
        // to entry from it.
        std::printf("phase.entered_at_s: %.7f\n", entered);
    }
    delete served;
}

// Runs the phases in fresh processes of this program and prints the median
// of each step, and the time from CreateProcess to the entry.
void phaseFigures(const char* self, bool inProcess)
{
    const int runs = 10;
    std::vector<std::pair<std::string, std::vector<double>>> steps;
    std::vector<double> toEntry;
    for (int run = 0; run < runs; ++run) {
        const std::string command =
            std::string("\"") + self + "\" --phases" + (inProcess ? " --in-process-modules" : "");
        const double launched = now();
        const TestSupport::CapturedRun phases = TestSupport::runCapturingOutput(command, false);
        if (!phases.started) {
            std::fprintf(stderr, "bench: cannot start the phases (%lu)\n", phases.error);
            std::exit(1);
        }
        const std::string& output = phases.output;
        for (size_t at = 0; at < output.size();) {
            const size_t end = std::min(output.find('\n', at), output.size());
            const std::string line = output.substr(at, end - at);
            at = end + 1;
            const size_t colon = line.find(": ");
            if (colon == std::string::npos)
                continue;
            const std::string name = line.substr(0, colon);
            const double value = std::strtod(line.c_str() + colon + 2, nullptr);
            if (name == "phase.entered_at_s") {
                toEntry.push_back(value - launched);
                continue;
            }
            auto found = std::find_if(steps.begin(), steps.end(), [&](const auto& step) { return step.first == name; });
            if (found == steps.end())
                steps.push_back({name, {value}});
            else
                found->second.push_back(value);
        }
    }
    if (toEntry.size() != runs) {
        std::fprintf(stderr, "bench: %zu of %d phase runs reported\n", toEntry.size(), runs);
        std::exit(1);
    }
    figure("phase.runs", runs);
    figure("phase.process_start_to_entry_ms.median", quantile(toEntry, 0.5) * 1e3);
    for (const auto& step : steps)
        figure(step.first + ".median", quantile(step.second, 0.5));
}

// Injected lists of any size: a snapshot of `processes` records after the one
// the list leaves out, and `modules` modules with paths of a common length.
DWORD processes = 0, modules = 0, nextRecord = 0;
HANDLE WINAPI sizedSnapshot(DWORD, DWORD)
{
    nextRecord = 0;
    return CreateEventA(nullptr, TRUE, FALSE, nullptr); // something CloseHandle takes
}
BOOL WINAPI nextProcess(HANDLE, LPPROCESSENTRY32W record)
{
    if (nextRecord > processes) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    record->th32ProcessID = 1000 + nextRecord * 4;
    std::swprintf(record->szExeFile, MAX_PATH, L"process%05lu.exe", nextRecord);
    ++nextRecord;
    return TRUE;
}
BOOL WINAPI firstProcess(HANDLE snapshot, LPPROCESSENTRY32W record)
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
DWORD WINAPI sizedPath(HANDLE, HMODULE module, LPWSTR path, DWORD size)
{
    const unsigned index = (reinterpret_cast<UINT_PTR>(module) - 0x10000000) / 0x10000;
    return std::swprintf(path, size, L"C:\\Program Files\\Measured Vendor\\Shared\\module%05u.dll", index);
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
    ImportSwap first{"kernel32.dll", "Process32FirstW", reinterpret_cast<void*>(&firstProcess)};
    ImportSwap next{"kernel32.dll", "Process32NextW", reinterpret_cast<void*>(&nextProcess)};
    ImportSwap open{"kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&ownProcess)};
    EnumerationSwap enumerate{&sizedModules};
    TestSupport::ProcedureSwap names{"GetModuleFileNameExW", reinterpret_cast<void*>(&sizedPath)};
    SizedLists() { realOpenProcess = open.original<decltype(realOpenProcess)>(); }
};

// Cost per row with the window shown and hidden, at each size; a refill or
// fill includes the one paint it leaves pending.
void scaleFigures(MainWindow& main)
{
    SizedLists sized;
    ProcessList& processList = main.contents.processListBox.contents;
    ModuleList& moduleList = main.contents.moduleListBox.contents;
    const auto painted = [&] { RedrawWindow(main.handle, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); };

    for (const char* view : {"shown", "hidden"}) {
        ShowWindow(main.handle, std::strcmp(view, "shown") == 0 ? SW_SHOW : SW_HIDE);
        pump();
        for (DWORD n : {100u, 1000u, 10000u}) {
            processes = n;
            const double cost = perRow(n, [&] { processList.refill(); painted(); });
            if (processList.entries.count != n) {
                std::fprintf(stderr, "bench: %u process rows for %u\n", unsigned(processList.entries.count), unsigned(n));
                std::exit(1);
            }
            figure(std::string("scale.refill_us_per_row.") + view + "." + std::to_string(n), cost * 1e6);
        }
        for (DWORD n : {100u, 1000u, 5000u}) {
            modules = n;
            const double cost = perRow(n, [&] { moduleList.fill(GetCurrentProcessId()); painted(); });
            if (moduleList.entries.count != n) {
                std::fprintf(stderr, "bench: %u module rows for %u\n", unsigned(moduleList.entries.count), unsigned(n));
                std::exit(1);
            }
            figure(std::string("scale.fill_us_per_row.") + view + "." + std::to_string(n), cost * 1e6);
        }
    }
    ShowWindow(main.handle, SW_HIDE);

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
    bool phasesOnly = false, inProcess = false;
    for (; arg < argc && argv[arg][0] == '-'; ++arg) {
        phasesOnly = phasesOnly || std::strcmp(argv[arg], "--phases") == 0;
        inProcess = inProcess || std::strcmp(argv[arg], "--in-process-modules") == 0;
    }
    moduleInstance = GetModuleHandleA(nullptr);
    if (phasesOnly) {
        phases(inProcess);
        return 0;
    }
    if (argc - arg != 4) {
        std::fprintf(stderr, "usage: bench [--in-process-modules] program.exe minimal.exe limit.exe helper.exe\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("refresh.module_reads: %s\n", inProcess ? "in process" : "real");
    {
        Crowd crowd(argv[arg + 3], 60);
        TestSupport::InProcessModules* served = inProcess ? new TestSupport::InProcessModules : nullptr;
        MainWindow main;
        main.create(mainWindowParams());
        ShowWindow(main.handle, SW_SHOW);
        pump();
        refreshFigures(main, "refresh");
        // The same with the lists out of sight.
        ShowWindow(main.handle, SW_HIDE);
        refreshFigures(main, "refresh_hidden");
        findFigures(main);
        diffFigures();
        tipFigures(main);
        scaleFigures(main);
        delete served;
        // Beside the shipped program, and beside the yardsticks.
        const std::string program = argv[arg], tools = argv[arg + 1];
        const std::string lister = program.substr(0, program.find_last_of('\\') + 1) + "orrimel.exe";
        const std::string bare = tools.substr(0, tools.find_last_of('\\') + 1) + "bare_lister.exe";
        listerFigures(lister, bare, "", "lister");
        // Every distinct file's version and signature: the lister on its
        // threads against the bare calls in one.
        listerFigures(lister, bare, "--details", "lister.details");
    }
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    phaseFigures(self, inProcess);
    startupFigures(argv[arg], argv[arg + 1], argv[arg + 2], inProcess ? "in-process" : "");
    return 0;
}

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "TestWindows.h"
#include "core/Errors.h"
#include "inspection/DebugPrivilegeGuard.h"
#include "inspection/ModuleList.h"
#include "inspection/ModuleSearch.h"
#include "support/EnumerationSwap.h"
#include "support/ImportSwap.h"
#include "support/ProcedureSwap.h"
#include "support/Processes.h"
#include "support/SiblingPath.h"

using TestSupport::EnumerationSwap;
using TestSupport::ImportSwap;
using TestSupport::ProcedureSwap;
using TestSupport::PlainListBox;
using Inspection::ModuleList;

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return char(tolower(c)); });
    return text;
}

std::string ownPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// Every handle the code under test opens, and every one it closes.
struct HandleLedger {
    std::set<HANDLE> open;
    int opened = 0;
} ledger;

decltype(&OpenProcess) realOpenProcess = nullptr;
decltype(&CloseHandle) realCloseHandle = nullptr;
decltype(&OpenProcessToken) realOpenProcessToken = nullptr;
decltype(&AdjustTokenPrivileges) realAdjust = nullptr;

std::vector<DWORD> openResults; // per OpenProcess call: 0 = the real call, else that error
int openCalls = 0;

HANDLE WINAPI scriptedOpenProcess(DWORD access, BOOL inherit, DWORD id)
{
    EXPECT_EQ(access, static_cast<DWORD>(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ));
    EXPECT_FALSE(inherit);
    const DWORD result = openCalls < int(openResults.size()) ? openResults[openCalls] : 0;
    ++openCalls;
    if (result != 0) {
        SetLastError(result);
        return nullptr;
    }
    HANDLE process = realOpenProcess(access, inherit, id);
    if (process != nullptr) {
        ledger.open.insert(process);
        ++ledger.opened;
    }
    return process;
}

const HANDLE neverOpened = reinterpret_cast<HANDLE>(0xBAD); // left by a failed open

// A successful close leaves the last error as it was; this one changes it, so
// that a code read after a close is told from one read before.
const DWORD afterClose = 0xC105Eu;
BOOL WINAPI trackingCloseHandle(HANDLE handle)
{
    EXPECT_NE(handle, neverOpened) << "closed what a failed OpenProcessToken left in its out-handle";
    if (handle == neverOpened)
        return TRUE;
    ledger.open.erase(handle);
    const BOOL closed = realCloseHandle(handle);
    if (closed)
        SetLastError(afterClose);
    return closed;
}

int tokenStep = 0; // which step of enabling fails: 1 open, 2 lookup, 3 adjust, 4 nothing changed
int tokensOpened = 0;

BOOL WINAPI scriptedOpenProcessToken(HANDLE process, DWORD access, HANDLE* token)
{
    EXPECT_EQ(access, static_cast<DWORD>(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY));
    if (tokenStep == 1) {
        *token = neverOpened;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!realOpenProcessToken(process, access, token))
        return FALSE;
    ledger.open.insert(*token);
    ++tokensOpened;
    return TRUE;
}

BOOL WINAPI failingLookup(LPCSTR, LPCSTR name, PLUID)
{
    EXPECT_STREQ(name, "SeDebugPrivilege");
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
}

struct AdjustCall {
    TOKEN_PRIVILEGES newState;
    bool hasPrevious;
    TOKEN_PRIVILEGES handedBack; // the previous state this call reported
};
std::vector<AdjustCall> adjustCalls;
DWORD replacedAttributes = 0; // the state enabling reports it replaced

BOOL WINAPI recordingAdjust(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD length,
                            PTOKEN_PRIVILEGES previous, PDWORD returned)
{
    EXPECT_FALSE(disableAll);
    EXPECT_EQ(length, sizeof(TOKEN_PRIVILEGES));
    adjustCalls.push_back({*newState, previous != nullptr, {}});
    if (previous != nullptr && tokenStep == 3) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (previous != nullptr && tokenStep == 4) {
        previous->PrivilegeCount = 0;
        SetLastError(ERROR_NOT_ALL_ASSIGNED);
        return TRUE;
    }
    BOOL result = realAdjust(token, disableAll, newState, length, previous, returned);
    // What enabling replaced is reported as the test says, so that a restore
    // that puts back anything else shows: Wine may report nothing replaced.
    if (previous != nullptr && result) {
        previous->PrivilegeCount = 1;
        previous->Privileges[0] = newState->Privileges[0];
        previous->Privileges[0].Attributes = replacedAttributes;
    }
    if (previous != nullptr && result)
        adjustCalls.back().handedBack = *previous;
    return result;
}

// The list logic is exercised over this process's own modules, read in
// process, so it does not depend on the platform reading another address space.
BOOL WINAPI inProcessEnum(HANDLE, HMODULE* modules, DWORD size, LPDWORD needed)
{
    const HMODULE own[] = {GetModuleHandleA(nullptr), GetModuleHandleA("ntdll.dll"),
                           GetModuleHandleA("kernel32.dll"), GetModuleHandleA("user32.dll")};
    for (DWORD i = 0; i < 4 && (i + 1) * sizeof(HMODULE) <= size; ++i)
        modules[i] = own[i];
    *needed = sizeof(own);
    return TRUE;
}

DWORD WINAPI inProcessName(HANDLE, HMODULE module, LPWSTR path, DWORD size)
{
    return GetModuleFileNameW(module, path, size);
}

// Replaces the calls that open and close handles, so each test can count them.
struct Watched {
    Watched()
        : open("kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&scriptedOpenProcess)),
          close("kernel32.dll", "CloseHandle", reinterpret_cast<void*>(&trackingCloseHandle)),
          token("advapi32.dll", "OpenProcessToken", reinterpret_cast<void*>(&scriptedOpenProcessToken)),
          adjust("advapi32.dll", "AdjustTokenPrivileges", reinterpret_cast<void*>(&recordingAdjust))
    {
        realOpenProcess = open.original<decltype(realOpenProcess)>();
        realCloseHandle = close.original<decltype(realCloseHandle)>();
        realOpenProcessToken = token.original<decltype(realOpenProcessToken)>();
        realAdjust = adjust.original<decltype(realAdjust)>();
        ledger = HandleLedger();
        openResults.clear();
        openCalls = 0;
        tokenStep = 0;
        tokensOpened = 0;
        adjustCalls.clear();
        replacedAttributes = 0;
    }
    ~Watched() { EXPECT_TRUE(ledger.open.empty()) << ledger.open.size() << " handle(s) left open"; }
    ImportSwap open, close, token, adjust;
};

struct ModuleListTest : ::testing::Test {
    PlainListBox box;
    ModuleList list{&box};
    Watched watched;
    EnumerationSwap enumerate{&inProcessEnum};
    ProcedureSwap names{"GetModuleFileNameExW", reinterpret_cast<void*>(&inProcessName)};
};

// Against the real platform, with no module call replaced.
struct RealLists {
    PlainListBox box;
    ModuleList list{&box};
    Watched watched;
};

void expectRowsFollowEntries(const PlainListBox& box, const ModuleList& list)
{
    const std::vector<std::string> rows = box.rows();
    ASSERT_EQ(rows.size(), list.entries.count);
    for (uint32_t row = 0; row < rows.size(); ++row) {
        const LRESULT index = box.itemData(row);
        ASSERT_LT(static_cast<uint32_t>(index), list.entries.count);
        const Inspection::ModuleEntry& entry = *list.entries[index];
        EXPECT_EQ(rows[row], entry.path.text() + entry.nameOffset);
    }
}

} // namespace

TEST_F(ModuleListTest, ListsFileNamesWithTheirFullPaths)
{
    list.fill(GetCurrentProcessId());
    ASSERT_EQ(list.entries.count, 4u);
    EXPECT_EQ(lower(list.entries[0]->path.text()), lower(ownPath()));
    const std::vector<std::string> rows = box.rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(lower(rows[0]), "windows_tests.exe");
    EXPECT_EQ(lower(rows[1]), "ntdll.dll");
    EXPECT_EQ(lower(rows[3]), "user32.dll");
    EXPECT_EQ(box.selection(), 0);
    expectRowsFollowEntries(box, list);
    EXPECT_EQ(list.selectedEntry(), list.entries[0].get());
    // The 64-bit build asks for every view of the process; the 32-bit build's
    // plain call takes no filter.
    EXPECT_EQ(EnumerationSwap::lastFilter, sizeof(void*) == 8 ? DWORD(LIST_MODULES_ALL) : DWORD(-1));
    SendMessageA(box.handle, LB_SETCURSEL, 2, 0);
    EXPECT_EQ(lower(list.selectedEntry()->path.text()).substr(list.selectedEntry()->nameOffset), "kernel32.dll");
    EXPECT_EQ(ledger.opened, 1);
}

TEST(RealModuleListTest, OwnProcessListsItsExecutableThenNtdll)
{
    RealLists real;
    PlainListBox& box = real.box;
    ModuleList& list = real.list;
    list.fill(GetCurrentProcessId());
    ASSERT_GE(list.entries.count, 3u);
    EXPECT_EQ(lower(list.entries[0]->path.text()), lower(ownPath()));
    const std::vector<std::string> rows = box.rows();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(lower(rows[0]), "windows_tests.exe");
    EXPECT_EQ(lower(rows[1]), "ntdll.dll");
    EXPECT_EQ(box.selection(), 0);
    expectRowsFollowEntries(box, list);
    ASSERT_NE(list.selectedEntry(), nullptr);
    EXPECT_EQ(list.selectedEntry(), list.entries[0].get());
    EXPECT_EQ(ledger.opened, 1);
    EXPECT_EQ(tokensOpened, 0);
}

namespace {
// Lists the modules of a live waiting_helper started from the given path,
// while it waits for the test.
void listWaitingHelper(ModuleList& list, const std::string& helper)
{
    TestSupport::NamedEvent ready("ready"), finish("finish");
    TestSupport::StartedProcess started(helper, ready.name + " " + finish.name);
    ASSERT_TRUE(started.started) << GetLastError();
    ASSERT_EQ(WaitForSingleObject(ready.handle, 60000), WAIT_OBJECT_0);
    list.fill(started.info.dwProcessId);
    SetEvent(finish.handle);
}
} // namespace

TEST(RealModuleListTest, SecondRealProcessListsItsOwnExecutable)
{
    RealLists real;
    const std::string helper = TestSupport::siblingPath("waiting_helper.exe");
    listWaitingHelper(real.list, helper);
    ASSERT_GE(real.list.entries.count, 2u);
    ASSERT_GE(real.box.rows().size(), 2u);
    EXPECT_EQ(lower(real.list.entries[0]->path.text()), lower(helper));
    EXPECT_EQ(lower(real.box.rows()[0]), "waiting_helper.exe");
    EXPECT_EQ(lower(real.box.rows()[1]), "ntdll.dll");
    expectRowsFollowEntries(real.box, real.list);
}

#ifdef TARNWICK_HELPER32
// The 64-bit build lists a 32-bit process with its own 32-bit DLLs. Its
// 64-bit view alone holds the executable, ntdll and the wow64 DLLs, and no
// kernel32.
TEST(Wow64ModuleListTest, ThirtyTwoBitProcessListsItsOwnDlls)
{
    RealLists real;
    listWaitingHelper(real.list, TARNWICK_HELPER32);
    ASSERT_GE(real.list.entries.count, 3u);
    EXPECT_EQ(lower(real.list.entries[0]->path.text()), lower(TARNWICK_HELPER32));
    std::vector<std::string> rows = real.box.rows();
    for (std::string& row : rows)
        row = lower(row);
    EXPECT_NE(std::find(rows.begin(), rows.end(), "kernel32.dll"), rows.end())
        << "no kernel32.dll among " << rows.size() << " modules";
    expectRowsFollowEntries(real.box, real.list);
}
#endif

#ifdef _WIN64
namespace {
// A 32-bit process as Windows' 64-bit reader shows it: every view holds the
// executable, the 64-bit ntdll and wow64, and the 32-bit ntdll and kernel32;
// the 32-bit view holds the executable and the 32-bit DLLs; the system DLLs
// of both are named under the system folder, and so are a driver's DLLs in
// the folders the redirector leaves alone.
const HMODULE exe32 = reinterpret_cast<HMODULE>(0x400000), ntdll64 = reinterpret_cast<HMODULE>(0x7FF000000000),
              wow64 = reinterpret_cast<HMODULE>(0x7FF100000000), ntdll32 = reinterpret_cast<HMODULE>(0x77000000),
              kernel32 = reinterpret_cast<HMODULE>(0x76000000), display32 = reinterpret_cast<HMODULE>(0x10000000),
              printer32 = reinterpret_cast<HMODULE>(0x11000000);
const wchar_t* const displayDll = L"\\DriverStore\\FileRepository\\display.inf_amd64_1\\umd32.dll";
const wchar_t* const printerDll = L"\\spool\\drivers\\W32X86\\3\\print32.dll";
BOOL WINAPI wow64Views(HANDLE, HMODULE* modules, DWORD size, LPDWORD needed)
{
    std::vector<HMODULE> view = {exe32, ntdll64, wow64, ntdll32, kernel32, display32, printer32};
    if (EnumerationSwap::lastFilter == LIST_MODULES_32BIT)
        view = {exe32, ntdll32, kernel32, display32, printer32};
    *needed = DWORD(view.size() * sizeof(HMODULE));
    std::copy(view.begin(), view.begin() + std::min<size_t>(view.size(), size / sizeof(HMODULE)), modules);
    return TRUE;
}
std::wstring systemFolder()
{
    wchar_t folder[MAX_PATH];
    return std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH));
}
DWORD WINAPI wow64Paths(HANDLE, HMODULE module, LPWSTR path, DWORD size)
{
    std::wstring upper = systemFolder();
    CharUpperW(&upper[0]);
    const std::wstring named = module == exe32 ? L"C:\\apps\\app32.exe"
                               : module == kernel32 ? upper + L"\\KERNEL32.DLL"
                               : module == display32 ? systemFolder() + displayDll
                               : module == printer32 ? systemFolder() + printerDll
                               : systemFolder() + (module == wow64 ? L"\\wow64.dll" : L"\\ntdll.dll");
    const size_t written = named.copy(path, size - 1);
    path[written] = L'\0';
    return DWORD(written);
}
BOOL WINAPI underWow64(HANDLE, PBOOL wow)
{
    *wow = TRUE;
    return TRUE;
}
} // namespace

TEST_F(ModuleListTest, Wow64SystemDllsNameTheirOwnFiles)
{
    EnumerationSwap views(&wow64Views);
    ProcedureSwap paths("GetModuleFileNameExW", reinterpret_cast<void*>(&wow64Paths));
    ImportSwap wow("kernel32.dll", "IsWow64Process", reinterpret_cast<void*>(&underWow64));
    list.fill(GetCurrentProcessId());
    char system[MAX_PATH], wow64Folder[MAX_PATH];
    const std::string sys(system, GetSystemDirectoryA(system, MAX_PATH));
    const std::string wow32(wow64Folder, GetSystemWow64DirectoryA(wow64Folder, MAX_PATH));
    ASSERT_FALSE(wow32.empty());
    const std::vector<std::string> expected = {"C:\\apps\\app32.exe", sys + "\\ntdll.dll", sys + "\\wow64.dll",
                                               wow32 + "\\ntdll.dll", wow32 + "\\KERNEL32.DLL",
                                               sys + "\\DriverStore\\FileRepository\\display.inf_amd64_1\\umd32.dll",
                                               sys + "\\spool\\drivers\\W32X86\\3\\print32.dll"};
    ASSERT_EQ(list.entries.count, expected.size());
    for (uint32_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lower(list.entries[i]->path.text()), lower(expected[i]));
    EXPECT_EQ(box.rows()[3], "ntdll.dll");
}
#endif

TEST_F(ModuleListTest, VanishedProcessIsUnavailableWithoutThePrivilegeStep)
{
    openResults = {ERROR_INVALID_PARAMETER};
    list.fill(GetCurrentProcessId());
    EXPECT_EQ(box.rows(), (std::vector<std::string>{"Process Unavailable"}));
    EXPECT_EQ(openCalls, 1);
    EXPECT_EQ(tokensOpened, 0);
    EXPECT_TRUE(adjustCalls.empty());
    EXPECT_EQ(list.selectedEntry(), nullptr);

    // And a pid that names nothing, asked of the real system.
    openResults.clear();
    openCalls = 0;
    list.fill(0x7FFFFFF0u);
    EXPECT_EQ(box.rows(), (std::vector<std::string>{"Process Unavailable"}));
    EXPECT_EQ(openCalls, 1);
    EXPECT_EQ(tokensOpened, 0);
}

TEST_F(ModuleListTest, DeniedTwiceShowsAccessDeniedAndSelectsNothing)
{
    list.fill(GetCurrentProcessId()); // entries from before must go
    openResults = {0, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED};
    list.fill(GetCurrentProcessId());
    EXPECT_EQ(openCalls, 3);
    EXPECT_EQ(box.rows(), (std::vector<std::string>{"Access Denied"}));
    EXPECT_EQ(list.entries.count, 0u);
    EXPECT_EQ(box.selection(), LB_ERR);
    EXPECT_EQ(list.selectedEntry(), nullptr);
    SendMessageA(box.handle, LB_SETCURSEL, 0, 0);
    EXPECT_EQ(list.selectedEntry(), nullptr);
    // Enabled for the second attempt, then put back.
    ASSERT_EQ(adjustCalls.size(), 2u);
    EXPECT_TRUE(adjustCalls[0].hasPrevious);
    EXPECT_FALSE(adjustCalls[1].hasPrevious);
}

TEST_F(ModuleListTest, DeniedThenGrantedListsAndRestoresBeforeReturning)
{
    // Already enabled, or disabled, before: put back as it was (disabled last,
    // as this process had it).
    for (DWORD before : {DWORD(SE_PRIVILEGE_ENABLED), DWORD(0)}) {
        SCOPED_TRACE(before);
        replacedAttributes = before;
        openResults = {ERROR_ACCESS_DENIED};
        openCalls = 0;
        tokensOpened = 0;
        adjustCalls.clear();
        list.fill(GetCurrentProcessId());
        EXPECT_EQ(openCalls, 2);
        EXPECT_EQ(list.entries.count, 4u);
        EXPECT_EQ(box.selection(), 0);
        ASSERT_EQ(adjustCalls.size(), 2u);
        EXPECT_TRUE(adjustCalls[0].hasPrevious);
        EXPECT_EQ(adjustCalls[0].newState.PrivilegeCount, 1u);
        EXPECT_EQ(adjustCalls[0].newState.Privileges[0].Attributes, static_cast<DWORD>(SE_PRIVILEGE_ENABLED));
        LUID debug;
        ASSERT_TRUE(LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &debug));
        EXPECT_EQ(adjustCalls[0].newState.Privileges[0].Luid.LowPart, debug.LowPart);
        EXPECT_EQ(adjustCalls[0].newState.Privileges[0].Luid.HighPart, debug.HighPart);
        // The restore hands back exactly what enabling replaced.
        EXPECT_FALSE(adjustCalls[1].hasPrevious);
        const TOKEN_PRIVILEGES& replaced = adjustCalls[0].handedBack;
        const TOKEN_PRIVILEGES& restored = adjustCalls[1].newState;
        ASSERT_EQ(replaced.PrivilegeCount, 1u);
        EXPECT_EQ(restored.PrivilegeCount, 1u);
        EXPECT_EQ(restored.Privileges[0].Attributes, replaced.Privileges[0].Attributes);
        EXPECT_EQ(restored.Privileges[0].Luid.LowPart, replaced.Privileges[0].Luid.LowPart);
        EXPECT_EQ(restored.Privileges[0].Luid.HighPart, replaced.Privileges[0].Luid.HighPart);
        EXPECT_EQ(restored.Privileges[0].Luid.LowPart, debug.LowPart);
        EXPECT_EQ(restored.Privileges[0].Attributes, before);
        EXPECT_EQ(tokensOpened, 1);
    }
    replacedAttributes = 0;
}

TEST_F(ModuleListTest, EveryFailedEnablingStepStillTriesAgainAndClosesTheToken)
{
    for (int step = 1; step <= 4; ++step) {
        SCOPED_TRACE(step);
        tokenStep = step;
        openResults = {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED};
        openCalls = 0;
        adjustCalls.clear();
        if (step == 2) {
            ImportSwap failing("advapi32.dll", "LookupPrivilegeValueA", reinterpret_cast<void*>(&failingLookup));
            list.fill(GetCurrentProcessId());
        } else {
            list.fill(GetCurrentProcessId());
        }
        EXPECT_EQ(openCalls, 2);
        EXPECT_EQ(box.rows(), (std::vector<std::string>{"Access Denied"}));
        EXPECT_TRUE(ledger.open.empty());
        // A failed enabling leaves nothing to restore.
        for (const AdjustCall& call : adjustCalls)
            EXPECT_TRUE(call.hasPrevious);
    }
}

TEST(DebugPrivilegeGuardTest, FailureRaisesTheCodeReadBeforeClosing)
{
    Watched watched;
    tokenStep = 3;
    Inspection::DebugPrivilegeGuard guard;
    try {
        guard.enable();
        FAIL() << "no exception";
    } catch (const Core::WindowsError& error) {
        EXPECT_EQ(error.code, static_cast<uint32_t>(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(guard.token, nullptr);

    tokenStep = 0;
    tokensOpened = 0;
    guard.enable();
    EXPECT_NE(guard.token, nullptr);
    guard.enable(); // holding a token already: nothing more
    EXPECT_EQ(tokensOpened, 1);
    guard.restore();
    EXPECT_EQ(guard.token, nullptr);
}

TEST_F(ModuleListTest, OtherOpenFailureRaisesWithTheListEmptyAndPrivilegeRestored)
{
    list.fill(GetCurrentProcessId());
    openResults = {ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY};
    openCalls = 0;
    try {
        list.fill(GetCurrentProcessId());
        FAIL() << "no exception";
    } catch (const Core::WindowsError& error) {
        EXPECT_EQ(error.code, static_cast<uint32_t>(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_TRUE(box.rows().empty());
    EXPECT_EQ(list.entries.count, 0u);
    ASSERT_EQ(adjustCalls.size(), 2u);
    EXPECT_FALSE(adjustCalls[1].hasPrevious);

    openResults = {ERROR_GEN_FAILURE};
    openCalls = 0;
    EXPECT_THROW(list.fill(GetCurrentProcessId()), Core::WindowsError);
    EXPECT_EQ(openCalls, 1);
}

namespace {
BOOL WINAPI failingEnum(HANDLE, HMODULE*, DWORD, LPDWORD)
{
    SetLastError(ERROR_PARTIAL_COPY);
    return FALSE;
}

decltype(&GetModuleFileNameExW) realFileName = nullptr;
int fileNameCalls = 0;
DWORD WINAPI secondUnreadable(HANDLE process, HMODULE module, LPWSTR path, DWORD size)
{
    EXPECT_EQ(size, static_cast<DWORD>(MAX_PATH));
    if (fileNameCalls++ == 1)
        return 0;
    return realFileName(process, module, path, size);
}

// A process with more modules than the fixed block holds.
const DWORD manyModules = 1500;
std::vector<DWORD> enumSizes;
BOOL WINAPI manyEnum(HANDLE, HMODULE* modules, DWORD size, LPDWORD needed)
{
    enumSizes.push_back(size);
    for (DWORD i = 0; i < manyModules && (i + 1) * sizeof(HMODULE) <= size; ++i)
        modules[i] = reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x10000 + i));
    *needed = manyModules * sizeof(HMODULE);
    return TRUE;
}

DWORD WINAPI numberedName(HANDLE, HMODULE module, LPWSTR path, DWORD size)
{
    const unsigned index = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(module)) - 0x10000;
    if (index >= manyModules)
        return 0;
    return static_cast<DWORD>(wsprintfW(path, L"C:\\lib\\m%u.dll", index)) + 0 * size;
}

// A path of pathLength characters (0: one that never fits) read as Windows
// XP reads it: cut to the buffer's size, unterminated, and that size returned.
DWORD pathLength = 0;
std::vector<DWORD> readSizes;
DWORD WINAPI sizedName(HANDLE, HMODULE, LPWSTR path, DWORD size)
{
    readSizes.push_back(size);
    const DWORD length = pathLength != 0 ? pathLength : size;
    for (DWORD i = 0; i < length && i < size; ++i)
        path[i] = i < 3 ? L"C:\\"[i] : L'x';
    if (length >= size)
        return size;
    path[length] = '\0';
    return length;
}
} // namespace

TEST_F(ModuleListTest, FailedEnumerationIsUnavailableAndClosesTheProcess)
{
    EnumerationSwap failing(&failingEnum);
    list.fill(GetCurrentProcessId());
    EXPECT_EQ(box.rows(), (std::vector<std::string>{"Process Unavailable"}));
    EXPECT_EQ(ledger.opened, 1);
    EXPECT_TRUE(ledger.open.empty());
    EXPECT_EQ(box.selection(), LB_ERR);
}

TEST_F(ModuleListTest, UnreadablePathIsLeftOutAndLaterRowsFollowTheirEntries)
{
    PlainListBox fullBox;
    ModuleList full(&fullBox);
    full.fill(GetCurrentProcessId());

    ProcedureSwap unreadable("GetModuleFileNameExW", reinterpret_cast<void*>(&secondUnreadable));
    realFileName = unreadable.original<decltype(realFileName)>();
    fileNameCalls = 0;
    list.fill(GetCurrentProcessId());
    ASSERT_EQ(list.entries.count, full.entries.count - 1);
    EXPECT_STREQ(list.entries[1]->path.text(), full.entries[2]->path.text());
    expectRowsFollowEntries(box, list);
}

TEST_F(ModuleListTest, MoreThanTheFixedBlockListsEveryModule)
{
    EnumerationSwap many(&manyEnum);
    ProcedureSwap numbered("GetModuleFileNameExW", reinterpret_cast<void*>(&numberedName));
    enumSizes.clear();
    list.fill(GetCurrentProcessId());
    ASSERT_EQ(list.entries.count, manyModules);
    ASSERT_EQ(enumSizes.size(), 2u);
    EXPECT_EQ(enumSizes[0], 1024 * sizeof(HMODULE));
    EXPECT_GE(enumSizes[1], manyModules * sizeof(HMODULE));
    EXPECT_STREQ(list.entries[1499]->path.text(), "C:\\lib\\m1499.dll");
    ASSERT_EQ(box.rows().size(), 1500u);
    EXPECT_EQ(box.rows()[1499], "m1499.dll");
}

TEST_F(ModuleListTest, LongPathIsReadWholeIntoALargerBuffer)
{
    ProcedureSwap sized("GetModuleFileNameExW", reinterpret_cast<void*>(&sizedName));
    const DWORD longest = 32768;
    const struct {
        DWORD length;
        std::vector<DWORD> reads; // of each module's path
        DWORD listed;
    } cases[] = {
        {258, {260}, 258},
        // Filling the buffer to its last character may be a cut path.
        {259, {260, 520}, 259},
        {260, {260, 520}, 260},
        {700, {260, 520, 1040}, 700},
        // Never fits: cut, and terminated, at the longest a path can be.
        {0, {260, 520, 1040, 2080, 4160, 8320, 16640, longest}, longest - 1},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.length);
        pathLength = expected.length;
        readSizes.clear();
        list.fill(GetCurrentProcessId());
        ASSERT_EQ(list.entries.count, 4u);
        for (uint32_t i = 0; i < 4; ++i) {
            EXPECT_EQ(list.entries[i]->path.count, expected.listed + 1);
            EXPECT_EQ(std::strlen(list.entries[i]->path.text()), expected.listed);
            EXPECT_EQ(list.entries[i]->nameOffset, 3u);
        }
        ASSERT_EQ(readSizes.size(), 4 * expected.reads.size());
        EXPECT_EQ(std::vector<DWORD>(readSizes.begin(), readSizes.begin() + expected.reads.size()), expected.reads);
    }
}

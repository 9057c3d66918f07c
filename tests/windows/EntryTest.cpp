#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/Entry.h"
#include "TestWindows.h"
#include "app/MainWindow.h"
#include "core/Errors.h"
#include "lister/Lister.h"
#include "support/ImportSwap.h"
#include "support/InProcessModules.h"
#include "support/Processes.h"
#include "support/SiblingPath.h"

using TestSupport::ImportSwap;

namespace {

struct Box {
    HWND owner;
    std::string text, caption;
    UINT type;
    bool mainWindowGone;
};
std::vector<Box> boxes;

int WINAPI recordingMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    boxes.push_back({owner, text, caption, type, FindWindowA("MainWindow", nullptr) == nullptr});
    return IDOK;
}

int fontsMade = 0;
decltype(&CreateFontA) realCreateFont = nullptr;
HFONT WINAPI thirdFontFails(int h, int w, int e, int o, int weight, DWORD i, DWORD u, DWORD s, DWORD c,
                            DWORD op, DWORD cp, DWORD q, DWORD p, LPCSTR face)
{
    if (++fontsMade == 3) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return realCreateFont(h, w, e, o, weight, i, u, s, c, op, cp, q, p, face);
}

HANDLE WINAPI failingSnapshot(DWORD, DWORD)
{
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return INVALID_HANDLE_VALUE;
}

int snapshotCalls = 0;
decltype(&CreateToolhelp32Snapshot) realSnapshot = nullptr;
HANDLE WINAPI secondSnapshotFails(DWORD flags, DWORD id)
{
    if (++snapshotCalls == 2) {
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
        return INVALID_HANDLE_VALUE;
    }
    return realSnapshot(flags, id);
}

decltype(&GetMessageW) realGetMessage = nullptr;
bool refreshPosted = false;
BOOL WINAPI postF5First(LPMSG message, HWND window, UINT first, UINT last)
{
    if (!refreshPosted) {
        refreshPosted = true;
        HWND main = FindWindowA("MainWindow", nullptr);
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(40001, 1), 0);
    }
    return realGetMessage(message, window, first, last);
}

BOOL WINAPI failingGetMessage(LPMSG, HWND, UINT, UINT)
{
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
}

std::string systemText(DWORD code) { return Core::WindowsError(code).ErrorText().text(); }

struct EntryTest : ::testing::Test {
    void SetUp() override
    {
        // The classes register afresh, as in a program that just started;
        // all but the two whose background brush the system would delete
        // with them, which the next cases of this process still paint with.
        TestSupport::unregistered<Controls::Label>();
        TestSupport::unregistered<Controls::LinkLabel>();
        TestSupport::unregistered<Controls::ProcessListBox>();
        TestSupport::unregistered<Controls::ModuleListBox>();
        TestSupport::unregistered<Controls::ModuleEditBox>();
        // A quit or a message an earlier case of this thread left would end
        // or steer this run's loop.
        MSG left;
        while (PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE)) {
        }
        boxes.clear();
        fontsMade = 0;
        snapshotCalls = 0;
        refreshPosted = false;
    }
    ImportSwap box{"user32.dll", "MessageBoxA", reinterpret_cast<void*>(&recordingMessageBox)};
    // Every process is shown with this process's own modules, read in process.
    TestSupport::InProcessModules modules;
};

void expectOneFatalBox(DWORD code)
{
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].text, systemText(code));
    EXPECT_EQ(boxes[0].caption, "Fatal Error");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(boxes[0].mainWindowGone);
}

} // namespace

TEST_F(EntryTest, FontThatCannotBeMadeEndsInTheReport)
{
    ImportSwap font("gdi32.dll", "CreateFontA", reinterpret_cast<void*>(&thirdFontFails));
    realCreateFont = font.original<decltype(realCreateFont)>();
    EXPECT_EQ(App::runProgram(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    expectOneFatalBox(ERROR_NOT_ENOUGH_MEMORY);
}

TEST_F(EntryTest, FailureDuringCreationEndsInTheReport)
{
    ImportSwap snapshot("kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&failingSnapshot));
    EXPECT_EQ(App::runProgram(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    expectOneFatalBox(ERROR_NO_SYSTEM_RESOURCES);
}

TEST_F(EntryTest, FailureOnRefreshComesOutOfTheLoopToTheReport)
{
    ImportSwap snapshot("kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&secondSnapshotFails));
    realSnapshot = snapshot.original<decltype(realSnapshot)>();
    ImportSwap get("user32.dll", "GetMessageW", reinterpret_cast<void*>(&postF5First));
    realGetMessage = get.original<decltype(realGetMessage)>();
    EXPECT_EQ(App::runProgram(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    EXPECT_EQ(snapshotCalls, 2);
    expectOneFatalBox(ERROR_NO_SYSTEM_RESOURCES);
}

TEST_F(EntryTest, FailingGetMessageIsRaisedNotTakenForAMessage)
{
    ImportSwap get("user32.dll", "GetMessageW", reinterpret_cast<void*>(&failingGetMessage));
    EXPECT_EQ(App::runProgram(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    expectOneFatalBox(ERROR_INVALID_WINDOW_HANDLE);
}

namespace {

// Each raise site of the running program, driven once by an injected failure.
void* original = nullptr;
int calls = 0;
HWND mainWindow = nullptr;
std::string moduleRowSeen;

template <class F>
F real() { return reinterpret_cast<F>(original); }

BOOL WINAPI noClassInfo(HINSTANCE, LPCSTR, LPWNDCLASSEXA)
{
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}
BOOL WINAPI noWideClassInfo(HINSTANCE, LPCWSTR, LPWNDCLASSEXW)
{
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}
int WINAPI noConversion(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL)
{
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
}
ATOM WINAPI secondRegistrationFails(const WNDCLASSEXA* record)
{
    if (++calls == 2) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return real<decltype(&RegisterClassExA)>()(record);
}
HWND WINAPI fourthWindowFails(DWORD ex, LPCSTR cls, LPCSTR name, DWORD style, int x, int y, int w, int h,
                              HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    if (++calls == 4) {
        SetLastError(ERROR_OUTOFMEMORY);
        return nullptr;
    }
    return real<decltype(&CreateWindowExA)>()(ex, cls, name, style, x, y, w, h, parent, menu, instance, param);
}
HWND WINAPI noFocus(HWND)
{
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}
BOOL WINAPI noExtent(HDC, LPCSTR, int, LPSIZE)
{
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
HANDLE WINAPI openFailsOddly(DWORD, BOOL, DWORD)
{
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return nullptr;
}
HANDLE WINAPI openDenied(DWORD, BOOL, DWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}
BOOL WINAPI noToken(HANDLE, DWORD, PHANDLE)
{
    SetLastError(ERROR_NO_TOKEN);
    return FALSE;
}
const HRESULT noAssociation = HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
HRESULT WINAPI unassociated(ASSOCF, ASSOCSTR, LPCSTR, LPCSTR, LPSTR, LPDWORD)
{
    SetLastError(ERROR_SUCCESS); // the result itself must be what is shown
    return noAssociation;
}
HRESULT WINAPI missingBrowser(ASSOCF, ASSOCSTR, LPCSTR, LPCSTR, LPSTR program, LPDWORD size)
{
    const char path[] = "C:\\windows\\no-such-browser.exe";
    lstrcpynA(program, path, *size);
    *size = sizeof(path);
    return S_OK;
}

void readModuleRowAndClose();
void CALLBACK readAndClose(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    readModuleRowAndClose();
}
void clickHomeLink()
{
    HWND link = FindWindowExA(mainWindow, nullptr, "LinkLabel", nullptr);
    PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    SetTimer(nullptr, 0, 500, &readAndClose);
}
void readModuleRowAndClose()
{
    HWND list = FindWindowExA(mainWindow, nullptr, "ModuleListBox", nullptr);
    char text[256] = "";
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) > 0)
        SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    moduleRowSeen = text;
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
}

struct RaiseSite {
    const char* name;
    const char* module;
    const char* function;
    void* replacement;
    const char* module2; // a second import to replace, or null
    const char* function2;
    void* replacement2;
    void (*whenRunning)(); // drives the site from inside the loop
    DWORD code; // the box's code
    // The program ends in the fatal box, goes on without a box, or goes on
    // after a box over its window.
    enum { Fatal, Discarded, OverTheWindow } outcome;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const RaiseSite& site, std::ostream* out) { *out << site.name; }

UINT_PTR lateTimer = 0;
void CALLBACK closeLate(HWND, UINT, UINT_PTR, DWORD) { PostMessageA(mainWindow, WM_CLOSE, 0, 0); }

void (*whenRunning)() = nullptr;
BOOL WINAPI firstMessageDrives(LPMSG message, HWND window, UINT first, UINT last)
{
    if (mainWindow == nullptr) {
        mainWindow = FindWindowA("MainWindow", nullptr);
        // Should the site not end the run, it still ends, and the test fails.
        lateTimer = SetTimer(nullptr, 0, 15000, &closeLate);
        if (whenRunning != nullptr)
            whenRunning();
    }
    return realGetMessage(message, window, first, last);
}

struct RaiseSiteTest : EntryTest, ::testing::WithParamInterface<RaiseSite> {};

const RaiseSite raiseSites[] = {
    {"SuperclassInfo", "user32.dll", "GetClassInfoExA", reinterpret_cast<void*>(&noClassInfo), nullptr,
     nullptr, nullptr, nullptr, ERROR_CLASS_DOES_NOT_EXIST, RaiseSite::Fatal},
    {"UnicodeSuperclassInfo", "user32.dll", "GetClassInfoExW", reinterpret_cast<void*>(&noWideClassInfo), nullptr,
     nullptr, nullptr, nullptr, ERROR_CLASS_DOES_NOT_EXIST, RaiseSite::Fatal},
    {"NameConversion", "kernel32.dll", "WideCharToMultiByte", reinterpret_cast<void*>(&noConversion), nullptr,
     nullptr, nullptr, nullptr, ERROR_NO_UNICODE_TRANSLATION, RaiseSite::Fatal},
    {"ClassRegistration", "user32.dll", "RegisterClassExA", reinterpret_cast<void*>(&secondRegistrationFails),
     nullptr, nullptr, nullptr, nullptr, ERROR_NOT_ENOUGH_MEMORY, RaiseSite::Fatal},
    {"ChildCreation", "user32.dll", "CreateWindowExA", reinterpret_cast<void*>(&fourthWindowFails), nullptr,
     nullptr, nullptr, nullptr, ERROR_OUTOFMEMORY, RaiseSite::Fatal},
    {"Focus", "user32.dll", "SetFocus", reinterpret_cast<void*>(&noFocus), nullptr, nullptr, nullptr, nullptr,
     ERROR_INVALID_WINDOW_HANDLE, RaiseSite::Fatal},
    {"LabelExtent", "gdi32.dll", "GetTextExtentPoint32A", reinterpret_cast<void*>(&noExtent), nullptr, nullptr,
     nullptr, nullptr, ERROR_INVALID_HANDLE, RaiseSite::Fatal},
    {"OpenProcessOtherCode", "kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&openFailsOddly), nullptr,
     nullptr, nullptr, nullptr, ERROR_NOT_ENOUGH_QUOTA, RaiseSite::Fatal},
    {"LinkAssociation", "shlwapi.dll", "AssocQueryStringA", reinterpret_cast<void*>(&unassociated), nullptr,
     nullptr, nullptr, &clickHomeLink, static_cast<DWORD>(noAssociation), RaiseSite::OverTheWindow},
    {"LinkStart", "shlwapi.dll", "AssocQueryStringA", reinterpret_cast<void*>(&missingBrowser), nullptr, nullptr,
     nullptr, &clickHomeLink, ERROR_FILE_NOT_FOUND, RaiseSite::OverTheWindow},
    {"PrivilegeDiscarded", "kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&openDenied), "advapi32.dll",
     "OpenProcessToken", reinterpret_cast<void*>(&noToken), &readModuleRowAndClose, 0, RaiseSite::Discarded},
};

} // namespace

TEST_P(RaiseSiteTest, EndsInTheReportOrIsDiscarded)
{
    const RaiseSite& site = GetParam();
    calls = 0;
    mainWindow = nullptr;
    moduleRowSeen.clear();
    whenRunning = site.whenRunning;
    ImportSwap injected(site.module, site.function, site.replacement);
    original = injected.original<void*>();
    std::unique_ptr<ImportSwap> second;
    if (site.module2 != nullptr)
        second.reset(new ImportSwap(site.module2, site.function2, site.replacement2));
    ImportSwap get("user32.dll", "GetMessageW", reinterpret_cast<void*>(&firstMessageDrives));
    realGetMessage = get.original<decltype(realGetMessage)>();

    EXPECT_EQ(App::runProgram(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    KillTimer(nullptr, lateTimer); // a thread's timer outlives the run; the next case's run would see it
    if (site.outcome == RaiseSite::Fatal) {
        expectOneFatalBox(site.code);
    } else if (site.outcome == RaiseSite::Discarded) {
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(moduleRowSeen, "Access Denied");
    } else {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].owner, mainWindow);
        EXPECT_EQ(boxes[0].text, systemText(site.code));
        EXPECT_EQ(boxes[0].caption, "The Page Could Not Be Opened");
        EXPECT_FALSE(moduleRowSeen.empty()); // still running, its lists filled
    }
}

INSTANTIATE_TEST_SUITE_P(Sites, RaiseSiteTest, ::testing::ValuesIn(raiseSites),
                         [](const ::testing::TestParamInfo<RaiseSite>& info) { return info.param.name; });

// The class brushes are made before the entry runs: a refusal there ends the
// program as an uncaught exception, with no box and no window.
TEST(StartupTest, RefusedBrushEndsTheProgramUncaughtWithoutABox)
{
    const std::string command = "\"" + TestSupport::siblingPath("brush_failure.exe") + "\"";
    const TestSupport::CapturedRun run = TestSupport::runCapturingOutput(command, true);
    ASSERT_TRUE(run.started) << run.error;
    const std::string& output = run.output;
    const DWORD exitCode = run.exitCode;

    EXPECT_NE(output.find("brush refused"), std::string::npos) << output;
    EXPECT_NE(output.find("Core::WindowsError"), std::string::npos) << output;
    EXPECT_EQ(output.find("box shown"), std::string::npos) << output;
    EXPECT_EQ(output.find("entry ran"), std::string::npos) << output;
    EXPECT_EQ(exitCode, 3u) << output; // the runtime's abort
}

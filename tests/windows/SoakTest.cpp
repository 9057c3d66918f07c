#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <set>
#include <string>

#include "app/MainWindow.h"
#include "support/EnumerationSwap.h"
#include "support/ImportSwap.h"
#include "support/ProcedureSwap.h"
#include "support/Processes.h"
#include "support/SiblingPath.h"

using TestSupport::EnumerationSwap;
using TestSupport::ImportSwap;
using TestSupport::ProcedureSwap;
using TestSupport::NamedEvent;
using TestSupport::StartedProcess;
using namespace Toolkit;
using namespace App;
using namespace Inspection;

namespace {

// Module reads served in process, as a real system answers them for a
// process that has exited: ERROR_PARTIAL_COPY once it is gone.
bool exited(HANDLE process)
{
    DWORD code = 0;
    return GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
}
BOOL WINAPI liveModules(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed)
{
    if (exited(process)) {
        SetLastError(ERROR_PARTIAL_COPY);
        return FALSE;
    }
    const HMODULE own[] = {GetModuleHandleA(nullptr), GetModuleHandleA("ntdll.dll"),
                           GetModuleHandleA("kernel32.dll")};
    for (DWORD i = 0; i < 3 && (i + 1) * sizeof(HMODULE) <= size; ++i)
        modules[i] = own[i];
    *needed = sizeof(own);
    return TRUE;
}
HANDLE dyingProcess = nullptr; // exits while its modules are read
DWORD WINAPI livePath(HANDLE process, HMODULE module, LPWSTR path, DWORD size)
{
    if (exited(process)) {
        SetLastError(ERROR_PARTIAL_COPY);
        return 0;
    }
    const DWORD length = GetModuleFileNameW(module, path, size);
    if (dyingProcess != nullptr && GetProcessId(process) == GetProcessId(dyingProcess)) {
        TerminateProcess(dyingProcess, 9);
        WaitForSingleObject(dyingProcess, 30000);
    }
    return length;
}

std::string windowText(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string rowText(HWND listBox, int row)
{
    char text[1024] = "";
    SendMessageA(listBox, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
    return text;
}

// The module list and the path box after a fill: modules (one row per entry,
// in order, row 0 selected and shown), one reason row, or nothing at all.
testing::AssertionResult wellFormed(MainWindowContents& c, std::string* shape = nullptr)
{
    HWND box = c.moduleListBox.handle;
    const auto& entries = c.moduleListBox.contents.entries;
    const int rows = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    const std::string path = windowText(c.pathBox.handle);
    std::string seen;
    if (entries.count == 0) {
        seen = rows == 0 ? "empty" : rowText(box, 0);
        if (shape != nullptr)
            *shape = seen;
        if (rows > 1 || (rows == 1 && seen != "Process Unavailable" && seen != "Access Denied"))
            return testing::AssertionFailure() << rows << " rows without entries, first \"" << seen << "\"";
        if (!path.empty())
            return testing::AssertionFailure() << "path \"" << path << "\" without entries";
        return testing::AssertionSuccess();
    }
    if (shape != nullptr)
        *shape = "modules";
    if (rows != static_cast<int>(entries.count))
        return testing::AssertionFailure() << rows << " rows for " << entries.count << " entries";
    for (int row = 0; row < rows; ++row) {
        const ModuleEntry& entry = *entries[row];
        if (SendMessageA(box, LB_GETITEMDATA, row, 0) != row ||
            rowText(box, row) != entry.path.text() + entry.nameOffset)
            return testing::AssertionFailure() << "row " << row << " does not show entry " << row;
    }
    if (SendMessageA(box, LB_GETCURSEL, 0, 0) != 0 || path != entries[0]->path.text())
        return testing::AssertionFailure() << "row 0 not selected and shown; path \"" << path << "\"";
    return testing::AssertionSuccess();
}

struct SoakTest : ::testing::Test {
    void SetUp() override
    {
        moduleInstance = GetModuleHandleA(nullptr);
        main.create(mainWindowParams());
        ShowWindow(main.handle, SW_SHOW);
        UpdateWindow(main.handle);
    }
    void refresh() { SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(40001, 1), 0); }
    void selectProcess(int row)
    {
        SendMessageA(c.processListBox.handle, LB_SETCURSEL, row, 0);
        SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(1001, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(c.processListBox.handle));
    }
    EnumerationSwap enumerate{&liveModules};
    ProcedureSwap names{"GetModuleFileNameExW", reinterpret_cast<void*>(&livePath)};
    MainWindow main;
    MainWindowContents& c = main.contents;
};

// Every handle and GDI object the program makes, by the value it got, until
// it is given back; and the device contexts it takes and releases.
std::set<HANDLE> liveHandles, liveGdi;
int handlesMade = 0, gdiMade = 0, windowDcs = 0, paints = 0, strays = 0;
decltype(&CreateToolhelp32Snapshot) realSnapshot;
decltype(&OpenProcess) realOpenProcess;
decltype(&CloseHandle) realCloseHandle;
decltype(&CreatePen) realCreatePen;
decltype(&CreateCompatibleDC) realCreateDc;
decltype(&LoadImageA) realLoadImage;
decltype(&DeleteObject) realDeleteObject;
decltype(&DeleteDC) realDeleteDc;
decltype(&GetDC) realGetDc;
decltype(&ReleaseDC) realReleaseDc;
decltype(&BeginPaint) realBeginPaint;
decltype(&EndPaint) realEndPaint;

template <class H>
H made(std::set<HANDLE>& live, int& count, H handle)
{
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        live.insert(handle);
        ++count;
    }
    return handle;
}
void given(std::set<HANDLE>& live, HANDLE handle)
{
    if (live.erase(handle) == 0)
        ++strays;
}
HANDLE WINAPI countSnapshot(DWORD f, DWORD id) { return made(liveHandles, handlesMade, realSnapshot(f, id)); }
HANDLE WINAPI countOpen(DWORD a, BOOL i, DWORD id) { return made(liveHandles, handlesMade, realOpenProcess(a, i, id)); }
BOOL WINAPI countClose(HANDLE h) { given(liveHandles, h); return realCloseHandle(h); }
HPEN WINAPI countPen(int s, int w, COLORREF c) { return made(liveGdi, gdiMade, realCreatePen(s, w, c)); }
HDC WINAPI countMemoryDc(HDC dc) { return made(liveGdi, gdiMade, realCreateDc(dc)); }
HANDLE WINAPI countImage(HINSTANCE i, LPCSTR n, UINT t, int x, int y, UINT f)
{
    return made(liveGdi, gdiMade, realLoadImage(i, n, t, x, y, f));
}
BOOL WINAPI countDelete(HGDIOBJ o) { given(liveGdi, o); return realDeleteObject(o); }
BOOL WINAPI countDeleteDc(HDC dc) { given(liveGdi, dc); return realDeleteDc(dc); }
HDC WINAPI countGetDc(HWND w) { ++windowDcs; return realGetDc(w); }
int WINAPI countReleaseDc(HWND w, HDC dc) { --windowDcs; return realReleaseDc(w, dc); }
HDC WINAPI countBeginPaint(HWND w, LPPAINTSTRUCT p) { ++paints; return realBeginPaint(w, p); }
BOOL WINAPI countEndPaint(HWND w, const PAINTSTRUCT* p) { --paints; return realEndPaint(w, p); }

} // namespace

TEST_F(SoakTest, ThousandRefreshesAndRepaintsGiveBackEverything)
{
    ImportSwap swaps[] = {
        {"kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&countSnapshot)},
        {"kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&countOpen)},
        {"kernel32.dll", "CloseHandle", reinterpret_cast<void*>(&countClose)},
        {"gdi32.dll", "CreatePen", reinterpret_cast<void*>(&countPen)},
        {"gdi32.dll", "CreateCompatibleDC", reinterpret_cast<void*>(&countMemoryDc)},
        {"user32.dll", "LoadImageA", reinterpret_cast<void*>(&countImage)},
        {"gdi32.dll", "DeleteObject", reinterpret_cast<void*>(&countDelete)},
        {"gdi32.dll", "DeleteDC", reinterpret_cast<void*>(&countDeleteDc)},
        {"user32.dll", "GetDC", reinterpret_cast<void*>(&countGetDc)},
        {"user32.dll", "ReleaseDC", reinterpret_cast<void*>(&countReleaseDc)},
        {"user32.dll", "BeginPaint", reinterpret_cast<void*>(&countBeginPaint)},
        {"user32.dll", "EndPaint", reinterpret_cast<void*>(&countEndPaint)},
    };
    realSnapshot = swaps[0].original<decltype(realSnapshot)>();
    realOpenProcess = swaps[1].original<decltype(realOpenProcess)>();
    realCloseHandle = swaps[2].original<decltype(realCloseHandle)>();
    realCreatePen = swaps[3].original<decltype(realCreatePen)>();
    realCreateDc = swaps[4].original<decltype(realCreateDc)>();
    realLoadImage = swaps[5].original<decltype(realLoadImage)>();
    realDeleteObject = swaps[6].original<decltype(realDeleteObject)>();
    realDeleteDc = swaps[7].original<decltype(realDeleteDc)>();
    realGetDc = swaps[8].original<decltype(realGetDc)>();
    realReleaseDc = swaps[9].original<decltype(realReleaseDc)>();
    realBeginPaint = swaps[10].original<decltype(realBeginPaint)>();
    realEndPaint = swaps[11].original<decltype(realEndPaint)>();

    const long handlesBefore = TestSupport::ownHandleCount();
    ASSERT_GT(handlesBefore, 0);
    int paintedBands = 0;
    for (int i = 0; i < 1000; ++i) {
        refresh();
        ASSERT_TRUE(wellFormed(c)) << "refresh " << i;
        const int before = gdiMade;
        RedrawWindow(main.handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        paintedBands += gdiMade - before == 3 ? 1 : 0; // the band's pen, memory DC and banner
    }
    const long handlesAfter = TestSupport::ownHandleCount();

    // Every refresh took a snapshot and opened the selected process.
    EXPECT_GE(handlesMade, 2000);
    EXPECT_EQ(paintedBands, 1000);
    EXPECT_TRUE(liveHandles.empty()) << liveHandles.size() << " kernel handles left open";
    EXPECT_TRUE(liveGdi.empty()) << liveGdi.size() << " GDI objects left";
    EXPECT_EQ(windowDcs, 0);
    EXPECT_EQ(paints, 0);
    EXPECT_EQ(strays, 0) << "handles given back that were never made here";
    EXPECT_EQ(handlesAfter, handlesBefore);
}

TEST_F(SoakTest, ProcessesComingAndGoingNeverBreakTheLists)
{
    NamedEvent stop("churn-stop");
    StartedProcess churn(TestSupport::siblingPath("churn_helper.exe"), stop.name);
    ASSERT_TRUE(churn.started) << GetLastError();

    std::set<DWORD> childrenSeen;
    int selections = 0, reasons = 0, listed = 0;
    const DWORD until = GetTickCount() + 20000;
    for (int round = 0; round < 300 && GetTickCount() < until; ++round) {
        refresh();
        ASSERT_TRUE(wellFormed(c)) << "after refresh " << round;
        const auto& processes = c.processListBox.contents.entries;
        const int rows = static_cast<int>(SendMessageA(c.processListBox.handle, LB_GETCOUNT, 0, 0));
        ASSERT_EQ(rows, static_cast<int>(processes.count));
        for (int row = 0; row < rows; ++row) {
            if (lstrcmpiA(processes[row]->exeName.text(), "churn_helper.exe") == 0 &&
                processes[row]->processId != churn.info.dwProcessId)
                childrenSeen.insert(processes[row]->processId);
            selectProcess(row);
            std::string shape;
            ASSERT_TRUE(wellFormed(c, &shape)) << processes[row]->exeName.text();
            ++selections;
            if (shape == "modules")
                ++listed;
            else if (shape != "empty")
                ++reasons;
        }
    }
    SetEvent(stop.handle);

    DWORD exitCode = STILL_ACTIVE;
    WaitForSingleObject(churn.info.hProcess, 30000);
    GetExitCodeProcess(churn.info.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u) << "the helper could not keep its children coming";
    EXPECT_GE(childrenSeen.size(), 3u) << "too little churn to prove anything";
    EXPECT_GT(listed, 0);
    std::printf("%d selections over %zu short-lived processes: %d listed, %d reason rows\n", selections,
                childrenSeen.size(), listed, reasons);
}

TEST_F(SoakTest, ProcessExitingWhileReadGivesAShorterListThenUnavailable)
{
    NamedEvent ready("dying-ready"), finish("dying-finish");
    StartedProcess helper(TestSupport::siblingPath("waiting_helper.exe"), ready.name + " " + finish.name);
    ASSERT_TRUE(helper.started) << GetLastError();
    ASSERT_EQ(WaitForSingleObject(ready.handle, 60000), WAIT_OBJECT_0);

    ASSERT_EQ(c.moduleListBox.contents.entries.count, 3u); // rows from before must all go
    dyingProcess = helper.info.hProcess;
    c.moduleListBox.contents.fill(helper.info.dwProcessId);
    dyingProcess = nullptr;
    c.showModulePath();
    std::string shape;
    ASSERT_TRUE(wellFormed(c, &shape));
    EXPECT_EQ(c.moduleListBox.contents.entries.count, 1u); // the one path read before the exit

    // Still known to the system, as this test holds its handle: unreadable.
    c.moduleListBox.contents.fill(helper.info.dwProcessId);
    c.showModulePath();
    ASSERT_TRUE(wellFormed(c, &shape));
    EXPECT_EQ(shape, "Process Unavailable");
}

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "TestWindows.h"
#include "inspection/ListRows.h"

#include "inspection/ProcessList.h"
#include "inspection/RowDetails.h"
#include "inspection/VersionResource.h"
#include "support/ImportSwap.h"
#include "support/SiblingPath.h"

using TestSupport::ImportSwap;
using TestSupport::PlainListBox;
using namespace Windows;

namespace {

// Windows as a standard user sees a service's process: the limited query
// right granted, the full one refused (Wine grants both).
decltype(&OpenProcess) realOpen = nullptr;
HANDLE WINAPI limitedOnly(DWORD access, BOOL inherit, DWORD id)
{
    if ((access & PROCESS_QUERY_INFORMATION) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return realOpen(access, inherit, id);
}

// The service manager as its documentation has it: at most 256 KB a call
// (RPC_X_BAD_STUB_DATA above), services handed out a page at a time.
const wchar_t* const services[] = {L"Alpha", L"Beta", L"Gamma"};
DWORD WINAPI servicePages(SC_HANDLE, SC_ENUM_TYPE, DWORD, DWORD, LPBYTE buffer, DWORD size, LPDWORD needed,
                          LPDWORD returned, LPDWORD resume, LPCWSTR)
{
    *returned = 0;
    if (size > 256 * 1024) {
        SetLastError(RPC_X_BAD_STUB_DATA);
        return FALSE;
    }
    *needed = 300000; // more than one call may take
    if (size < sizeof(ENUM_SERVICE_STATUS_PROCESSW) + 16) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    auto* status = reinterpret_cast<ENUM_SERVICE_STATUS_PROCESSW*>(buffer);
    *status = {};
    status->lpServiceName = reinterpret_cast<LPWSTR>(buffer + sizeof(*status));
    lstrcpyW(status->lpServiceName, services[*resume]);
    status->ServiceStatusProcess.dwProcessId = GetCurrentProcessId();
    *returned = 1;
    if (++*resume < 3) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    return TRUE;
}

} // namespace

TEST(RowDetailsTest, BitnessWithTheLimitedRightAndEveryPageOfServices)
{
    ImportSwap open("kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&limitedOnly));
    realOpen = open.original<decltype(realOpen)>();
    ImportSwap enumerate("advapi32.dll", "EnumServicesStatusExW", reinterpret_cast<void*>(&servicePages));
    ProcessEntry own(GetCurrentProcessId(), "windows_tests.exe", L"windows_tests.exe", 17);
    RowDetails details;
    const std::wstring tip = details.processText(own);
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64)) {
        EXPECT_NE(tip.find(sizeof(void*) == 8 ? L", 64-bit" : L", 32-bit"), std::wstring::npos) << tip;
    }
    EXPECT_NE(tip.find(L"Services: Alpha, Beta, Gamma"), std::wstring::npos) << tip;
}

// A translation naming a string block the file lacks: the strings are found
// in the block that is there.
TEST(VersionReaderTest, StringsOfABlockTheTranslationDoesNotName)
{
    const std::string path = TestSupport::siblingPath("named_module.dll");
    FileVersion read;
    VersionReader().read(std::wstring(path.begin(), path.end()).c_str(), read);
    ASSERT_TRUE(read.versioned);
    EXPECT_STREQ(read.fileVersion.items, L"1.2.3.4");
    EXPECT_STREQ(read.company.items, L"Tarnwick Test Maker");
    EXPECT_STREQ(read.description.items, L"A module named in four scripts");
}

namespace {
std::vector<UINT> tipMessages;
LRESULT CALLBACK recordingTip(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER)
        tipMessages.push_back(message);
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

// On Windows a click hides a tool's tip until the pointer leaves the tool,
// here the whole list: the pointer moving on to another row makes the tool
// anew before the move is relayed, so that row's tip shows.
TEST(RowTrackingTest, AfterAClickTheNextRowHasItsTip)
{
    PlainListBox list;
    for (const char* text : {"a.exe", "b.exe", "c.exe"})
        SendMessageA(list.handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    HWND tip = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordingTip));
    ListRows::RowTracking tracking;
    tracking.tooltip = tip;
    const int height = int(SendMessageA(list.handle, LB_GETITEMHEIGHT, 0, 0));
    for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP})
        tracking.follow(list.handle, message, 0, MAKELPARAM(10, 1));
    tipMessages.clear();
    tracking.follow(list.handle, WM_MOUSEMOVE, 0, MAKELPARAM(10, height + 1));
    EXPECT_EQ(tracking.row, 1);
    const std::vector<UINT> expected = {TTM_POP, TTM_ACTIVATE, TTM_ACTIVATE, TTM_RELAYEVENT};
    EXPECT_EQ(tipMessages, expected);
    DestroyWindow(tip);
}

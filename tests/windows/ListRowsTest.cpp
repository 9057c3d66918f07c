#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "TestWindows.h"
#include "inspection/ListRows.h"

using TestSupport::PlainListBox;
using namespace Inspection;

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

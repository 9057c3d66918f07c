#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/Entry.h"
#include "app/MainWindow.h"
#include "core/Errors.h"
#include "support/ImportSwap.h"

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

// Every process is shown with this process's own modules, read in process.
BOOL WINAPI ownModules(HANDLE, HMODULE* modules, DWORD size, LPDWORD needed)
{
    if (size >= sizeof(HMODULE))
        modules[0] = GetModuleHandleA(nullptr);
    *needed = sizeof(HMODULE);
    return TRUE;
}

DWORD WINAPI ownName(HANDLE, HMODULE module, LPSTR path, DWORD size) { return GetModuleFileNameA(module, path, size); }

decltype(&GetMessageA) realGetMessage = nullptr;
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

std::string systemText(DWORD code) { return Windows::WindowsError(code).ErrorText().text(); }

struct EntryTest : ::testing::Test {
    void SetUp() override
    {
        boxes.clear();
        fontsMade = 0;
        snapshotCalls = 0;
        refreshPosted = false;
    }
    ImportSwap box{"user32.dll", "MessageBoxA", reinterpret_cast<void*>(&recordingMessageBox)};
    ImportSwap modules{"psapi.dll", "EnumProcessModules", reinterpret_cast<void*>(&ownModules)};
    ImportSwap names{"psapi.dll", "GetModuleFileNameExA", reinterpret_cast<void*>(&ownName)};
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
    EXPECT_EQ(Windows::runProgram(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    expectOneFatalBox(ERROR_NOT_ENOUGH_MEMORY);
}

TEST_F(EntryTest, FailureDuringCreationEndsInTheReport)
{
    ImportSwap snapshot("kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&failingSnapshot));
    EXPECT_EQ(Windows::runProgram(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    expectOneFatalBox(ERROR_NO_SYSTEM_RESOURCES);
}

TEST_F(EntryTest, FailureOnRefreshComesOutOfTheLoopToTheReport)
{
    ImportSwap snapshot("kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&secondSnapshotFails));
    realSnapshot = snapshot.original<decltype(realSnapshot)>();
    ImportSwap get("user32.dll", "GetMessageA", reinterpret_cast<void*>(&postF5First));
    realGetMessage = get.original<decltype(realGetMessage)>();
    EXPECT_EQ(Windows::runProgram(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    EXPECT_EQ(snapshotCalls, 2);
    expectOneFatalBox(ERROR_NO_SYSTEM_RESOURCES);
}

TEST_F(EntryTest, FailingGetMessageIsRaisedNotTakenForAMessage)
{
    ImportSwap get("user32.dll", "GetMessageA", reinterpret_cast<void*>(&failingGetMessage));
    EXPECT_EQ(Windows::runProgram(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    expectOneFatalBox(ERROR_INVALID_WINDOW_HANDLE);
}

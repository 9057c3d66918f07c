#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "TestWindows.h"
#include "core/Errors.h"
#include "inspection/ProcessList.h"
#include "support/ImportSwap.h"

using TestSupport::ImportSwap;
using TestSupport::PlainListBox;
using Inspection::ProcessList;

namespace {

// A snapshot served from a table instead of the system.
HANDLE const fakeSnapshot = reinterpret_cast<HANDLE>(0x5150);
std::vector<std::pair<DWORD, std::string>> records;
size_t nextRecord = 0;
bool firstFails = false;
int snapshotsOpen = 0;
decltype(&CloseHandle) realCloseHandle = nullptr;

HANDLE WINAPI fakeCreateSnapshot(DWORD flags, DWORD)
{
    EXPECT_EQ(flags, static_cast<DWORD>(TH32CS_SNAPPROCESS));
    ++snapshotsOpen;
    nextRecord = 0;
    return fakeSnapshot;
}

HANDLE WINAPI failingCreateSnapshot(DWORD, DWORD)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
}

// The names are UTF-8 in the table and UTF-16 in the records.
BOOL WINAPI fakeNext(HANDLE snapshot, PROCESSENTRY32W* record)
{
    EXPECT_EQ(snapshot, fakeSnapshot);
    EXPECT_EQ(record->dwSize, sizeof(PROCESSENTRY32W));
    if (nextRecord >= records.size())
        return FALSE;
    record->th32ProcessID = records[nextRecord].first;
    EXPECT_NE(MultiByteToWideChar(CP_UTF8, 0, records[nextRecord].second.c_str(), -1, record->szExeFile, MAX_PATH), 0);
    ++nextRecord;
    return TRUE;
}

BOOL WINAPI fakeFirst(HANDLE snapshot, PROCESSENTRY32W* record)
{
    if (firstFails)
        return FALSE;
    return fakeNext(snapshot, record);
}

BOOL WINAPI trackingCloseHandle(HANDLE handle)
{
    if (handle == fakeSnapshot) {
        --snapshotsOpen;
        return TRUE;
    }
    return realCloseHandle(handle);
}

struct FakeSnapshot {
    FakeSnapshot(std::vector<std::pair<DWORD, std::string>> table)
        : create("kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&fakeCreateSnapshot)),
          first("kernel32.dll", "Process32FirstW", reinterpret_cast<void*>(&fakeFirst)),
          next("kernel32.dll", "Process32NextW", reinterpret_cast<void*>(&fakeNext)),
          close("kernel32.dll", "CloseHandle", reinterpret_cast<void*>(&trackingCloseHandle))
    {
        records = std::move(table);
        firstFails = false;
        snapshotsOpen = 0;
        realCloseHandle = close.original<decltype(&CloseHandle)>();
    }
    ~FakeSnapshot() { EXPECT_EQ(snapshotsOpen, 0) << "snapshot left open"; }
    ImportSwap create, first, next, close;
};

struct ProcessListTest : ::testing::Test {
    PlainListBox box;
    ProcessList list{&box};
};

} // namespace

TEST_F(ProcessListTest, FirstRecordIsSkippedAndTheSecondSelected)
{
    FakeSnapshot snapshot({{0, "[System Process]"}, {4, "smss.exe"}, {8, "app.exe"}, {12, "app.exe"}});
    list.refill();
    EXPECT_EQ(box.rows(), (std::vector<std::string>{"smss.exe", "app.exe", "app.exe"}));
    ASSERT_EQ(list.entries.count, 3u);
    EXPECT_EQ(box.selection(), 0);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(box.itemData(row), row);
    ASSERT_NE(list.selectedEntry(), nullptr);
    EXPECT_EQ(list.selectedEntry()->processId, 4u);

    // Same names, distinct entries in snapshot order.
    SendMessageA(box.handle, LB_SETCURSEL, 2, 0);
    EXPECT_EQ(list.selectedEntry()->processId, 12u);
    SendMessageA(box.handle, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(list.selectedEntry()->processId, 8u);
    EXPECT_STREQ(list.selectedEntry()->exeName.text(), "app.exe");
}

TEST_F(ProcessListTest, OneRecordOrAFailedFirstGivesNothing)
{
    FakeSnapshot snapshot({{0, "[System Process]"}});
    list.refill();
    EXPECT_TRUE(box.rows().empty());
    EXPECT_EQ(box.selection(), LB_ERR);
    EXPECT_EQ(list.selectedEntry(), nullptr);

    records = {{0, "a.exe"}, {1, "b.exe"}};
    firstFails = true;
    list.refill();
    EXPECT_TRUE(box.rows().empty());
    EXPECT_EQ(list.entries.count, 0u);
    EXPECT_EQ(list.selectedEntry(), nullptr);
}

TEST_F(ProcessListTest, SecondRefillReplacesEverything)
{
    FakeSnapshot snapshot({{0, "idle"}, {1, "a.exe"}, {2, "b.exe"}, {3, "c.exe"}});
    list.refill();
    SendMessageA(box.handle, LB_SETCURSEL, 2, 0);
    // 200 CJK characters: 604 bytes in UTF-8, more than an 8-bit record holds.
    std::string name;
    for (int i = 0; i < 200; ++i)
        name += u8"表";
    name += ".exe";
    records = {{0, "idle"}, {7, name}};
    list.refill();
    EXPECT_EQ(box.rows(), (std::vector<std::string>{name}));
    EXPECT_EQ(list.entries.count, 1u);
    EXPECT_EQ(box.itemData(0), 0);
    EXPECT_EQ(box.selection(), 0);
    EXPECT_EQ(list.selectedEntry()->processId, 7u);
}

TEST_F(ProcessListTest, FailedSnapshotRaisesItsCodeAndLeavesTheListEmpty)
{
    {
        FakeSnapshot snapshot({{0, "idle"}, {1, "a.exe"}});
        list.refill();
    }
    ImportSwap create("kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&failingCreateSnapshot));
    try {
        list.refill();
        FAIL() << "no exception";
    } catch (const Core::WindowsError& error) {
        EXPECT_EQ(error.code, static_cast<uint32_t>(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_TRUE(box.rows().empty());
    EXPECT_EQ(list.entries.count, 0u);
}

TEST_F(ProcessListTest, StaleItemDataSelectsNothing)
{
    FakeSnapshot snapshot({{0, "idle"}, {1, "a.exe"}});
    list.refill();
    SendMessageA(box.handle, LB_SETITEMDATA, 0, 5);
    EXPECT_EQ(list.selectedEntry(), nullptr);
    SendMessageA(box.handle, LB_SETITEMDATA, 0, static_cast<LPARAM>(-1));
    EXPECT_EQ(list.selectedEntry(), nullptr);
}

namespace {
decltype(&SendMessageA) realSendMessage = nullptr;
std::vector<WPARAM> itemDataRows;
LRESULT WINAPI refusingSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_ADDSTRING && std::strcmp(reinterpret_cast<const char*>(lParam), "refused.exe") == 0)
        return LB_ERRSPACE;
    if (message == LB_SETITEMDATA)
        itemDataRows.push_back(wParam);
    return realSendMessage(window, message, wParam, lParam);
}
} // namespace

TEST_F(ProcessListTest, RefusedRowTakesNoItemDataAndNoEntry)
{
    FakeSnapshot snapshot({{0, "idle"}, {1, "a.exe"}, {2, "refused.exe"}, {3, "c.exe"}});
    ImportSwap send("user32.dll", "SendMessageA", reinterpret_cast<void*>(&refusingSendMessage));
    realSendMessage = send.original<decltype(&SendMessageA)>();
    itemDataRows.clear();
    list.refill();
    EXPECT_EQ(itemDataRows, (std::vector<WPARAM>{0, 1}));
    EXPECT_EQ(box.rows(), (std::vector<std::string>{"a.exe", "c.exe"}));
    ASSERT_EQ(list.entries.count, 2u);
    SendMessageA(box.handle, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(list.selectedEntry()->processId, 3u);
}

TEST_F(ProcessListTest, RealSnapshotListsThisProcess)
{
    list.refill();
    bool found = false;
    for (uint32_t i = 0; i < list.entries.count; ++i)
        found = found || list.entries[i]->processId == GetCurrentProcessId();
    EXPECT_TRUE(found);
    EXPECT_EQ(box.rows().size(), list.entries.count);
    EXPECT_EQ(box.selection(), 0);
}

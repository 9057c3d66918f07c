#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "inspection/ModuleSearch.h"
#include "support/ImportSwap.h"

using TestSupport::ImportSwap;

// As Windows compares file names: ordinal, ignoring case, letters beyond
// ASCII included.
TEST(ModuleSearchTest, MatchesAsFileNamesCompare)
{
    Inspection::ModuleSearch search;
    const std::wstring path = L"C:\\Stra\u00DFe\\\u00C9cole\\\u03A9mega.dll";
    search.index.addProcess(10, L"a.exe", 5);
    search.index.addModule(path.c_str(), uint32_t(path.size()));
    const struct {
        const wchar_t* text;
        uint32_t found;
    } cases[] = {{L"\u00E9COLE", 1}, {L"\u03C9MEGA.DLL", 1}, {L"c:\\stra\u00DFe\\\u00E9cole\\\u03C9mega.dll", 1},
                 {L"strasse", 0},     {L"\u03C9mega.dlx", 0},  {L"", 0}};
    Core::Array<Inspection::ModuleIndex::Row> rows;
    for (const auto& c : cases) {
        search.filter(c.text, uint32_t(wcslen(c.text)), rows);
        EXPECT_EQ(rows.count, c.found) << "case " << (&c - cases);
    }
}

namespace {
// The one process the system refuses, as it refuses a protected one even
// with the debug privilege.
DWORD refusedId = 0;
decltype(&OpenProcess) realOpen = nullptr;
HANDLE WINAPI refusing(DWORD access, BOOL inherit, DWORD id)
{
    if (id == refusedId) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return realOpen(access, inherit, id);
}
} // namespace

// The search reads every other process of the system.
TEST(RealModuleSearchTest, NamesAProcessItCouldNotOpenAfterTheMatches)
{
    // The first process the search meets: the snapshot's second record.
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W record = {};
    record.dwSize = sizeof(record);
    ASSERT_TRUE(Process32FirstW(snapshot, &record) && Process32NextW(snapshot, &record));
    CloseHandle(snapshot);
    refusedId = record.th32ProcessID;
    ImportSwap open("kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&refusing));
    realOpen = open.original<decltype(realOpen)>();
    Inspection::ModuleSearch search;
    search.run();
    const Inspection::ModuleIndex& index = search.index;
    ASSERT_GE(index.processes.count, 2u);
    ASSERT_EQ(index.processes[0].processId, refusedId);
    ASSERT_NE(index.processes[0].reason, Inspection::ModuleIndex::none);
    EXPECT_EQ(std::wstring(index.at(index.processes[0].reason)), L"Access Denied");
    Core::Array<Inspection::ModuleIndex::Row> rows;
    const Inspection::ModuleIndex::Counts counts = search.filter(L"KERNEL32.DLL", 12, rows);
    EXPECT_EQ(counts.unsearched, 1u);
    EXPECT_EQ(counts.processes, index.processes.count - 1);
    EXPECT_EQ(counts.modules, counts.processes);
    ASSERT_EQ(rows.count, counts.modules + 1);
    EXPECT_EQ(rows[rows.count - 1].process, 0u);
    EXPECT_EQ(rows[rows.count - 1].module, Inspection::ModuleIndex::none);
}

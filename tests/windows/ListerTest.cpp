#include <gtest/gtest.h>

#include <windows.h>

#include "lister/Lister.h"
#include "support/ImportSwap.h"

using TestSupport::ImportSwap;

namespace {
// A reader that stopped reading: Windows fails the write with one of these.
HANDLE closedPipe = nullptr;
DWORD pipeCode = 0;
decltype(&WriteFile) realWrite = nullptr;
BOOL WINAPI writeToClosedPipe(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    if (file != closedPipe)
        return realWrite(file, data, size, written, overlapped);
    SetLastError(pipeCode);
    return FALSE;
}
} // namespace

// `orrimel | more` quit early: the run ends quietly with the exit code it
// had decided, nothing on standard error.
TEST(ListerTest, ClosedPipeEndsQuietlyWithTheDecidedCode)
{
    ImportSwap write("kernel32.dll", "WriteFile", reinterpret_cast<void*>(&writeToClosedPipe));
    realWrite = write.original<decltype(realWrite)>();
    HANDLE read = nullptr, errors = nullptr, unread = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &errors, nullptr, 1 << 16));
    ASSERT_TRUE(CreatePipe(&unread, &closedPipe, nullptr, 0));
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, closedPipe);
    SetStdHandle(STD_ERROR_HANDLE, errors);
    for (DWORD code : {DWORD(ERROR_BROKEN_PIPE), DWORD(ERROR_NO_DATA)}) {
        pipeCode = code;
        // This process alone: another one may not be readable where the tests run.
        wchar_t program[] = L"orrimel", self[16];
        wsprintfW(self, L"%lu", GetCurrentProcessId());
        wchar_t* arguments[] = {program, self};
        EXPECT_EQ(runLister(2, arguments), 0) << code;
    }
    SetStdHandle(STD_OUTPUT_HANDLE, out);
    SetStdHandle(STD_ERROR_HANDLE, err);
    CloseHandle(errors);
    char said[256] = "";
    DWORD length = 0;
    ReadFile(read, said, sizeof(said) - 1, &length, nullptr);
    EXPECT_EQ(length, 0u) << said;
    for (HANDLE handle : {read, unread, closedPipe})
        CloseHandle(handle);
}

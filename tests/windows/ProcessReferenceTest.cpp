#include <gtest/gtest.h>

#include <windows.h>

#include "app/ProcessReference.h"

namespace {
volatile LONG sheetClosed = 0;
DWORD WINAPI sheetThread(LPVOID held)
{
    Sleep(300);
    InterlockedExchange(&sheetClosed, 1);
    static_cast<IUnknown*>(held)->Release();
    return 0;
}
} // namespace

// A property sheet the shell opened on a thread of this process holds the
// process's reference: the end waits until the sheet lets go of it.
TEST(ProcessReferenceTest, EndWaitsForTheLastHolder)
{
    using GetInstance = HRESULT(WINAPI*)(IUnknown**);
    const auto get = reinterpret_cast<GetInstance>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), "SHGetInstanceExplorer")));
    ASSERT_NE(get, nullptr);
    {
        App::ProcessReference reference;
        IUnknown* held = nullptr;
        ASSERT_EQ(get(&held), S_OK);
        CloseHandle(CreateThread(nullptr, 0, &sheetThread, held, 0, nullptr));
    }
    EXPECT_EQ(sheetClosed, 1);
    IUnknown* after = nullptr;
    EXPECT_NE(get(&after), S_OK); // taken back from the shell
}

#include <gtest/gtest.h>

#include <windows.h>

#include "support/ImportSwap.h"
#include "support/Probes.h"

using TestSupport::ImportSwap;
using TestSupport::probeBeep;
using TestSupport::probeTickCount;

namespace {
DWORD WINAPI failingTickCount() { return 42; }

BOOL WINAPI refusingBeep(DWORD, DWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
} // namespace

TEST(ImportSwapTest, ReplacesForTheScopeAndRestores)
{
    {
        ImportSwap swap("kernel32.dll", "GetTickCount", reinterpret_cast<void*>(&failingTickCount));
        EXPECT_EQ(probeTickCount(), 42u);
        auto real = swap.original<DWORD(WINAPI*)()>();
        EXPECT_NE(real, &failingTickCount);
    }
    // Ticks since boot are never exactly 42 twice in a row.
    EXPECT_FALSE(probeTickCount() == 42u && (Sleep(20), probeTickCount() == 42u));
}

TEST(ImportSwapTest, InjectedFailureIsSeenThenTheRealCallAgain)
{
    {
        ImportSwap swap("KERNEL32.DLL", "Beep", reinterpret_cast<void*>(&refusingBeep));
        SetLastError(0);
        EXPECT_FALSE(probeBeep());
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    SetLastError(0);
    probeBeep();
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(ImportSwapTest, UnknownImportIsReported)
{
    EXPECT_THROW(ImportSwap("kernel32.dll", "NoSuchFunction", nullptr), std::runtime_error);
    EXPECT_THROW(ImportSwap("nosuch.dll", "Beep", nullptr), std::runtime_error);
}

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/Errors.h"
#include "support/ImportSwap.h"

using Core::WindowsError;

namespace {
std::string systemText(DWORD code)
{
    char text[1024] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text), nullptr);
    return text;
}

int localFrees = 0;
decltype(&LocalFree) realLocalFree = nullptr;
HLOCAL WINAPI countingLocalFree(HLOCAL block)
{
    ++localFrees;
    return realLocalFree(block);
}

DWORD WINAPI failingFormat(DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, va_list*)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}
} // namespace

TEST(ErrorTextTest, KnownCodeGivesTheSystemTextWithItsLineBreak)
{
    const std::string expected = systemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(expected.empty());
    Core::String text = WindowsError(ERROR_FILE_NOT_FOUND).ErrorText();
    EXPECT_EQ(std::string(text.text()), expected);
    EXPECT_EQ(text.count, expected.size() + 1);
    const std::string shown = text.text();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.substr(shown.size() - 2), "\r\n");
}

TEST(ErrorTextTest, UnknownCodeGivesUnknownError)
{
    Core::String text = WindowsError(0x2000DEADu).ErrorText();
    EXPECT_STREQ(text.text(), "Unknown error.");
    EXPECT_EQ(text.count, 15u);
}

TEST(ErrorTextTest, ResultCodesGoTheSameWay)
{
    for (DWORD code : {0x80070002u, 0x80004005u, 0x8007FFFFu}) {
        const std::string expected = systemText(code);
        Core::String text = WindowsError(code).ErrorText();
        EXPECT_EQ(std::string(text.text()), expected.empty() ? "Unknown error." : expected) << std::hex << code;
    }
}

TEST(ErrorTextTest, SystemBlockIsFreedOnBothPaths)
{
    TestSupport::ImportSwap frees("kernel32.dll", "LocalFree", reinterpret_cast<void*>(&countingLocalFree));
    realLocalFree = frees.original<decltype(&LocalFree)>();

    localFrees = 0;
    WindowsError(ERROR_ACCESS_DENIED).ErrorText();
    EXPECT_EQ(localFrees, 1);

    TestSupport::ImportSwap format("kernel32.dll", "FormatMessageA", reinterpret_cast<void*>(&failingFormat));
    localFrees = 0;
    Core::String text = WindowsError(ERROR_ACCESS_DENIED).ErrorText();
    EXPECT_STREQ(text.text(), "Unknown error.");
    EXPECT_EQ(localFrees, 1);
}

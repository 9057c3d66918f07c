#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "details/DetailsCache.h"
#include "support/ImportSwap.h"
#include "support/SiblingPath.h"

using TestSupport::ImportSwap;
using namespace Details;

namespace {
// Opens of the files whose names hold `marker`: each noted by its file name
// and failed with `failure`, the first held until `released`, as a share
// that no longer answers holds it.
struct HeldOpens {
    HeldOpens(const wchar_t* names, DWORD code) : marker(names), failure(code) {}
    const wchar_t* marker;
    DWORD failure;
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<std::wstring> opens;
    decltype(&CreateFileW) real = nullptr;
};
HeldOpens* held = nullptr;
HANDLE WINAPI heldOpen(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                       DWORD flags, HANDLE from)
{
    HeldOpens& opens = *held; // its own, should a later test set another
    if (wcsstr(name, opens.marker) == nullptr)
        return opens.real(name, access, share, security, how, flags, from);
    opens.opens.push_back(wcsrchr(name, L'\\') + 1);
    if (opens.opens.size() == 1) {
        SetEvent(opens.entered);
        WaitForSingleObject(opens.released, INFINITE);
    }
    SetLastError(opens.failure);
    return INVALID_HANDLE_VALUE;
}
} // namespace

// The program's end never waits on such a file: the cache ends while its
// worker is still inside the open.
TEST(DetailsCacheTest, EndsWithoutWaitingForAFileThatHangs)
{
    // Left to the worker still inside the open when the test ends.
    held = new HeldOpens(L"unreachable", ERROR_BAD_NETPATH);
    ImportSwap open("kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&heldOpen));
    held->real = open.original<decltype(held->real)>();
    {
        DetailsCache cache;
        FileDetails details;
        const wchar_t path[] = L"\\\\server\\unreachable\\a.dll";
        EXPECT_FALSE(cache.find(path, sizeof(path) / sizeof(path[0]) - 1, details));
        ASSERT_EQ(WaitForSingleObject(held->entered, 10000), WAIT_OBJECT_0);
    }
    SetEvent(held->released);
}

// A file replaced by another of the same size, its write time set back as
// a copy tool does, is read again at the next snapshot: its ID and change
// time tell it apart.
TEST(DetailsCacheTest, ReplacedFileWithTheSameSizeAndTimeIsReadAgain)
{
    const std::string signedCopy = TestSupport::siblingPath("signed_module.dll");
    const std::string changedCopy = TestSupport::siblingPath("changed_module.dll");
    const std::string target = TestSupport::siblingPath("replaced_module.dll");
    ASSERT_TRUE(CopyFileA(signedCopy.c_str(), target.c_str(), FALSE));
    const std::wstring path(target.begin(), target.end());
    DetailsCache cache;
    FileDetails details;
    const auto answer = [&]() {
        for (int i = 0; i < 2000 && !cache.find(path.c_str(), uint32_t(path.size()), details); ++i)
            Sleep(5);
        return details.verdict.signature;
    };
    EXPECT_EQ(answer(), Details::Signature::Signed);
    FILETIME written = {};
    HANDLE file = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    ASSERT_TRUE(DeleteFileA(target.c_str()));
    ASSERT_TRUE(CopyFileA(changedCopy.c_str(), target.c_str(), FALSE));
    file = CreateFileA(target.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    cache.newSnapshot();
    cache.find(path.c_str(), uint32_t(path.size()), details); // asked again: the answer kept stands meanwhile
    Sleep(50);
    EXPECT_EQ(answer(), Details::Signature::Invalid);
    DeleteFileA(target.c_str());
}

// While the worker is on one file, the files asked meanwhile are read
// newest first (the rows on screen now); the window is told when the last
// answer is in, and the progress then counts every file answered.
TEST(DetailsCacheTest, NewestAskedFirstAndProgressEndsComplete)
{
    HeldOpens ordered(L"asked-", ERROR_FILE_NOT_FOUND);
    held = &ordered;
    ImportSwap open("kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&heldOpen));
    ordered.real = open.original<decltype(ordered.real)>();
    const HWND told = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const UINT notice = WM_APP + 7;
    DetailsCache cache;
    cache.tellTo(told, notice);
    FileDetails details;
    const std::wstring names[] = {L"C:\\asked-a.dll", L"C:\\asked-b.dll", L"C:\\asked-c.dll", L"C:\\asked-d.dll"};
    cache.find(names[0].c_str(), uint32_t(names[0].size()), details);
    ASSERT_EQ(WaitForSingleObject(ordered.entered, 10000), WAIT_OBJECT_0);
    for (int i = 1; i < 4; ++i)
        EXPECT_FALSE(cache.find(names[i].c_str(), uint32_t(names[i].size()), details));
    uint32_t asked = 0, answered = 0;
    cache.progress(asked, answered);
    EXPECT_EQ(asked, 4u);
    EXPECT_EQ(answered, 0u);
    SetEvent(ordered.released);
    cache.wait();
    const std::vector<std::wstring> expected = {L"asked-a.dll", L"asked-d.dll", L"asked-c.dll", L"asked-b.dll"};
    EXPECT_EQ(ordered.opens, expected);
    cache.progress(asked, answered);
    EXPECT_EQ(answered, 4u);
    MSG message;
    bool notified = false;
    for (int i = 0; i < 200 && !notified; ++i) {
        notified = PeekMessageW(&message, told, notice, notice, PM_REMOVE) != 0;
        Sleep(notified ? 0 : 5);
    }
    EXPECT_TRUE(notified);
    ASSERT_TRUE(cache.find(names[3].c_str(), uint32_t(names[3].size()), details));
    EXPECT_EQ(details.verdict.signature, Signature::Error);
    EXPECT_EQ(details.verdict.code, DWORD(ERROR_FILE_NOT_FOUND));
    DestroyWindow(told);
}

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <shlobj.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ListMenu.h"
#include "app/MainWindow.h"
#include "controls/TitleBand.h"
#include "core/Errors.h"
#include "support/EnumerationSwap.h"
#include "support/ImportSwap.h"
#include "support/ProcedureSwap.h"
#include "details/VersionResource.h"
#include "resources/ResourceIds.h"
#include "toolkit/Dpi.h"
#include "toolkit/WindowClass.h"

using TestSupport::EnumerationSwap;
using TestSupport::ImportSwap;
using TestSupport::ProcedureSwap;
using namespace Core;
using namespace Toolkit;
using namespace Controls;
using namespace App;
using namespace Inspection;

namespace {

// Every process is shown with this process's own modules, read in process.
BOOL WINAPI ownModules(HANDLE, HMODULE* modules, DWORD size, LPDWORD needed)
{
    const HMODULE own[] = {GetModuleHandleA(nullptr), GetModuleHandleA("ntdll.dll"),
                           GetModuleHandleA("kernel32.dll")};
    for (DWORD i = 0; i < 3 && (i + 1) * sizeof(HMODULE) <= size; ++i)
        modules[i] = own[i];
    *needed = sizeof(own);
    return TRUE;
}
DWORD WINAPI ownName(HANDLE, HMODULE module, LPWSTR path, DWORD size) { return GetModuleFileNameW(module, path, size); }

int snapshots = 0;
decltype(&CreateToolhelp32Snapshot) realSnapshot = nullptr;
HANDLE WINAPI countingSnapshot(DWORD flags, DWORD id)
{
    ++snapshots;
    return realSnapshot(flags, id);
}

RECT childRect(HWND parent, HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string windowText(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

struct MainWindowTest : ::testing::Test {
    void SetUp() override
    {
        moduleInstance = GetModuleHandleA(nullptr);
        realSnapshot = snapshot.original<decltype(realSnapshot)>();
        main.create(mainWindowParams());
        ShowWindow(main.handle, SW_SHOW);
    }
    EnumerationSwap enumerate{&ownModules};
    ProcedureSwap names{"GetModuleFileNameExW", reinterpret_cast<void*>(&ownName)};
    ImportSwap snapshot{"kernel32.dll", "CreateToolhelp32Snapshot", reinterpret_cast<void*>(&countingSnapshot)};
    MainWindow main;
    MainWindowContents& c = main.contents;
};

} // namespace

TEST_F(MainWindowTest, LayoutFontsAndFocus)
{
    HWND parent = main.handle;
    char className[64];
    GetClassNameA(parent, className, sizeof(className));
    EXPECT_STREQ(className, "MainWindow");
    EXPECT_EQ(windowText(parent), "Tarnwick Orrimel");
    RECT outer;
    GetWindowRect(parent, &outer);
    EXPECT_EQ(outer.right - outer.left, 467);
    EXPECT_EQ(outer.bottom - outer.top, 430);

    struct Expected {
        HWND window;
        // width 0: sized to its text; height -h: a list box, which the
        // platform trims from h to a whole number of rows
        int x, y, width, height;
    } expected[] = {
        {c.titleBand.handle, 0, 25, 467, 32},
        {c.processesLabel.handle, 20, 73, 0, 0},
        {c.modulesLabel.handle, 240, 73, 0, 0},
        {c.pathLabel.handle, 20, 293, 0, 0},
        {c.refreshHint.handle, 340, 7, 0, 0},
        {c.copyrightLink.handle, 112, 355, 0, 0},
        {c.homeLink.handle, 155, 372, 0, 0},
        {c.processListBox.handle, 20, 90, 200, -200},
        {c.moduleListBox.handle, 240, 90, 200, -200},
        {c.pathBox.handle, 20, 310, 420, 32},
    };
    // Exact at 96 DPI; moved to a monitor of 144 DPI, half as large again
    // within two pixels in the rectangle suggested; back at 96, exact again.
    const auto expectLayout = [&](int dpi) {
        const int slack = dpi == 96 ? 0 : 2;
        for (const Expected& child : expected) {
            ASSERT_NE(child.window, nullptr);
            const RECT rect = childRect(parent, child.window);
            SCOPED_TRACE(windowText(child.window) + " at " + std::to_string(dpi));
            EXPECT_NEAR(rect.left, scaled(child.x, dpi), slack);
            EXPECT_NEAR(rect.top, scaled(child.y, dpi), slack);
            if (child.height < 0) {
                EXPECT_NEAR(rect.right - rect.left, scaled(child.width, dpi), slack);
                EXPECT_LE(rect.bottom - rect.top, scaled(-child.height, dpi));
                EXPECT_GT(rect.bottom - rect.top, scaled(-child.height - 20, dpi));
            } else if (child.width != 0) {
                EXPECT_NEAR(rect.right - rect.left, scaled(child.width, dpi), slack);
                EXPECT_NEAR(rect.bottom - rect.top, scaled(child.height, dpi), slack);
            } else {
                EXPECT_GT(rect.right - rect.left, 0);
                EXPECT_NEAR(rect.bottom - rect.top, scaled(13, dpi), 2 + slack); // the fonts' height
            }
        }
    };
    expectLayout(96);
    RECT suggested = {50, 40, 50 + 700, 40 + 640};
    SendMessageA(parent, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    expectLayout(144);
    GetWindowRect(parent, &outer);
    EXPECT_TRUE(EqualRect(&outer, &suggested)) << outer.left << "," << outer.top << " " << outer.right << "," << outer.bottom;
    SendMessageA(parent, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    expectLayout(96);
    for (HWND control : {c.processListBox.handle, c.moduleListBox.handle, c.pathBox.handle})
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), c.listFont.handle);
    EXPECT_EQ(c.processesLabel.contents.font, c.headingFont.handle);
    EXPECT_EQ(c.refreshHint.contents.font, c.hintFont.handle);
    EXPECT_EQ(c.homeLink.contents.font, c.linkFont.handle);
    EXPECT_EQ(c.homeLink.contents.colour, 0x03AD87u);
    EXPECT_STREQ(c.homeLink.contents.url.text(), c.homeLink.contents.text.text());
    EXPECT_EQ(GetFocus(), c.processListBox.handle);

    // Minimised on Windows, the child loses the focus before the window is
    // deactivated; focused again, the window gives it back to that child.
    for (HWND child : {c.moduleListBox.handle, c.pathBox.handle}) {
        SetFocus(child);
        SetFocus(nullptr);
        SendMessageA(main.handle, WM_ACTIVATE, WA_INACTIVE, 0);
        SetFocus(main.handle);
        EXPECT_EQ(GetFocus(), child);
    }
}

namespace {
// Windows before 10 1607: no AdjustWindowRectExForDpi nor GetDpiForWindow,
// a frame of the system DPI's measures whatever the window's DPI.
decltype(&GetProcAddress) realLookup = nullptr;
FARPROC WINAPI withoutForDpi(HMODULE module, LPCSTR name)
{
    const bool byName = HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0;
    return byName && (std::string(name) == "AdjustWindowRectExForDpi" || std::string(name) == "GetDpiForWindow")
               ? nullptr
               : realLookup(module, name);
}
BOOL WINAPI fixedFrame(LPRECT rect, DWORD, BOOL, DWORD)
{
    InflateRect(rect, 4, 4);
    rect->top -= 26;
    return TRUE;
}
int WINAPI systemDpi96(HDC, int) { return 96; }
} // namespace

TEST(OuterSizeTest, FrameBeforeWindows10StaysAtTheSystemDpi)
{
    ImportSwap lookup("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&withoutForDpi));
    realLookup = lookup.original<decltype(realLookup)>();
    ImportSwap frame("user32.dll", "AdjustWindowRectEx", reinterpret_cast<void*>(&fixedFrame));
    ImportSwap caps("gdi32.dll", "GetDeviceCaps", reinterpret_cast<void*>(&systemDpi96));
    const SIZE outer = outerSizeAt({467, 430}, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 144);
    EXPECT_EQ(outer.cx, scaled(467 - 8, 144) + 8);
    EXPECT_EQ(outer.cy, scaled(430 - 34, 144) + 34);
}

// Typing in the results finds the next row whose process name starts with
// the text, or none; the copy keys wherever the focus is. The search reads
// every process, so the suite's name says so.
using RealMainWindowTest = MainWindowTest;
TEST_F(RealMainWindowTest, FinderTypingAndCopyingEveryResult)
{
    c.openFinder();
    ModuleFinderContents& f = c.finder.contents;
    ASSERT_EQ(GetFocus(), f.textBox);
    ASSERT_GT(f.rows.count, 1u);
    NMLVFINDITEMW find = {};
    find.hdr = {f.results, 2002, LVN_ODFINDITEMW};
    find.lvfi.flags = LVFI_PARTIAL | LVFI_WRAP;
    find.lvfi.psz = L"WINDOWS_TESTS";
    const LRESULT found = SendMessageW(c.finder.handle, WM_NOTIFY, 2002, reinterpret_cast<LPARAM>(&find));
    ASSERT_GT(found, 0);
    EXPECT_EQ(f.finder.index.processes[f.rows[uint32_t(found)].process].processId, GetCurrentProcessId());
    find.lvfi.psz = L"no such process";
    EXPECT_EQ(SendMessageW(c.finder.handle, WM_NOTIFY, 2002, reinterpret_cast<LPARAM>(&find)), -1);

    const auto copied = [&](WPARAM command) {
        SendMessageW(c.finder.handle, WM_COMMAND, command, 0);
        EXPECT_TRUE(OpenClipboard(nullptr));
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        const std::wstring text = data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
        if (data != nullptr)
            GlobalUnlock(data);
        CloseClipboard();
        return text;
    };
    // Every result under the lister's columns, though the text box has the
    // focus; Ctrl+C there copies its own selection.
    const std::wstring all = copied(IDM_COPY_ALL);
    EXPECT_EQ(all.substr(0, all.find(L'\r')),
              L"Process\tPID\tPath\tStatus\tVersion\tCompany\tDescription\tSigner\tSignature");
    EXPECT_EQ(std::count(all.begin(), all.end(), L'\n'), long(f.rows.count) + 1);
    EXPECT_EQ(copied(IDM_COPY), std::wstring(f.text.items));
    // In the results, the selected result's path.
    SetFocus(f.results);
    LVITEMW state = {};
    state.stateMask = state.state = LVIS_SELECTED;
    SendMessageW(f.results, LVM_SETITEMSTATE, WPARAM(found), reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(copied(IDM_COPY), f.finder.index.path(f.rows[uint32_t(found)].module));
}

TEST_F(MainWindowTest, SelectionsShowTheirModulesAndPaths)
{
    ASSERT_GT(c.processListBox.contents.entries.count, 0u);
    EXPECT_EQ(SendMessageA(c.processListBox.handle, LB_GETCURSEL, 0, 0), 0);
    ASSERT_EQ(c.moduleListBox.contents.entries.count, 3u);
    EXPECT_EQ(windowText(c.pathBox.handle), c.moduleListBox.contents.entries[0]->path.text());

    SendMessageA(c.moduleListBox.handle, LB_SETCURSEL, 2, 0);
    EXPECT_EQ(SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(1002, LBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(c.moduleListBox.handle)), 1);
    EXPECT_EQ(windowText(c.pathBox.handle), c.moduleListBox.contents.entries[2]->path.text());

    // Other notifications change nothing.
    SendMessageA(c.moduleListBox.handle, LB_SETCURSEL, 1, 0);
    SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(1002, LBN_DBLCLK), 0);
    SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(1001, LBN_SETFOCUS), 0);
    EXPECT_EQ(windowText(c.pathBox.handle), c.moduleListBox.contents.entries[2]->path.text());

    // A reason row empties the path box.
    c.moduleListBox.contents.fill(0x7FFFFFF0u);
    SendMessageA(c.moduleListBox.handle, LB_SETCURSEL, 0, 0);
    SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(1002, LBN_SELCHANGE), 0);
    EXPECT_EQ(windowText(c.pathBox.handle), "");

    SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(1001, LBN_SELCHANGE), 0);
    EXPECT_EQ(c.moduleListBox.contents.entries.count, 3u);
    EXPECT_EQ(windowText(c.pathBox.handle), c.moduleListBox.contents.entries[0]->path.text());
}

namespace {
// GetModuleFileNameExW given a buffer too small, as each platform answers:
// XP fills it unterminated and returns its size; Vista to Windows 11 write
// one character less and a terminator, return that count and set no error;
// Wine 8 writes as Vista does but returns the size.
enum class Cut { Xp, Windows10, Wine };
Cut cut;
std::wstring served;
DWORD WINAPI cutPath(HANDLE, HMODULE, LPWSTR path, DWORD size)
{
    const DWORD length = static_cast<DWORD>(served.size());
    const DWORD written = length < size ? length : cut == Cut::Xp ? size : size - 1;
    std::copy(served.begin(), served.begin() + written, path);
    if (written < size)
        path[written] = L'\0';
    return length < size ? length : cut == Cut::Windows10 ? size - 1 : size;
}
std::string utf8(const std::wstring& text)
{
    std::string bytes(text.size() * 4, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &bytes[0], int(bytes.size()),
                                     nullptr, nullptr));
    return bytes;
}
// The shell's limit: a path over MAX_PATH - 1 characters makes no item.
PIDLIST_ABSOLUTE WINAPI noLongItem(PCWSTR path)
{
    EXPECT_GT(lstrlenW(path), 259);
    return nullptr;
}
std::string told;
int WINAPI keptBox(HWND, LPCSTR text, LPCSTR, UINT)
{
    told = text;
    return IDOK;
}
} // namespace

TEST_F(MainWindowTest, LongAndNonAsciiPathsShowWholeHoweverThePlatformCuts)
{
    ProcedureSwap cutting("GetModuleFileNameExW", reinterpret_cast<void*>(&cutPath));
    for (Cut convention : {Cut::Xp, Cut::Windows10, Cut::Wine}) {
        for (const std::wstring filler : {L"x", L"Иβ表🙂"}) {
            for (size_t length : {259, 260, 261, 300, 5000}) {
                SCOPED_TRACE(testing::Message() << "convention " << int(convention) << ", length " << length
                                                << (filler.size() > 1 ? ", non-ASCII" : ""));
                const std::wstring name = filler.size() > 1 ? L"модуль.dll" : L"module.dll";
                served = L"C:\\";
                while (served.size() < length - name.size() - 1)
                    served += filler[served.size() % filler.size()];
                // No surrogate pair split by the folder's last character.
                if (IS_HIGH_SURROGATE(served.back()))
                    served.back() = L'x';
                served += L"\\" + name;
                cut = convention;
                SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(40001, 1), 0);
                const std::string whole = utf8(served);
                ASSERT_EQ(SendMessageA(c.moduleListBox.handle, LB_GETCOUNT, 0, 0), 3);
                char row[64] = "";
                SendMessageA(c.moduleListBox.handle, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(row));
                EXPECT_EQ(row, utf8(name));
                std::wstring shown(GetWindowTextLengthW(c.pathBox.handle) + 1, L'\0');
                shown.resize(GetWindowTextW(c.pathBox.handle, &shown[0], int(shown.size())));
                EXPECT_TRUE(shown == served) << "shown " << shown.size() << " of " << served.size();
                EXPECT_EQ(c.moduleListBox.contents.entries[0]->path.text(), whole);
                if (length > 259 && convention == Cut::Wine) {
                    // The shell takes at most MAX_PATH characters: said so.
                    ImportSwap item("shell32.dll", "ILCreateFromPathW", reinterpret_cast<void*>(&noLongItem));
                    ImportSwap box("user32.dll", "MessageBoxA", reinterpret_cast<void*>(&keptBox));
                    ListCommands::perform(c.lists(), c.moduleListBox.handle, IDM_OPEN_FOLDER);
                    EXPECT_EQ(told, WindowsError(ERROR_FILENAME_EXCED_RANGE).ErrorText().text());
                }
            }
        }
    }
}

TEST_F(MainWindowTest, RefreshWithAnyCodeAndCloseLeavesTheWindows)
{
    snapshots = 0;
    EXPECT_EQ(SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(40001, 1), 0), 1);
    EXPECT_EQ(SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(40001, 7), 0), 1);
    SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(1001, LBN_DBLCLK), 0);
    EXPECT_EQ(snapshots, 2);

    SendMessageA(main.handle, WM_CLOSE, 0, 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_TRUE(IsWindow(main.handle));
    EXPECT_TRUE(IsWindow(c.pathBox.handle));
}

namespace {
// What the program asks of the two list boxes, in order: the messages it
// sends them and each invalidation.
HWND recorded[2];
std::vector<std::pair<HWND, std::string>> asked;
decltype(&SendMessageA) realSend = nullptr;
decltype(&InvalidateRect) realInvalidate = nullptr;
LRESULT WINAPI recordingSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window == recorded[0] || window == recorded[1]) {
        const char* name = message == WM_SETREDRAW ? "redraw" : message == LB_RESETCONTENT ? "reset"
                           : message == LB_ADDSTRING ? "add" : message == LB_SETITEMDATA ? "data"
                           : message == LB_SETCURSEL ? "select" : message == LB_GETCURSEL ? "selected"
                           : message == LB_GETITEMDATA ? "itemdata" : "other";
        const bool flag = message == WM_SETREDRAW || message == LB_SETCURSEL;
        asked.push_back({window, name + (flag ? std::to_string(wParam) : "")});
    }
    return realSend(window, message, wParam, lParam);
}
BOOL WINAPI recordingInvalidate(HWND window, const RECT* rect, BOOL erase)
{
    if (window == recorded[0] || window == recorded[1])
        asked.push_back({window, rect == nullptr && erase ? "invalidate" : "invalidate part"});
    return realInvalidate(window, rect, erase);
}
std::string askedOf(HWND box)
{
    std::string all;
    for (const auto& one : asked)
        all += one.first == box ? (all.empty() ? "" : " ") + one.second : "";
    return all;
}
std::string repeated(const std::string& text, uint32_t times)
{
    std::string all;
    while (times-- > 0)
        all += text;
    return all;
}
} // namespace

// A list box redraws itself for every row added once it is shown, so a
// refill suspends its drawing around the row operations, which stay as they
// were, and has it painted once with its final rows and selection.
TEST_F(MainWindowTest, RefreshDrawsEachListOnceWithItsFinalRows)
{
    // Painted first with other rows selected, so that the picture after the
    // refresh tells its final rows from a stale one.
    SendMessageA(c.processListBox.handle, LB_SETCURSEL, 1, 0);
    SendMessageA(c.moduleListBox.handle, LB_SETCURSEL, 2, 0);
    UpdateWindow(main.handle);
    recorded[0] = c.processListBox.handle;
    recorded[1] = c.moduleListBox.handle;
    asked.clear();
    {
        ImportSwap send("user32.dll", "SendMessageA", reinterpret_cast<void*>(&recordingSend));
        ImportSwap invalidate("user32.dll", "InvalidateRect", reinterpret_cast<void*>(&recordingInvalidate));
        realSend = send.original<decltype(realSend)>();
        realInvalidate = invalidate.original<decltype(realInvalidate)>();
        SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(40001, 1), 0);
    }
    const uint32_t processes = c.processListBox.contents.entries.count;
    ASSERT_GT(processes, 0u);
    EXPECT_EQ(askedOf(c.processListBox.handle),
              "redraw0 reset " + repeated("add data ", processes) + "select0 redraw1 invalidate selected itemdata");
    EXPECT_EQ(askedOf(c.moduleListBox.handle),
              "redraw0 reset " + repeated("add data ", 3) + "select0 redraw1 invalidate selected itemdata");

    // Painted, and with its selection: row 0 in the highlight colour.
    UpdateWindow(main.handle);
    for (HWND box : {c.processListBox.handle, c.moduleListBox.handle}) {
        EXPECT_TRUE(IsWindowVisible(box));
        RECT client, update;
        GetClientRect(box, &client);
        EXPECT_FALSE(GetUpdateRect(box, &update, FALSE));
        const int rowHeight = static_cast<int>(SendMessageA(box, LB_GETITEMHEIGHT, 0, 0));
        HDC dc = GetDC(box);
        EXPECT_EQ(GetPixel(dc, client.right - 4, rowHeight / 2), GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ(GetPixel(dc, client.right - 4, rowHeight + rowHeight / 2), GetSysColor(COLOR_WINDOW));
        ReleaseDC(box, dc);
    }
}

namespace {
int pens = 0, bitmaps = 0, memoryDcs = 0, deletedObjects = 0, deletedDcs = 0;
decltype(&CreatePen) realPen = nullptr;
decltype(&LoadImageA) realLoadImage = nullptr;
decltype(&CreateCompatibleDC) realCompatible = nullptr;
decltype(&DeleteObject) realDeleteObject = nullptr;
decltype(&DeleteDC) realDeleteDc = nullptr;
HPEN WINAPI countPen(int style, int width, COLORREF colour) { ++pens; return realPen(style, width, colour); }
HANDLE WINAPI countImage(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags)
{
    if (type == IMAGE_BITMAP)
        ++bitmaps;
    return realLoadImage(instance, name, type, cx, cy, flags);
}
HDC WINAPI countDc(HDC dc) { ++memoryDcs; return realCompatible(dc); }
BOOL WINAPI countDelete(HGDIOBJ object)
{
    const BOOL deleted = realDeleteObject(object);
    deletedObjects += deleted ? 1 : 0;
    return deleted;
}
BOOL WINAPI countDeleteDc(HDC dc) { ++deletedDcs; return realDeleteDc(dc); }
} // namespace

TEST(TitleBandTest, LinesAndBannerWhereTheyBelongAndNothingLeaks)
{
    moduleInstance = GetModuleHandleA(nullptr);
    MainWindow holder; // any parent with a background will do
    holder.create(mainWindowParams());
    ShowWindow(holder.handle, SW_SHOW);
    TitleBand band;
    // Narrower than the holder's client area, so every column is on screen.
    band.contents.createChild(holder.handle, 0, 0, 400, 32);
    UpdateWindow(band.handle);

    HDC dc = GetDC(band.handle);
    const COLORREF grey = RGB(204, 204, 204), pale = RGB(255, 255, 204);
    EXPECT_EQ(GetPixel(dc, 0, 0), grey);
    EXPECT_EQ(GetPixel(dc, 398, 0), grey);
    EXPECT_EQ(GetPixel(dc, 399, 0), pale); // a line leaves out its end point
    EXPECT_EQ(GetPixel(dc, 0, 31), grey);
    EXPECT_EQ(GetPixel(dc, 399, 31), grey);
    EXPECT_EQ(GetPixel(dc, 300, 15), pale);
    int lettering = 0;
    for (int x = 12; x < 257; ++x)
        for (int y = 9; y < 24; ++y)
            lettering += GetPixel(dc, x, y) == RGB(83, 143, 1) ? 1 : 0;
    EXPECT_GT(lettering, 100);
    for (int x = 0; x < 258; ++x)
        EXPECT_EQ(GetPixel(dc, x, 29), pale) << x; // below the banner
    ReleaseDC(band.handle, dc);

    ImportSwap pen("gdi32.dll", "CreatePen", reinterpret_cast<void*>(&countPen));
    ImportSwap image("user32.dll", "LoadImageA", reinterpret_cast<void*>(&countImage));
    ImportSwap compatible("gdi32.dll", "CreateCompatibleDC", reinterpret_cast<void*>(&countDc));
    ImportSwap deleteObject("gdi32.dll", "DeleteObject", reinterpret_cast<void*>(&countDelete));
    ImportSwap deleteDc("gdi32.dll", "DeleteDC", reinterpret_cast<void*>(&countDeleteDc));
    realPen = pen.original<decltype(realPen)>();
    realLoadImage = image.original<decltype(realLoadImage)>();
    realCompatible = compatible.original<decltype(realCompatible)>();
    realDeleteObject = deleteObject.original<decltype(realDeleteObject)>();
    realDeleteDc = deleteDc.original<decltype(realDeleteDc)>();
    for (int i = 0; i < 1000; ++i)
        RedrawWindow(band.handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(pens, 1000);
    EXPECT_EQ(bitmaps, 1000);
    EXPECT_EQ(memoryDcs, 1000);
    EXPECT_EQ(deletedObjects, pens + bitmaps);
    EXPECT_EQ(deletedDcs, memoryDcs);
}

namespace {

// A plain window of the main window's background holding one of each of the
// toolkit's drawn controls, for a picture of them alone.
class ShowcaseWindow;
struct ShowcaseContents {
    explicit ShowcaseContents(ShowcaseWindow*) {}
    LRESULT handleMessage(UINT, WPARAM, LPARAM) { return 0; }
};
class ShowcaseWindow : public Window {
public:
    ShowcaseWindow() : contents(this) {}
    HWND create(const CreateParams& params) override { return WindowClass<ShowcaseWindow>::create(*this, params); }
    ShowcaseContents contents;
    static const ClassAttributes attributes;
};
const ClassAttributes ShowcaseWindow::attributes = {"ShowcaseWindow", nullptr, CS_HREDRAW | CS_VREDRAW, nullptr,
                                                    &mainWindowBrush, false, false};

// Messages pumped for as long as TARNWICK_HOLD_MS says (none by default),
// so that the test script can take a screenshot meanwhile.
void holdOnScreen()
{
    char hold[16] = "";
    GetEnvironmentVariableA("TARNWICK_HOLD_MS", hold, sizeof(hold));
    const DWORD until = GetTickCount() + std::strtoul(hold, nullptr, 10);
    MSG message;
    do {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        rethrowKeptException();
        Sleep(20);
    } while (GetTickCount() < until);
}

} // namespace

TEST(ToolkitShowcaseTest, BandLabelAndLinkStayUpForAScreenshot)
{
    moduleInstance = GetModuleHandleA(nullptr);
    ShowcaseWindow window;
    CreateParams params = {};
    params.cx = 400;
    params.cy = 110;
    params.style = static_cast<LONG>(WS_POPUP | WS_VISIBLE);
    window.create(params);
    HFONT bold = CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Verdana");
    HFONT underlined = CreateFontA(-10, 0, 0, 0, FW_NORMAL, 0, 1, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Verdana");
    TitleBand band;
    band.contents.createChild(window.handle, 0, 10, 400, 32);
    Label label;
    label.contents.setText("Current Processes");
    label.contents.setFont(bold);
    label.contents.createAt(window.handle, 20, 58);
    LinkLabel link;
    link.contents.setText("http://www.tarnwick.example/");
    link.contents.setUrl("http://www.tarnwick.example/");
    link.contents.setFont(underlined);
    link.contents.setColour(0x03AD87);
    link.contents.createAt(window.handle, 20, 82);
    UpdateWindow(window.handle);
    holdOnScreen();

    HDC dc = GetDC(window.handle);
    EXPECT_EQ(GetPixel(dc, 5, 10), RGB(204, 204, 204));  // the band's upper line
    EXPECT_EQ(GetPixel(dc, 5, 41), RGB(204, 204, 204));  // and its lower one
    EXPECT_EQ(GetPixel(dc, 300, 25), RGB(255, 255, 204)); // the pale band
    EXPECT_EQ(GetPixel(dc, 390, 100), RGB(231, 253, 153)); // the window's own background
    int ink = 0, green = 0;
    for (int x = 20; x < 200; ++x) {
        for (int y = 58; y < 74; ++y)
            ink += GetPixel(dc, x, y) == RGB(0, 0, 0) ? 1 : 0;
        for (int y = 82; y < 98; ++y)
            green += GetPixel(dc, x, y) == RGB(135, 173, 3) ? 1 : 0;
    }
    ReleaseDC(window.handle, dc);
    EXPECT_GT(ink, 50);   // the label's black text
    EXPECT_GT(green, 50); // the link's olive text and underline
    DestroyWindow(window.handle);
    DeleteObject(bold);
    DeleteObject(underlined);
}

// Keeps a complete main window on screen with its messages pumped, so the
// test script can take a screenshot of it; under this Wine the module reads
// are served in process, as in the other tests here.
TEST_F(MainWindowTest, StaysUpForAScreenshot)
{
    SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(40001, 1), 0);
    SendMessageA(c.moduleListBox.handle, LB_SETCURSEL, 1, 0);
    SendMessageA(main.handle, WM_COMMAND, MAKEWPARAM(1002, LBN_SELCHANGE), 0);
    holdOnScreen();
    // What the picture is of: the window, the second module selected, and
    // its path in the box.
    EXPECT_TRUE(IsWindowVisible(main.handle));
    const ModuleEntry* module = c.moduleListBox.contents.selectedEntry();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module, c.moduleListBox.contents.entries[1].get());
    EXPECT_EQ(windowText(c.pathBox.handle), module->path.text());
}

TEST_F(MainWindowTest, TabCyclesTheListsAndThePathBox)
{
    HWND order[] = {c.processListBox.handle, c.moduleListBox.handle, c.pathBox.handle};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetNextDlgTabItem(main.handle, order[i], FALSE), order[(i + 1) % 3]) << i;
        EXPECT_EQ(GetNextDlgTabItem(main.handle, order[i], TRUE), order[(i + 2) % 3]) << i;
    }
    // Tab as the loop's dialog navigation sees it.
    SetFocus(c.pathBox.handle);
    MSG tab = {c.pathBox.handle, WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(main.handle, &tab));
    EXPECT_EQ(GetFocus(), c.processListBox.handle);
    // Escape in the path box neither closes nor changes anything.
    SetWindowTextA(c.pathBox.handle, "C:\\x\\y.dll");
    MSG escape = {c.pathBox.handle, WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
    SetFocus(c.pathBox.handle);
    IsDialogMessageA(main.handle, &escape);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(windowText(c.pathBox.handle), "C:\\x\\y.dll");
    EXPECT_TRUE(IsWindow(main.handle));
}

namespace {
std::vector<HANDLE> releases; // fonts deleted and windows destroyed, in order
bool recordingReleases = false;
decltype(&DeleteObject) realDelete2 = nullptr;
decltype(&DestroyWindow) realDestroy2 = nullptr;
BOOL WINAPI recordDelete(HGDIOBJ object)
{
    if (recordingReleases && GetObjectType(object) == OBJ_FONT)
        releases.push_back(object);
    return realDelete2(object);
}
BOOL WINAPI recordDestroy(HWND window)
{
    if (recordingReleases)
        releases.push_back(window);
    return realDestroy2(window);
}
} // namespace

TEST(MainWindowTeardownTest, FontsFirstThenChildrenLastToFirstThenTheWindow)
{
    moduleInstance = GetModuleHandleA(nullptr);
    EnumerationSwap enumerate(&ownModules);
    ProcedureSwap names("GetModuleFileNameExW", reinterpret_cast<void*>(&ownName));
    ImportSwap deletes("gdi32.dll", "DeleteObject", reinterpret_cast<void*>(&recordDelete));
    ImportSwap destroys("user32.dll", "DestroyWindow", reinterpret_cast<void*>(&recordDestroy));
    realDelete2 = deletes.original<decltype(realDelete2)>();
    realDestroy2 = destroys.original<decltype(realDestroy2)>();
    std::vector<HANDLE> expected;
    releases.clear();
    {
        MainWindow main;
        main.create(mainWindowParams());
        MainWindowContents& c = main.contents;
        expected = {c.linkFont.handle, c.hintFont.handle, c.headingFont.handle, c.listFont.handle,
                    c.titleBand.handle, c.copyrightLink.handle, c.homeLink.handle, c.refreshHint.handle,
                    c.pathLabel.handle, c.modulesLabel.handle, c.processesLabel.handle, c.pathBox.handle,
                    c.moduleListBox.handle, c.processListBox.handle, main.handle};
        recordingReleases = true;
    }
    recordingReleases = false;
    EXPECT_EQ(releases, expected);
}

// The lists' menu: each item with its access key and shortcut; on a reason
// row of the module list only Copy All applies; a process row with a path
// has every item but Find.
TEST(ListMenuTest, ItemsWithTheirKeysAndWhatDoesNotApplyGreyed)
{
    const std::vector<std::wstring> texts = {L"&Copy\tCtrl+C", L"Copy &All\tCtrl+Shift+C", L"",
                                             L"Open Containing &Folder", L"P&roperties", L"",
                                             L"Find &Processes Using This Module\tCtrl+F"};
    const struct {
        bool moduleList, selected, path;
        std::vector<bool> greyed;
    } cases[] = {{true, false, false, {true, false, false, true, true, false, true}},
                 {false, true, true, {false, false, false, false, false}}};
    for (const auto& c : cases) {
        const MenuHandle made = ListMenu::make(c.moduleList, c.selected, true, c.path);
        const HMENU menu = made.get();
        ASSERT_EQ(GetMenuItemCount(menu), int(c.greyed.size()));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = L"";
            GetMenuStringW(menu, UINT(i), text, 64, MF_BYPOSITION);
            EXPECT_EQ(text, texts[size_t(i)]);
            if (!texts[size_t(i)].empty()) { // a separator's state is its own
                EXPECT_EQ((GetMenuState(menu, UINT(i), MF_BYPOSITION) & MF_GRAYED) != 0, c.greyed[size_t(i)]) << i;
            }
        }
    }
}

#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <vector>

#include "TestWindows.h"
#include "controls/Label.h"
#include "controls/LinkLabel.h"
#include "controls/ModuleEditBox.h"
#include "controls/ProcessListBox.h"
#include "controls/TitleBand.h"
#include "app/MainWindow.h"
#include "core/Errors.h"
#include "toolkit/MessageLoop.h"
#include "support/ImportSwap.h"
#include "toolkit/WindowClass.h"

using TestSupport::ImportSwap;
using namespace Core;
using namespace Toolkit;
using namespace Controls;

namespace {

// A class of the tests' own whose handler records what it is given and can
// be told to throw.
class RecordingWindow;
struct RecordingContents {
    explicit RecordingContents(RecordingWindow* window) : owner(window) {}
    LRESULT handleMessage(UINT message, WPARAM, LPARAM)
    {
        seen.push_back(message);
        if (message == throwOn)
            throw WindowsError(1234);
        return 0;
    }
    RecordingWindow* owner;
    std::vector<UINT> seen;
    UINT throwOn = 0xFFFFFFFF;
};

class RecordingWindow : public Window {
public:
    RecordingWindow() : contents(this) {}
    // The window goes before `contents`, which its last messages still reach.
    ~RecordingWindow() override
    {
        if (handle != nullptr)
            DestroyWindow(handle);
    }
    HWND create(const CreateParams& params) override { return WindowClass<RecordingWindow>::create(*this, params); }
    RecordingContents contents;
    static const ClassAttributes attributes;
};
const ClassAttributes RecordingWindow::attributes = {"RecordingWindow", nullptr, 0, nullptr, nullptr, false, false};

CreateParams popup()
{
    CreateParams params = {};
    params.cx = 300;
    params.cy = 200;
    params.style = WS_OVERLAPPEDWINDOW;
    params.lpszName = "test";
    return params;
}

struct Toolkit : ::testing::Test {
    void SetUp() override { moduleInstance = GetModuleHandleA(nullptr); }
};

int registrations = 0;
decltype(&RegisterClassExA) realRegister = nullptr;
ATOM WINAPI countingRegister(const WNDCLASSEXA* record)
{
    ++registrations;
    return realRegister(record);
}
ATOM WINAPI refusingRegister(const WNDCLASSEXA*)
{
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
}
BOOL WINAPI refusingClassInfo(HINSTANCE, LPCSTR, WNDCLASSEXA*)
{
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}

int destroyCalls = 0;
decltype(&DestroyWindow) realDestroy = nullptr;
BOOL WINAPI countingDestroy(HWND window)
{
    ++destroyCalls;
    return realDestroy(window);
}

std::vector<UINT> passedOn; // what the window procedure handed to the base procedure
decltype(&CallWindowProcA) realCallWindowProc = nullptr;
LRESULT WINAPI recordingCallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    passedOn.push_back(message);
    return realCallWindowProc(proc, window, message, wParam, lParam);
}

} // namespace

TEST_F(Toolkit, MessageSequenceBindingAndRouting)
{
    RecordingWindow window;
    {
        ImportSwap base("user32.dll", "CallWindowProcA", reinterpret_cast<void*>(&recordingCallWindowProc));
        realCallWindowProc = base.original<decltype(realCallWindowProc)>();
        window.create(popup());
    }
    ASSERT_NE(window.handle, nullptr);
    // The 64-bit suite runs above 4 GB, and the binding keeps the whole pointer.
    EXPECT_EQ(GetWindowLongPtrA(window.handle, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window));
    EXPECT_EQ(reinterpret_cast<ULONGLONG>(&window) >> 32 != 0, sizeof(void*) == 8);
    // WM_GETMINMAXINFO comes before WM_NCCREATE, finds no object and goes to
    // the base procedure; the handler's first message is WM_NCCREATE.
    ASSERT_GE(passedOn.size(), 2u);
    EXPECT_EQ(passedOn[0], static_cast<UINT>(WM_GETMINMAXINFO));
    EXPECT_EQ(passedOn[1], static_cast<UINT>(WM_NCCREATE));
    ASSERT_FALSE(window.contents.seen.empty());
    EXPECT_EQ(window.contents.seen[0], static_cast<UINT>(WM_NCCREATE));
    EXPECT_NE(std::find(window.contents.seen.begin(), window.contents.seen.end(), WM_CREATE),
              window.contents.seen.end());
    window.contents.seen.clear();
    SendMessageA(window.handle, WM_COMMAND, MAKEWPARAM(40001, 1), 0);
    SendMessageA(window.handle, WM_USER + 5, 0, 0);
    EXPECT_EQ(window.contents.seen, (std::vector<UINT>{WM_USER + 5}));

    DestroyWindow(window.handle);
    EXPECT_EQ(window.handle, nullptr);
    EXPECT_EQ(window.contents.seen.back(), static_cast<UINT>(WM_NCDESTROY));
}

TEST_F(Toolkit, ClassRegistersOnceAndAgainAfterARefusal)
{
    TestSupport::unregistered<Label>();
    {
        ImportSwap refuse("user32.dll", "RegisterClassExA", reinterpret_cast<void*>(&refusingRegister));
        Label label;
        try {
            label.contents.createAt(nullptr, 0, 0);
            FAIL() << "no exception";
        } catch (const WindowsError& error) {
            EXPECT_EQ(error.code, static_cast<uint32_t>(ERROR_CLASS_ALREADY_EXISTS));
        }
        EXPECT_EQ(WindowClass<Label>::classAtom, 0);
        EXPECT_EQ(label.handle, nullptr);
    }
    ImportSwap count("user32.dll", "RegisterClassExA", reinterpret_cast<void*>(&countingRegister));
    realRegister = count.original<decltype(realRegister)>();
    registrations = 0;
    RecordingWindow parent;
    parent.create(popup());
    const int before = registrations;
    Label first, second;
    first.contents.createAt(parent.handle, 0, 0);
    second.contents.createAt(parent.handle, 0, 20);
    EXPECT_EQ(registrations - before, 1);
    EXPECT_NE(WindowClass<Label>::classAtom, 0);
}

TEST_F(Toolkit, FailedSystemClassLookupRaises)
{
    TestSupport::unregistered<ProcessListBox>();
    ImportSwap refuse("user32.dll", "GetClassInfoExA", reinterpret_cast<void*>(&refusingClassInfo));
    ProcessListBox box;
    CreateParams params = popup();
    try {
        box.create(params);
        FAIL() << "no exception";
    } catch (const WindowsError& error) {
        EXPECT_EQ(error.code, static_cast<uint32_t>(ERROR_CLASS_DOES_NOT_EXIST));
    }
    EXPECT_EQ(WindowClass<ProcessListBox>::classAtom, 0);
}

TEST_F(Toolkit, ExceptionInCreateComesOutOfCreate)
{
    RecordingWindow window;
    window.contents.throwOn = WM_CREATE;
    try {
        window.create(popup());
        FAIL() << "no exception";
    } catch (const WindowsError& error) {
        EXPECT_EQ(error.code, 1234u);
    }
    EXPECT_EQ(window.handle, nullptr);
}

TEST_F(Toolkit, ExceptionWhileDispatchingComesOutOfTheLoop)
{
    RecordingWindow window;
    window.create(popup());
    window.contents.throwOn = WM_USER + 9;
    PostMessageA(window.handle, WM_USER + 9, 0, 0);
    PostMessageA(window.handle, WM_USER + 10, 0, 0);
    PostQuitMessage(0); // ends the loop, should the exception not
    try {
        runMessageLoop();
        FAIL() << "no exception";
    } catch (const WindowsError& error) {
        EXPECT_EQ(error.code, 1234u);
    }
    // Raised at once: the next message was not handled.
    EXPECT_EQ(window.contents.seen.back(), static_cast<UINT>(WM_USER + 9));
    // The quit and the message left in the queue would end or reach a later
    // case's loop on this thread.
    MSG left;
    while (PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST_F(Toolkit, ChildDestroyedWithItsParentLeavesNoWindowToDestroy)
{
    ImportSwap destroy("user32.dll", "DestroyWindow", reinterpret_cast<void*>(&countingDestroy));
    realDestroy = destroy.original<decltype(realDestroy)>();
    {
        Label label;
        {
            RecordingWindow parent;
            parent.create(popup());
            label.contents.createAt(parent.handle, 0, 0);
            ASSERT_NE(label.handle, nullptr);
            destroyCalls = 0;
        }
        EXPECT_EQ(destroyCalls, 1);
        EXPECT_EQ(label.handle, nullptr);
        EXPECT_THROW(label.setFocus(), Core::StateError);
    }
    EXPECT_EQ(destroyCalls, 1);
}

TEST_F(Toolkit, PathBoxCanBeSelectedAndCopiedButNotChanged)
{
    RecordingWindow parent;
    parent.create(popup());
    ModuleEditBox box;
    box.contents.createChild(parent.handle, 1003, 0, 0);
    // A Unicode window: it keeps the program's UTF-8 as UTF-16, and shows
    // and copies it so whatever the system's 8-bit code page.
    EXPECT_TRUE(IsWindowUnicode(box.handle));
    const char* path = u8"C:\\Пути\\模块\\🙂.dll";
    const wchar_t* widePath = L"C:\\Пути\\模块\\🙂.dll";
    SetWindowTextA(box.handle, path);
    wchar_t stored[260] = L"";
    GetWindowTextW(box.handle, stored, 260);
    EXPECT_STREQ(stored, widePath);
    for (WPARAM code : {WPARAM('x'), WPARAM(8), WPARAM(13), WPARAM(27), WPARAM(22), WPARAM(24), WPARAM(26)}) {
        SendMessageA(box.handle, WM_CHAR, code, 1);
        char text[260];
        GetWindowTextA(box.handle, text, sizeof(text));
        EXPECT_STREQ(text, path) << code;
    }
    // Keys the edit control acts on at key-down: Delete, Shift+Delete (cut),
    // Shift+Insert (paste), with the whole text selected as Tab leaves it.
    BYTE keyboard[256];
    GetKeyboardState(keyboard);
    for (bool shift : {false, true}) {
        keyboard[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keyboard);
        for (WPARAM key : {WPARAM(VK_DELETE), WPARAM(VK_INSERT)}) {
            SendMessageA(box.handle, EM_SETSEL, 0, -1);
            SendMessageA(box.handle, WM_KEYDOWN, key, 1);
            char text[260];
            GetWindowTextA(box.handle, text, sizeof(text));
            EXPECT_STREQ(text, path) << key << " shift " << shift;
        }
    }
    keyboard[VK_SHIFT] = 0;
    SetKeyboardState(keyboard);
    // Moving the caret still works: key-downs other than those pass on.
    SendMessageA(box.handle, EM_SETSEL, 0, 0);
    SendMessageA(box.handle, WM_KEYDOWN, VK_END, 1);
    DWORD caret = 0;
    SendMessageA(box.handle, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
    EXPECT_EQ(caret, static_cast<DWORD>(wcslen(widePath)));

    SendMessageA(box.handle, EM_SETSEL, 3, 5);
    SendMessageA(box.handle, WM_CHAR, 1, 1);
    DWORD start = 99, end = 99;
    SendMessageA(box.handle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, static_cast<DWORD>(wcslen(widePath)));
    EXPECT_EQ(SendMessageA(box.handle, WM_GETDLGCODE, 0, 0), 137);
    EXPECT_EQ(SendMessageA(box.handle, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box.handle), 0), 1);

    SendMessageA(box.handle, WM_CHAR, 3, 1); // Ctrl+C: the edit control copies
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(data)), widePath);
    GlobalUnlock(data);
    CloseClipboard();
}

namespace {
std::vector<int> measuredCounts;
decltype(&GetTextExtentPoint32A) realExtent = nullptr;
BOOL WINAPI recordingExtent(HDC dc, LPCSTR text, int count, LPSIZE size)
{
    measuredCounts.push_back(count);
    return realExtent(dc, text, count, size);
}
BOOL WINAPI failingExtent(HDC, LPCSTR, int, LPSIZE)
{
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
} // namespace

TEST_F(Toolkit, LabelIsExactlyItsTextInItsFont)
{
    RecordingWindow parent;
    parent.create(popup());
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Verdana");
    ImportSwap extent("gdi32.dll", "GetTextExtentPoint32A", reinterpret_cast<void*>(&recordingExtent));
    realExtent = extent.original<decltype(realExtent)>();
    measuredCounts.clear();

    Label label, empty;
    label.contents.setText("Current Processes");
    label.contents.setFont(font);
    label.contents.createAt(parent.handle, 20, 73);
    empty.contents.createAt(parent.handle, 5, 6);
    EXPECT_EQ(measuredCounts, (std::vector<int>{17, 0}));

    HDC dc = GetDC(parent.handle);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE expected;
    realExtent(dc, "Current Processes", 17, &expected);
    SelectObject(dc, old);
    ReleaseDC(parent.handle, dc);
    RECT rect;
    GetWindowRect(label.handle, &rect);
    MapWindowPoints(nullptr, parent.handle, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 20);
    EXPECT_EQ(rect.top, 73);
    EXPECT_EQ(rect.right - rect.left, expected.cx);
    EXPECT_EQ(rect.bottom - rect.top, expected.cy);

    // A new text after creation does not resize.
    label.contents.setText("x");
    RECT after;
    GetWindowRect(label.handle, &after);
    EXPECT_EQ(after.right - after.left, expected.cx);

    ImportSwap failing("gdi32.dll", "GetTextExtentPoint32A", reinterpret_cast<void*>(&failingExtent));
    Label broken;
    EXPECT_THROW(broken.contents.createAt(parent.handle, 0, 0), WindowsError);
    DeleteObject(font);
}

namespace {
HRESULT assocResult = S_OK;
HRESULT WINAPI fakeAssoc(ASSOCF flags, ASSOCSTR what, LPCSTR assoc, LPCSTR verb, LPSTR out, DWORD* size)
{
    EXPECT_EQ(flags, static_cast<ASSOCF>(0));
    EXPECT_EQ(what, ASSOCSTR_EXECUTABLE);
    EXPECT_STREQ(assoc, ".html");
    EXPECT_STREQ(verb, "open");
    EXPECT_EQ(*size, static_cast<DWORD>(MAX_PATH));
    if (assocResult != S_OK)
        return assocResult;
    std::strcpy(out, "C:\\Program Files\\Browser\\browser.exe");
    return S_OK;
}

std::vector<std::string> commandLines;
BOOL startFails = FALSE;
HWND linkParent = nullptr;
std::vector<std::string> boxes; // the text of each box over the link's parent
int WINAPI recordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT)
{
    const bool linkBox = owner == linkParent && std::strcmp(caption, "The Page Could Not Be Opened") == 0;
    boxes.push_back(linkBox ? text : "another box");
    return IDOK;
}
BOOL WINAPI fakeCreateProcess(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                              BOOL inherit, DWORD flags, LPVOID environment, LPCSTR directory,
                              LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info)
{
    EXPECT_EQ(application, nullptr);
    EXPECT_FALSE(inherit);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(environment, nullptr);
    EXPECT_EQ(directory, nullptr);
    EXPECT_EQ(startup->cb, sizeof(STARTUPINFOA));
    if (startFails) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    commandLines.push_back(commandLine);
    info->hProcess = reinterpret_cast<HANDLE>(0x1110);
    info->hThread = reinterpret_cast<HANDLE>(0x2220);
    return TRUE;
}

std::vector<HANDLE> closed;
BOOL WINAPI recordingClose(HANDLE handle)
{
    closed.push_back(handle);
    return TRUE;
}
} // namespace

TEST_F(Toolkit, LinkReleaseStartsTheBrowserOncePerRelease)
{
    RecordingWindow parent;
    parent.create(popup());
    LinkLabel link;
    link.contents.setText("www.tarnwick.example");
    link.contents.setUrl("http://www.tarnwick.example/a b");
    link.contents.createAt(parent.handle, 0, 0);

    ImportSwap assoc("shlwapi.dll", "AssocQueryStringA", reinterpret_cast<void*>(&fakeAssoc));
    ImportSwap start("kernel32.dll", "CreateProcessA", reinterpret_cast<void*>(&fakeCreateProcess));
    ImportSwap close("kernel32.dll", "CloseHandle", reinterpret_cast<void*>(&recordingClose));
    commandLines.clear();
    closed.clear();
    SendMessageA(link.handle, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_TRUE(commandLines.empty());
    SendMessageA(link.handle, WM_LBUTTONUP, 0, 0);
    SendMessageA(link.handle, WM_LBUTTONUP, 0, 0);
    rethrowKeptException();
    EXPECT_EQ(commandLines, (std::vector<std::string>(
        2, "\"C:\\Program Files\\Browser\\browser.exe\" http://www.tarnwick.example/a b")));
    // Each start's process and thread handles closed once; the runtime may
    // close handles of its own meanwhile.
    EXPECT_EQ(std::count(closed.begin(), closed.end(), reinterpret_cast<HANDLE>(0x1110)), 2);
    EXPECT_EQ(std::count(closed.begin(), closed.end(), reinterpret_cast<HANDLE>(0x2220)), 2);

    // No browser, or one that does not start: a box over the parent says
    // why, and nothing is raised.
    ImportSwap box("user32.dll", "MessageBoxA", reinterpret_cast<void*>(&recordBox));
    boxes.clear();
    linkParent = parent.handle;
    assocResult = HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
    SendMessageA(link.handle, WM_LBUTTONUP, 0, 0);
    assocResult = S_OK;
    startFails = TRUE;
    SendMessageA(link.handle, WM_LBUTTONUP, 0, 0);
    EXPECT_NO_THROW(rethrowKeptException());
    const std::string noAssociation = WindowsError(HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION)).ErrorText().text();
    EXPECT_EQ(boxes, (std::vector<std::string>{noAssociation, WindowsError(ERROR_FILE_NOT_FOUND).ErrorText().text()}));
    startFails = FALSE;
}

// Reads the state of a running main window from outside its process and
// prints it, one "name: value" a line, for the end-to-end script:
//   e2e_probe.exe <process id>    the main window of that process, and its
//                                 find window once made
//   e2e_probe.exe windows         how many main windows are shown, and their ids
//   e2e_probe.exe clipboard       the clipboard's text
//   e2e_probe.exe start <program> starts the program and waits for it,
//                                 ending with its exit code
//   e2e_probe.exe front <id>      brings that process's main window to the front
// Texts are printed as UTF-8.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/HighAddresses.h"

namespace {

struct Found {
    DWORD processId; // 0: any
    HWND window;
    int count;
    std::string ids;
};

BOOL CALLBACK findMain(HWND window, LPARAM lParam)
{
    auto* found = reinterpret_cast<Found*>(lParam);
    char name[64];
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof(name)) || std::strcmp(name, "MainWindow") != 0)
        return TRUE;
    if (found->processId == 0 || owner == found->processId) {
        found->window = window;
        ++found->count;
        found->ids += (found->ids.empty() ? "" : " ") + std::to_string(owner);
    }
    return TRUE;
}

// Text as UTF-8, whatever its script. Under Wine 8 a list box of another
// process answers LB_GETTEXT sent as an ANSI message with UTF-16 text; asking
// in UTF-16 gives it as it is.
std::string utf8(const wchar_t* text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return std::string();
    std::string bytes(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], length, nullptr, nullptr);
    bytes.resize(length - 1);
    return bytes;
}

std::string rows(HWND box)
{
    std::string all;
    const LRESULT count = SendMessageW(box, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        std::wstring text(SendMessageW(box, LB_GETTEXTLEN, row, 0) + 1, L'\0');
        SendMessageW(box, LB_GETTEXT, row, reinterpret_cast<LPARAM>(&text[0]));
        all += (row == 0 ? "" : "|") + utf8(text.c_str());
    }
    return all;
}

std::string windowText(HWND window)
{
    std::wstring text(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0) + 1, L'\0');
    SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    return utf8(text.c_str());
}

// The rows of a list view in another process, each its five cells joined by ";", asked
// through a block in that process, where the control writes the text.
std::string listViewRows(HWND list)
{
    std::string all;
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr)
        return "unreadable";
    const SIZE_T room = 2048;
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + room * sizeof(wchar_t),
                                                     MEM_COMMIT, PAGE_READWRITE));
    const LRESULT count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT row = 0; remote != nullptr && row < count; ++row) {
        for (int column = 0; column < 5; ++column) {
            LVITEMW item = {};
            item.iSubItem = column;
            item.cchTextMax = room;
            item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
            std::wstring text(room + 1, L'\0');
            if (WriteProcessMemory(process, remote, &item, sizeof(item), nullptr) &&
                SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote)) >= 0)
                ReadProcessMemory(process, remote + sizeof(LVITEMW), &text[0], room * sizeof(wchar_t), nullptr);
            all += (column != 0 ? ";" : row == 0 ? "" : "|") + utf8(text.c_str());
        }
    }
    if (remote != nullptr)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return all;
}

std::string clipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = utf8(wide);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::string className(HWND window)
{
    char name[64] = "";
    if (window != nullptr)
        GetClassNameA(window, name, sizeof(name));
    return name;
}

// Starts the program suspended and, in the 64-bit build, reserves its free
// address space below 4 GB before it runs, so that its heap lies above, as it
// can on Windows. Killing this process ends the program too.
int startProgram()
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring line = L"\"" + std::wstring(arguments[2]) + L"\"";
    LocalFree(arguments);
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job == nullptr || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        std::printf("start: no job, %lu\n", GetLastError());
        return 2;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &started)) {
        std::printf("start: failed %lu\n", GetLastError());
        return 2;
    }
    // Out of the job the program would outlive the probe; unreserved, its
    // heap would lie low: either way it is not run.
    const bool inJob = AssignProcessToJobObject(job, started.hProcess) != 0;
    const bool reserved = sizeof(void*) == 4 || TestSupport::reserveBelow4GB(started.hProcess) > 0;
    if (!inJob || !reserved) {
        std::printf("start: %s\n", inJob ? "nothing reserved below 4 GB" : "not put in the job");
        TerminateProcess(started.hProcess, 2);
        return 2;
    }
    ResumeThread(started.hThread);
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(started.hProcess, &code);
    return static_cast<int>(code);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "start") == 0)
        return startProgram();
    if (argc == 3 && std::strcmp(argv[1], "front") == 0) {
        // As the taskbar brings a window to the front.
        Found found = {std::strtoul(argv[2], nullptr, 10), nullptr, 0, ""};
        EnumWindows(&findMain, reinterpret_cast<LPARAM>(&found));
        return found.window != nullptr && SetForegroundWindow(found.window) ? 0 : 1;
    }
    if (argc != 2)
        return 2;
    if (std::strcmp(argv[1], "clipboard") == 0) {
        std::printf("clipboard: %s\n", clipboardText().c_str());
        return 0;
    }
    Found found = {0, nullptr, 0, ""};
    if (std::strcmp(argv[1], "windows") != 0)
        found.processId = std::strtoul(argv[1], nullptr, 10);
    EnumWindows(&findMain, reinterpret_cast<LPARAM>(&found));
    if (found.processId == 0) {
        std::printf("windows: %d\nids: %s\n", found.count, found.ids.c_str());
        return 0;
    }
    HWND main = found.window;
    if (main == nullptr) {
        std::printf("window: none\n");
        return 1;
    }
    char title[256] = "";
    GetWindowTextA(main, title, sizeof(title));
    RECT outer;
    GetWindowRect(main, &outer);
    const LONG style = GetWindowLongA(main, GWL_STYLE);
    HWND processes = FindWindowExA(main, nullptr, "ProcessListBox", nullptr);
    HWND modules = FindWindowExA(main, nullptr, "ModuleListBox", nullptr);
    HWND path = FindWindowExA(main, nullptr, "ModuleEditBox", nullptr);
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);

    std::printf("window: %p\n", static_cast<void*>(main));
    std::printf("class: %s\n", className(main).c_str());
    std::printf("title: %s\n", title);
    std::printf("outer: %ldx%ld at %ld,%ld\n", outer.right - outer.left, outer.bottom - outer.top, outer.left,
                outer.top);
    std::printf("maximize_box: %d\nsizing_border: %d\n", (style & WS_MAXIMIZEBOX) != 0, (style & WS_THICKFRAME) != 0);
    std::printf("processes: %s\n", rows(processes).c_str());
    std::printf("process_selected: %ld\n", static_cast<long>(SendMessageW(processes, LB_GETCURSEL, 0, 0)));
    std::printf("modules: %s\n", rows(modules).c_str());
    std::printf("module_selected: %ld\n", static_cast<long>(SendMessageW(modules, LB_GETCURSEL, 0, 0)));
    std::printf("module_top: %ld\n", static_cast<long>(SendMessageW(modules, LB_GETTOPINDEX, 0, 0)));
    std::printf("path: %s\n", windowText(path).c_str());
    std::printf("focus: %s\n", className(thread.hwndFocus).c_str());
    std::printf("foreground: %d\n", GetForegroundWindow() == main);
    // Every child where it stands in the client area, and the list rows'
    // heights; then a box the program shows over its window.
    RECT client;
    GetClientRect(main, &client);
    POINT corner = {0, 0};
    ClientToScreen(main, &corner);
    std::printf("client: %ld %ld at %ld %ld\n", client.right, client.bottom, corner.x, corner.y);
    for (HWND child = GetWindow(main, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT at;
        GetWindowRect(child, &at);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&at), 2);
        std::printf("child: %s %ld %ld %ld %ld %ld\n", className(child).c_str(), at.left, at.top, at.right - at.left,
                    at.bottom - at.top, static_cast<long>(SendMessageW(child, LB_GETITEMHEIGHT, 0, 0)));
    }
    for (HWND box = FindWindowExA(nullptr, nullptr, "#32770", nullptr); box != nullptr;
         box = FindWindowExA(nullptr, box, "#32770", nullptr)) {
        if (IsWindowVisible(box) && GetWindow(box, GW_OWNER) == main)
            std::printf("box: %s\n", windowText(box).c_str());
    }
    int menus = 0;
    for (HWND menu = FindWindowExA(nullptr, nullptr, "#32768", nullptr); menu != nullptr;
         menu = FindWindowExA(nullptr, menu, "#32768", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(menu, &owner);
        menus += IsWindowVisible(menu) && owner == found.processId ? 1 : 0;
    }
    std::printf("menus: %d\n", menus);
    // A shown tooltip of the program's, its lines joined by " | ".
    for (HWND tip = FindWindowExA(nullptr, nullptr, "tooltips_class32", nullptr); tip != nullptr;
         tip = FindWindowExA(nullptr, tip, "tooltips_class32", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(tip, &owner);
        if (!IsWindowVisible(tip) || owner != found.processId)
            continue;
        std::string text = windowText(tip);
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
            text.replace(at, 2, " | ");
        std::printf("tooltip: %s\n", text.c_str());
    }
    HWND finder = FindWindowExA(nullptr, nullptr, "ModuleFinder", nullptr);
    while (finder != nullptr && GetWindow(finder, GW_OWNER) != main)
        finder = FindWindowExA(nullptr, finder, "ModuleFinder", nullptr);
    if (finder != nullptr) {
        std::printf("finder: %d %s\n", IsWindowVisible(finder) != 0, windowText(finder).c_str());
        std::printf("finder_text: %s\n", windowText(GetDlgItem(finder, 2001)).c_str());
        std::printf("finder_rows: %s\n", listViewRows(GetDlgItem(finder, 2002)).c_str());
        std::printf("finder_status: %s\n", windowText(GetDlgItem(finder, 2003)).c_str());
        std::printf("finder_foreground: %d\n", GetForegroundWindow() == finder);
    }
    for (HWND box : {processes, modules}) {
        RECT client;
        GetClientRect(box, &client);
        POINT origin = {0, 0};
        ClientToScreen(box, &origin);
        std::printf("%s_rows_at: %ld,%ld step %ld\n", box == processes ? "process" : "module", origin.x, origin.y,
                    static_cast<long>(SendMessageW(box, LB_GETITEMHEIGHT, 0, 0)));
    }
    return 0;
}

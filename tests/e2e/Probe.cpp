// Reads the state of a running main window from outside its process and
// prints it, one "name: value" a line, for the end-to-end script:
//   e2e_probe.exe <process id>    the main window of that process
//   e2e_probe.exe windows         how many main windows are shown, and their ids
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// Under Wine 8 a list box of another process answers LB_GETTEXT sent as an
// ANSI message with UTF-16 text; asking in UTF-16 gives it as it is.
std::string wide(const wchar_t* text)
{
    char bytes[2048];
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, bytes, sizeof(bytes), nullptr, nullptr);
    return length > 0 ? std::string(bytes, length - 1) : std::string();
}

std::string rows(HWND box)
{
    std::string all;
    const LRESULT count = SendMessageW(box, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        wchar_t text[1024] = L"";
        if (SendMessageW(box, LB_GETTEXTLEN, row, 0) < 1000)
            SendMessageW(box, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
        all += (row == 0 ? "" : "|") + wide(text);
    }
    return all;
}

std::string className(HWND window)
{
    char name[64] = "";
    if (window != nullptr)
        GetClassNameA(window, name, sizeof(name));
    return name;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
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
    wchar_t pathText[1024] = L"";
    SendMessageW(path, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(pathText));
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
    std::printf("path: %s\n", wide(pathText).c_str());
    std::printf("focus: %s\n", className(thread.hwndFocus).c_str());
    std::printf("foreground: %d\n", GetForegroundWindow() == main);
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

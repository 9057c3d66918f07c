#include "ListMenu.h"

#include <shellapi.h>
#include <shlobj.h>

#include <new>

#include "MainWindow.h"
#include "core/Errors.h"
#include "core/TableText.h"
#include "resources/ResourceIds.h"
#include "toolkit/Clipboard.h"

namespace Windows {
namespace ListMenu {

namespace {

const wchar_t* const emptyText = L"";

// Tells a failure over the main window in the system's words; the lists
// stay as they were.
void tell(MainWindowContents& window, uint32_t code, const wchar_t* action)
{
    General::Array<wchar_t> text;
    WindowsError(code).wideText(text);
    MessageBoxW(window.owner->handle, text.items, action, MB_OK | MB_ICONERROR);
}

bool isModuleList(MainWindowContents& window, HWND list) { return list == window.moduleListBox.handle; }

// The selected row's full path in UTF-16, or null: a module's, or a
// process's image path read now into `buffer`.
const wchar_t* selectedPath(MainWindowContents& window, HWND list, General::Array<wchar_t>& buffer)
{
    if (isModuleList(window, list)) {
        const ModuleEntry* module = window.moduleListBox.contents.selectedEntry();
        return module != nullptr && module->widePath.count > 1 ? module->widePath.items : nullptr;
    }
    const ProcessEntry* process = window.processListBox.contents.selectedEntry();
    return process != nullptr && readImagePath(process->processId, buffer) ? buffer.items : nullptr;
}

void putText(MainWindowContents& window, const General::Array<wchar_t>& text)
{
    putOnClipboard(window.owner->handle, text.items, text.count);
}

void openFolder(const wchar_t* path)
{
    PIDLIST_ABSOLUTE item = ILCreateFromPathW(path);
    // The shell's item names take MAX_PATH characters at most.
    if (item == nullptr)
        throw WindowsError(lstrlenW(path) >= MAX_PATH ? ERROR_FILENAME_EXCED_RANGE : ERROR_FILE_NOT_FOUND);
    const HRESULT result = SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    ILFree(item);
    if (FAILED(result))
        throw WindowsError(static_cast<uint32_t>(result));
}

// The shell's property sheet of the file, which it shows on a thread of its
// own in this process.
void showProperties(HWND owner, const wchar_t* path)
{
    SHELLEXECUTEINFOW execution = {};
    execution.cbSize = sizeof(execution);
    execution.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;
    execution.hwnd = owner;
    execution.lpVerb = L"properties";
    execution.lpFile = path;
    execution.nShow = SW_SHOW;
    if (!ShellExecuteExW(&execution))
        throw WindowsError(GetLastError());
}

void copy(MainWindowContents& window, HWND list)
{
    General::Array<wchar_t> text;
    if (isModuleList(window, list)) {
        const ModuleEntry* module = window.moduleListBox.contents.selectedEntry();
        if (module == nullptr || module->widePath.count < 2)
            return;
        text.appendRange(module->widePath.items, module->widePath.count - 1);
    } else {
        const ProcessEntry* process = window.processListBox.contents.selectedEntry();
        if (process == nullptr)
            return;
        // Its image path, or its name when that cannot be read.
        if (readImagePath(process->processId, text))
            text.dropBack(1);
        else
            text.appendRange(process->wideName.items, process->wideName.count != 0 ? process->wideName.count - 1 : 0);
    }
    putText(window, text);
}

void copyAll(MainWindowContents& window, HWND list)
{
    General::Array<wchar_t> text;
    General::Array<wchar_t> path;
    if (isModuleList(window, list)) {
        const wchar_t* header[] = {L"Name", L"Path"};
        General::appendTabRow(text, header, 2);
        const auto& entries = window.moduleListBox.contents.entries;
        // The reason row, as it reads.
        if (const wchar_t* reason = reasonTextW(window.moduleListBox.contents.outcome))
            General::appendTabRow(text, &reason, 1);
        for (uint32_t i = 0; i < entries.count; ++i) {
            uint32_t length = 0;
            const wchar_t* name = entries[i]->wideName(length);
            const wchar_t* fields[] = {name, entries[i]->widePath.count != 0 ? entries[i]->widePath.items : emptyText};
            General::appendTabRow(text, fields, 2);
        }
    } else {
        const wchar_t* header[] = {L"Name", L"PID", L"Path"};
        General::appendTabRow(text, header, 3);
        const auto& entries = window.processListBox.contents.entries;
        for (uint32_t i = 0; i < entries.count; ++i) {
            wchar_t id[16];
            wsprintfW(id, L"%u", entries[i]->processId);
            const bool read = readImagePath(entries[i]->processId, path);
            const wchar_t* fields[] = {entries[i]->wideName.count != 0 ? entries[i]->wideName.items : emptyText, id,
                                       read ? path.items : emptyText};
            General::appendTabRow(text, fields, 3);
        }
    }
    putText(window, text);
}

} // namespace

void perform(MainWindowContents& window, HWND list, UINT command)
{
    General::Array<wchar_t> buffer;
    const wchar_t* action = command == IDM_OPEN_FOLDER ? L"Open Containing Folder"
                            : command == IDM_PROPERTIES ? L"Properties"
                                                        : L"Copy";
    try {
        switch (command) {
        case IDM_COPY:
            copy(window, list);
            break;
        case IDM_COPY_ALL:
            copyAll(window, list);
            break;
        case IDM_OPEN_FOLDER:
        case IDM_PROPERTIES:
            if (const wchar_t* path = selectedPath(window, list, buffer)) {
                if (command == IDM_OPEN_FOLDER)
                    openFolder(path);
                else
                    showProperties(window.owner->handle, path);
            }
            break;
        case IDM_FIND:
            window.openFinder();
            break;
        default:
            break;
        }
    } catch (WindowsError& error) {
        tell(window, error.code, action);
    } catch (std::bad_alloc&) {
        tell(window, ERROR_NOT_ENOUGH_MEMORY, action);
    }
}

HMENU make(bool moduleList, bool selected, bool rows, bool path)
{
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        throw WindowsError(GetLastError());
    const auto state = [](bool applies) { return MF_STRING | (applies ? MF_ENABLED : MF_GRAYED); };
    AppendMenuW(menu, state(selected), IDM_COPY, L"&Copy\tCtrl+C");
    AppendMenuW(menu, state(rows), IDM_COPY_ALL, L"Copy &All\tCtrl+Shift+C");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, state(path), IDM_OPEN_FOLDER, L"Open Containing &Folder");
    AppendMenuW(menu, state(path), IDM_PROPERTIES, L"P&roperties");
    if (moduleList) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, state(selected), IDM_FIND, L"Find &Processes Using This Module\tCtrl+F");
    }
    return menu;
}

void show(MainWindowContents& window, HWND list, LPARAM at)
{
    POINT point = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    const bool fromKeyboard = at == -1 || (point.x == -1 && point.y == -1);
    if (!fromKeyboard) {
        // A click selects the row under it first, as selecting it would.
        POINT inList = point;
        ScreenToClient(list, &inList);
        const LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(inList.x, inList.y));
        const int row = LOWORD(hit);
        if (HIWORD(hit) == 0 && row != SendMessageA(list, LB_GETCURSEL, 0, 0)) {
            SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
            try {
                if (isModuleList(window, list))
                    window.showModulePath();
                else
                    window.refreshModules();
            } catch (WindowsError& error) {
                tell(window, error.code, L"Tarnwick Orrimel");
                return;
            }
        }
    } else {
        // From the keyboard: at the selected row, or the list's corner.
        RECT row = {0, 0, 0, 0};
        const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR)
            SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&row));
        point = {row.left + 8, row.bottom};
        ClientToScreen(list, &point);
    }
    const bool moduleList = isModuleList(window, list);
    General::Array<wchar_t> buffer;
    const bool selected = moduleList ? window.moduleListBox.contents.selectedEntry() != nullptr
                                     : window.processListBox.contents.selectedEntry() != nullptr;
    const bool rows = SendMessageA(list, LB_GETCOUNT, 0, 0) > 0;
    UINT command = 0;
    try {
        HMENU menu = make(moduleList, selected, rows, selectedPath(window, list, buffer) != nullptr);
        command = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, point.x,
                                                   point.y, 0, window.owner->handle, nullptr));
        DestroyMenu(menu);
    } catch (WindowsError& error) {
        tell(window, error.code, L"Tarnwick Orrimel");
        return;
    }
    // The menu's own loop delivered messages; a handler's exception goes on here.
    rethrowKeptException();
    if (command != 0)
        perform(window, list, command);
}

} // namespace ListMenu
} // namespace Windows

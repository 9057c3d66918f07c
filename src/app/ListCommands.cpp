// The lists' commands: copies, the file in Explorer or its property sheet,
// Find.
#include "ListCommands.h"

#include <shellapi.h>
#include <shlobj.h>

#include <new>

#include "core/Errors.h"
#include "core/Text.h"
#include "rows/RowWriter.h"
#include "resources/ResourceIds.h"
#include "toolkit/Clipboard.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/Window.h"
#include "inspection/ProcessFacts.h"

using namespace Core;
using namespace Toolkit;
using namespace Inspection;
using namespace Rows;

namespace App {

namespace ListCommands {

namespace {

const Column processColumns[] = {Column::Name, Column::PID, Column::Path};
const Column moduleColumns[] = {Column::Name, Column::Path};

bool isModuleList(const MainLists& lists, HWND list) { return list == lists.modules.listBox->handle; }

const wchar_t* textOf(const Array<wchar_t>& text) { return text.count != 0 ? text.items : L""; }

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

// The selected row's path; a process's name where its image path cannot be
// read.
void copy(const MainLists& lists, HWND list)
{
    Array<wchar_t> buffer;
    const wchar_t* text = selectedPath(lists, list, buffer);
    const ProcessEntry* process = isModuleList(lists, list) ? nullptr : lists.processes.selectedEntry();
    if (text == nullptr && process != nullptr)
        text = textOf(process->wideName);
    if (text != nullptr)
        putOnClipboard(lists.owner, text, textLength(text));
}

} // namespace

void processListText(const ProcessList& processes, Array<wchar_t>& into)
{
    const RowWriter writer(RowFormat::Tab, processColumns, 3);
    writer.header(into);
    Array<wchar_t> path;
    for (uint32_t i = 0; i < processes.entries.count; ++i) {
        const ProcessEntry& entry = *processes.entries[i];
        ResultRow row;
        row.name = textOf(entry.wideName);
        row.processId = entry.processId;
        if (readImagePath(entry.processId, path)) {
            row.path = path.items;
            row.pathLength = path.count - 1;
        }
        writer.row(into, row);
    }
}

void moduleListText(const ModuleList& modules, Array<wchar_t>& into)
{
    const RowWriter writer(RowFormat::Tab, moduleColumns, 2);
    writer.header(into);
    // The reason row, as it reads: its one field.
    if (const wchar_t* reason = reasonText(modules.outcome)) {
        ResultRow row;
        row.name = reason;
        RowWriter(RowFormat::Tab, moduleColumns, 1).row(into, row);
    }
    for (uint32_t i = 0; i < modules.entries.count; ++i) {
        const ModuleEntry& entry = *modules.entries[i];
        ResultRow row;
        uint32_t length = 0;
        row.name = entry.wideName(length);
        row.path = textOf(entry.widePath);
        row.pathLength = entry.widePath.count != 0 ? entry.widePath.count - 1 : 0;
        writer.row(into, row);
    }
}

const wchar_t* selectedPath(const MainLists& lists, HWND list, Array<wchar_t>& buffer)
{
    if (isModuleList(lists, list)) {
        const ModuleEntry* module = lists.modules.selectedEntry();
        return module != nullptr && module->widePath.count > 1 ? module->widePath.items : nullptr;
    }
    const ProcessEntry* process = lists.processes.selectedEntry();
    return process != nullptr && readImagePath(process->processId, buffer) ? buffer.items : nullptr;
}

void perform(const MainLists& lists, HWND list, UINT command)
{
    Array<wchar_t> buffer;
    const char* action = command == IDM_OPEN_FOLDER ? "Open Containing Folder"
                         : command == IDM_PROPERTIES ? "Properties"
                                                     : "Copy";
    try {
        switch (command) {
        case IDM_COPY:
            copy(lists, list);
            break;
        case IDM_COPY_ALL:
            if (isModuleList(lists, list))
                moduleListText(lists.modules, buffer);
            else
                processListText(lists.processes, buffer);
            putOnClipboard(lists.owner, buffer.items, buffer.count);
            break;
        case IDM_OPEN_FOLDER:
        case IDM_PROPERTIES:
            if (const wchar_t* path = selectedPath(lists, list, buffer)) {
                if (command == IDM_OPEN_FOLDER)
                    openFolder(path);
                else
                    showProperties(lists.owner, path);
            }
            break;
        case IDM_FIND:
            SendMessageW(lists.owner, WM_COMMAND, IDM_FIND, 0);
            break;
        default:
            break;
        }
    } catch (WindowsError& error) {
        tellError(lists.owner, error.code, action, MB_ICONERROR);
    } catch (std::bad_alloc&) {
        tellError(lists.owner, ERROR_NOT_ENOUGH_MEMORY, action, MB_ICONERROR);
    }
}

} // namespace ListCommands
} // namespace App

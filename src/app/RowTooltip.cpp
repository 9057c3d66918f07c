#include "RowTooltip.h"

#include <new>

#include "MainWindow.h"
#include "core/Errors.h"
#include "inspection/RowTip.h"
#include "toolkit/CommonControls.h"

namespace Windows {

void RowTooltip::create(MainWindowContents& window)
{
    if (!useCommonControls(ICC_BAR_CLASSES))
        return;
    HWND owner = window.owner->handle;
    handle = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                             moduleInstance, nullptr);
    if (handle == nullptr)
        return;
    for (HWND list : {window.processListBox.handle, window.moduleListBox.handle}) {
        // Version 5.8, which Windows gives a program without the version 6
        // manifest, refuses a record that counts the later fields.
        TOOLINFOW tool = {};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = owner;
        tool.uId = reinterpret_cast<UINT_PTR>(list);
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(handle, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // Several lines, no wider than the screen.
    SendMessageW(handle, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN));
    window.processListBox.contents.tracking.tooltip = handle;
    window.moduleListBox.contents.tracking.tooltip = handle;
}

void RowTooltip::giveText(MainWindowContents& window, NMTTDISPINFOW& info)
{
    static wchar_t nothing[] = L"";
    info.lpszText = nothing;
    info.hinst = nullptr;
    const HWND list = reinterpret_cast<HWND>(info.hdr.idFrom);
    ProcessList& processes = window.processListBox.contents;
    ModuleList& modules = window.moduleListBox.contents;
    if (snapshot != processes.snapshots) {
        snapshot = processes.snapshots;
        details.forget();
    }
    // Nothing here ends the program: a failed read is a line of the tip.
    try {
        if (list == processes.listBox->handle && processes.tracking.row >= 0) {
            const uint32_t index = ListRows::itemData(list, processes.tracking.row);
            if (index < processes.entries.count)
                info.lpszText = const_cast<wchar_t*>(details.processText(*processes.entries[index]));
        } else if (list == modules.listBox->handle && modules.tracking.row >= 0) {
            if (modules.entries.count == 0) {
                char row[64] = "";
                if (SendMessageA(list, LB_GETTEXTLEN, modules.tracking.row, 0) < 64)
                    SendMessageA(list, LB_GETTEXT, modules.tracking.row, reinterpret_cast<LPARAM>(row));
                if (const wchar_t* meaning = General::reasonTip(row))
                    info.lpszText = const_cast<wchar_t*>(meaning);
                return;
            }
            const uint32_t index = ListRows::itemData(list, modules.tracking.row);
            if (index < modules.entries.count)
                info.lpszText = const_cast<wchar_t*>(details.moduleText(*modules.entries[index], modules.processId));
        }
    } catch (std::bad_alloc&) {
        info.lpszText = nothing;
    }
}

} // namespace Windows

// The lists' tooltip: made over both lists, its text given when asked.
#include "RowTooltip.h"

#include <new>

#include "inspection/RowTip.h"
#include "toolkit/CommonControls.h"
#include "toolkit/Window.h"

namespace Windows {

void RowTooltip::create(HWND owner, ProcessList& processList, ModuleList& moduleList)
{
    processes = &processList;
    modules = &moduleList;
    if (!useCommonControls(ICC_BAR_CLASSES))
        return;
    handle = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                             moduleInstance, nullptr);
    if (handle == nullptr)
        return;
    for (HWND list : {processes->listBox->handle, modules->listBox->handle}) {
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
    processes->tracking.tooltip = handle;
    modules->tracking.tooltip = handle;
}

void RowTooltip::giveText(NMTTDISPINFOW& info)
{
    static wchar_t nothing[] = L"";
    info.lpszText = nothing;
    info.hinst = nullptr;
    const HWND list = reinterpret_cast<HWND>(info.hdr.idFrom);
    if (snapshot != processes->snapshots) {
        snapshot = processes->snapshots;
        details.forget();
    }
    // Nothing here ends the program: a failed read is a line of the tip.
    try {
        if (list == processes->listBox->handle && processes->tracking.row >= 0) {
            const uint32_t index = ListRows::itemData(list, processes->tracking.row);
            if (index < processes->entries.count)
                info.lpszText = const_cast<wchar_t*>(details.processText(*processes->entries[index]));
        } else if (list == modules->listBox->handle && modules->tracking.row >= 0) {
            // The reason row stands alone, for the last fill's outcome.
            if (modules->entries.count == 0) {
                if (const wchar_t* meaning = General::reasonTip(reasonText(modules->outcome)))
                    info.lpszText = const_cast<wchar_t*>(meaning);
                return;
            }
            const uint32_t index = ListRows::itemData(list, modules->tracking.row);
            if (index < modules->entries.count)
                info.lpszText = const_cast<wchar_t*>(details.moduleText(*modules->entries[index], modules->processId));
        }
    } catch (std::bad_alloc&) {
        info.lpszText = nothing;
    }
}

} // namespace Windows

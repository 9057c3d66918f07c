// The lists' tooltip: made over both lists, its text given when asked.
#include "RowTooltip.h"

#include <new>

#include "rows/RowTip.h"
#include "toolkit/CommonControls.h"
#include "toolkit/Window.h"

using namespace Toolkit;
using namespace Inspection;
using namespace Details;

namespace App {

void RowTooltip::create(HWND owner, ProcessList& processList, ModuleList& moduleList, DetailsCache& cache)
{
    processes = &processList;
    modules = &moduleList;
    signatures = &cache;
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

void RowTooltip::update()
{
    if (handle == nullptr || !IsWindowVisible(handle))
        return;
    // The shown tool's text set again to the callback has the tooltip ask
    // for it anew (TTM_UPDATE alone only repaints, under Wine).
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    if (!SendMessageW(handle, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&tool)))
        return;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(handle, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(handle, TTM_UPDATE, 0, 0);
}

void RowTooltip::giveText(NMTTDISPINFOW& info)
{
    static wchar_t nothing[] = L"";
    info.lpszText = nothing;
    info.hinst = nullptr;
    const HWND list = reinterpret_cast<HWND>(info.hdr.idFrom);
    // Nothing here ends the program: a failed read is a line of the tip.
    try {
        if (list == processes->listBox->handle && processes->tracking.row >= 0) {
            const uint32_t index = ListRows::itemData(list, processes->tracking.row);
            if (index < processes->entries.count)
                info.lpszText = const_cast<wchar_t*>(details.processText(*processes->entries[index]));
        } else if (list == modules->listBox->handle && modules->tracking.row >= 0) {
            // The reason row stands alone, for the last fill's outcome.
            if (modules->entries.count == 0) {
                if (const wchar_t* meaning = Rows::reasonTip(reasonText(modules->outcome)))
                    info.lpszText = const_cast<wchar_t*>(meaning);
                return;
            }
            const uint32_t index = ListRows::itemData(list, modules->tracking.row);
            if (index < modules->entries.count)
                info.lpszText = const_cast<wchar_t*>(details.moduleText(*modules->entries[index], modules->processId, *signatures));
        }
    } catch (std::bad_alloc&) {
        info.lpszText = nothing;
    }
}

} // namespace App

// The find window itself: its children, their places at any DPI, its keys
// and its opening. What it shows of the results is in ModuleFinderResults.
#include "ModuleFinder.h"

#include "rows/RowWriter.h"
#include "resources/ResourceIds.h"
#include "toolkit/CommonControls.h"
#include "toolkit/Dpi.h"
#include "toolkit/Font.h"
#include "toolkit/WindowClass.h"

using namespace Core;
using namespace Toolkit;
using namespace Details;

namespace App {

namespace {

enum ChildId { TextBoxId = 2001, ResultsId = 2002, StatusId = 2003 };

// Measures at 96 DPI.
const SIZE windowSize = {780, 420};
const SIZE smallest = {340, 220};
const int margin = 8;
const int textHeight = 22;
const int statusHeight = 16;
const int gap = 6;
const int fontHeight = 11;
const int columnWidths[] = {140, 64, 316, 80, 140};

// The dialog face, as the system paints it.
const HBRUSH faceBrush = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));

} // namespace

const ClassAttributes ModuleFinder::attributes = {"ModuleFinder", nullptr, 0, IDC_ARROW, &faceBrush,
                                                  true, false};

HWND ModuleFinder::create(const CreateParams& params) { return WindowClass<ModuleFinder>::create(*this, params); }

LRESULT ModuleFinderContents::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (common(owner->handle, message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_CREATE:
        makeChildren();
        return 1;
    case WM_SIZE:
        placeChildren();
        return 1;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = scaled(smallest.cx, dpi);
        limits->ptMinTrackSize.y = scaled(smallest.cy, dpi);
        return 1;
    }
    case WM_CLOSE:
        // Hidden, not destroyed: it opens again with its text.
        ShowWindow(owner->handle, SW_HIDE);
        return 1;
    case WM_NOTIFY: {
        const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom != results)
            return 0;
        if (header.code == LVN_GETDISPINFOW) {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
            if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0)
                lstrcpynW(item.pszText, cellText(item.iItem, item.iSubItem), item.cchTextMax);
            return 1;
        }
        if (header.code == LVN_ODFINDITEMW) {
            const auto& find = *reinterpret_cast<const NMLVFINDITEMW*>(lParam);
            return findRow(find.iStart, find.lvfi);
        }
        if (header.code == NM_DBLCLK) {
            showResult(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
            return 1;
        }
        if (header.code == NM_SETFOCUS)
            noteFocus(results);
        return 0;
    }
    default:
        return 0;
    }
}

void ModuleFinderContents::makeChildren()
{
    HWND parent = owner->handle;
    accelerators = LoadAcceleratorsA(moduleInstance, MAKEINTRESOURCEA(IDA_ACCELERATORS));
    const LONG child = WS_CHILD | WS_VISIBLE;
    textBox = createControl(L"EDIT", childParams(parent, TextBoxId, 0, 0, 0, 0, child | WS_TABSTOP | ES_AUTOHSCROLL,
                                                 WS_EX_CLIENTEDGE));
    results = createControl(WC_LISTVIEWW,
                            childParams(parent, ResultsId, 0, 0, 0, 0,
                                        child | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                                        WS_EX_CLIENTEDGE));
    status = createControl(L"STATIC", childParams(parent, StatusId, 0, 0, 0, 0, child | SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                                                  0));
    firstFocus = textBox;
    SendMessageW(results, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < columnCount; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | (i == 1 ? LVCF_FMT : 0);
        column.fmt = LVCFMT_RIGHT;
        column.cx = columnWidths[i];
        column.pszText = const_cast<wchar_t*>(Rows::columnName(ModuleFinderContents::columns[i]));
        column.iSubItem = i;
        SendMessageW(results, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    // Made at 96 DPI, then laid out at the window's before it is shown.
    scaleTo(96);
    fitToDpi(parent, windowSize);
}

void ModuleFinderContents::scaleTo(int newDpi)
{
    GdiObject replaced(font.release());
    font.reset(madeFont(fontHeight, FW_NORMAL, 0, newDpi));
    for (HWND child : {textBox, results, status})
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    for (int i = 0; i < columnCount; ++i)
        SendMessageW(results, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), scaled(columnWidths[i], newDpi));
    placeChildren();
}

void ModuleFinderContents::placeChildren()
{
    if (textBox == nullptr)
        return;
    RECT client;
    GetClientRect(owner->handle, &client);
    const int m = scaled(margin, dpi);
    const int width = client.right - 2 * m;
    const int textBottom = m + scaled(textHeight, dpi);
    const int statusTop = client.bottom - m - scaled(statusHeight, dpi);
    const int resultsTop = textBottom + scaled(gap, dpi);
    MoveWindow(textBox, m, m, width, textBottom - m, TRUE);
    MoveWindow(results, m, resultsTop, width, statusTop - scaled(gap, dpi) - resultsTop, TRUE);
    MoveWindow(status, m, statusTop, width, scaled(statusHeight, dpi), TRUE);
}

bool ModuleFinder::command(ModuleFinder& window, WPARAM wParam)
{
    ModuleFinderContents& c = window.contents;
    switch (LOWORD(wParam)) {
    case TextBoxId:
        if (HIWORD(wParam) == EN_CHANGE)
            c.filter();
        else if (HIWORD(wParam) == EN_SETFOCUS)
            c.noteFocus(c.textBox);
        return true;
    case IDOK:
        // Enter: from the text box to the first result; on a result, shown.
        if (GetFocus() == c.results) {
            c.showResult(static_cast<int>(SendMessageW(c.results, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                       LVNI_FOCUSED)));
        } else if (c.rows.count != 0) {
            LVITEMW state = {};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(c.results, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
            SetFocus(c.results);
        }
        return true;
    case IDCANCEL:
        ShowWindow(window.handle, SW_HIDE);
        return true;
    case IDM_REFRESH:
        c.search();
        return true;
    case IDM_COPY:
    case IDM_COPY_ALL:
        c.copy(LOWORD(wParam) == IDM_COPY_ALL);
        return true;
    case IDM_FIND:
        SetFocus(c.textBox);
        SendMessageW(c.textBox, EM_SETSEL, 0, -1);
        return true;
    default:
        return false;
    }
}

void ModuleFinder::open(HWND ownerWindow, ResultTarget& target, DetailsCache& cache, const wchar_t* name,
                        uint32_t length)
{
    contents.target = &target;
    contents.cache = &cache;
    if (handle == nullptr) {
        if (!useCommonControls(ICC_LISTVIEW_CLASSES))
            throw WindowsError(ERROR_MOD_NOT_FOUND);
        CreateParams params = {};
        params.cx = windowSize.cx;
        params.cy = windowSize.cy;
        params.x = CW_USEDEFAULT;
        params.y = CW_USEDEFAULT;
        params.style = WS_OVERLAPPEDWINDOW;
        params.hwndParent = ownerWindow; // the owner of a top-level window
        params.lpszName = "Find Module";
        create(params);
    }
    if (name != nullptr) {
        contents.buffer.dropBack(contents.buffer.count);
        contents.buffer.appendRange(name, length);
        contents.buffer.appendRepeated(1, L'\0');
        SetWindowTextW(contents.textBox, contents.buffer.items);
    }
    SendMessageW(contents.textBox, EM_SETSEL, 0, -1);
    ShowWindow(handle, SW_SHOW);
    SetForegroundWindow(handle);
    SetFocus(contents.textBox);
    contents.search();
}

} // namespace App

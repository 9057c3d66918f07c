#include "ModuleFinder.h"

#include <commctrl.h>

#include <new>

#include "MainWindow.h"
#include "core/TableText.h"
#include "resources/ResourceIds.h"
#include "toolkit/Dpi.h"
#include "toolkit/Clipboard.h"
#include "toolkit/CommonControls.h"
#include "toolkit/Font.h"
#include "toolkit/WindowClass.h"

namespace Windows {

namespace {

const int textBoxId = 2001;
const int resultsId = 2002;
const int statusId = 2003;

// Measures at 96 DPI.
const SIZE windowSize = {640, 420};
const SIZE smallest = {340, 220};
const int margin = 8;
const int textHeight = 22;
const int statusHeight = 16;
const int gap = 6;
const int fontHeight = 11;
const int columnWidths[] = {140, 64, 400};
const wchar_t* const columnNames[] = {L"Process", L"PID", L"Path"};

// The dialog face, as the system paints it.
const HBRUSH faceBrush = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));

HWND makeChild(HWND parent, const wchar_t* className, int id, DWORD style, DWORD exStyle)
{
    HWND child = CreateWindowExW(exStyle, className, nullptr, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), moduleInstance, nullptr);
    if (child == nullptr)
        throw WindowsError(GetLastError());
    return child;
}

void appendText(General::Array<wchar_t>& into, const wchar_t* text)
{
    into.appendRange(text, static_cast<uint32_t>(lstrlenW(text)));
}

// "1 module", "2 modules".
void appendCount(General::Array<wchar_t>& into, uint32_t count, const wchar_t* one, const wchar_t* many)
{
    wchar_t number[16];
    wsprintfW(number, L"%u ", count);
    appendText(into, number);
    appendText(into, count == 1 ? one : many);
}

// The text box's text, NUL-terminated.
void readText(HWND box, General::Array<wchar_t>& into)
{
    const int length = GetWindowTextLengthW(box);
    into.dropBack(into.count);
    into.appendRepeated(static_cast<uint32_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(box, into.items, length + 1);
    into.dropBack(into.count - static_cast<uint32_t>(read) - 1);
    into[static_cast<uint32_t>(read)] = L'\0';
}

} // namespace

const ClassAttributes ModuleFinder::attributes = {"ModuleFinder", nullptr, 0, MAKEINTRESOURCEA(32512), &faceBrush,
                                                  true, false};

HWND ModuleFinder::create(const CreateParams& params) { return WindowClass<ModuleFinder>::create(*this, params); }

LRESULT ModuleFinderContents::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        enableFrameScaling(owner->handle);
        return 0;
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
    case WM_DPICHANGED: {
        scaleTo(HIWORD(wParam));
        placeAsSuggested(owner->handle, lParam);
        return 1;
    }
    case WM_SETFOCUS:
        SetFocus(lastFocus != nullptr ? lastFocus : textBox);
        return 1;
    case WM_CLOSE:
        // Hidden, not destroyed: it opens again with its text.
        ShowWindow(owner->handle, SW_HIDE);
        return 1;
    case WM_NOTIFYFORMAT:
        // The list view asks: its notices come in UTF-16.
        return NFR_UNICODE;
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
        if (header.code == NM_DBLCLK) {
            showResult(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
            return 1;
        }
        if (header.code == LVN_ODFINDITEMW)
            return findRow(reinterpret_cast<const NMLVFINDITEMW*>(lParam)->iStart,
                           reinterpret_cast<const NMLVFINDITEMW*>(lParam)->lvfi);
        if (header.code == NM_SETFOCUS)
            lastFocus = results;
        return 0;
    }
    default:
        return 0;
    }
}

void ModuleFinderContents::makeChildren()
{
    HWND parent = owner->handle;
    textBox = makeChild(parent, L"EDIT", textBoxId, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
    results = makeChild(parent, WC_LISTVIEWW, resultsId,
                        WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE);
    status = makeChild(parent, L"STATIC", statusId, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0);
    SendMessageW(results, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | (i == 1 ? LVCF_FMT : 0);
        column.fmt = LVCFMT_RIGHT;
        column.cx = columnWidths[i];
        column.pszText = const_cast<wchar_t*>(columnNames[i]);
        column.iSubItem = i;
        SendMessageW(results, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    // Made as at 96 DPI, then scaled to the window's before it is shown.
    scaleTo(windowDpi(parent));
    const SIZE outer = outerSizeAt(windowSize, GetWindowLongA(parent, GWL_STYLE),
                                   static_cast<DWORD>(GetWindowLongA(parent, GWL_EXSTYLE)), dpi);
    SetWindowPos(parent, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ModuleFinderContents::scaleTo(int newDpi)
{
    dpi = newDpi;
    GdiObject replaced(font.object);
    font.object = madeFont(fontHeight, FW_NORMAL, 0, dpi);
    for (HWND child : {textBox, results, status})
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.object), TRUE);
    for (int i = 0; i < 3; ++i)
        SendMessageW(results, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), scaled(columnWidths[i], dpi));
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

void ModuleFinderContents::search()
{
    try {
        finder.run();
    } catch (WindowsError& error) {
        finder.index.clear();
        filter();
        showError(error.code);
        return;
    } catch (std::bad_alloc&) {
        finder.index.clear();
        filter();
        showError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    filter();
}

void ModuleFinderContents::filter()
{
    try {
        readText(textBox, text);
        const General::ModuleIndex::Counts counts = finder.filter(text.items, text.count - 1, rows);
        SendMessageW(results, LVM_SETITEMCOUNT, rows.count, 0);
        InvalidateRect(results, nullptr, TRUE);
        if (text.count == 1)
            showStatus(L"Type part of a module's name or path to find the processes that have it loaded.");
        else
            showCounts(counts);
    } catch (WindowsError& error) {
        showError(error.code);
    } catch (std::bad_alloc&) {
        showError(ERROR_NOT_ENOUGH_MEMORY);
    }
}

void ModuleFinderContents::showCounts(const General::ModuleIndex::Counts& counts)
{
    buffer.dropBack(buffer.count);
    appendCount(buffer, counts.modules, L"module", L"modules");
    appendText(buffer, L" found in ");
    appendCount(buffer, counts.processes, L"process", L"processes");
    appendText(buffer, L"; ");
    appendCount(buffer, counts.unsearched, L"process", L"processes");
    appendText(buffer, L" could not be searched.");
    buffer.appendRepeated(1, L'\0');
    SetWindowTextW(status, buffer.items);
}

void ModuleFinderContents::showStatus(const wchar_t* line) { SetWindowTextW(status, line); }

void ModuleFinderContents::showError(uint32_t code)
{
    WindowsError(code).wideText(buffer);
    SetWindowTextW(status, buffer.items);
}

const wchar_t* ModuleFinderContents::cellText(int item, int column)
{
    if (item < 0 || static_cast<uint32_t>(item) >= rows.count)
        return L"";
    const General::ModuleIndex::Row& row = rows[static_cast<uint32_t>(item)];
    const General::ModuleIndex::Process& process = finder.index.processes[row.process];
    if (column == 0)
        return finder.index.at(process.name);
    if (column == 1) {
        buffer.dropBack(buffer.count);
        buffer.appendRepeated(16, L'\0');
        wsprintfW(buffer.items, L"%u", process.processId);
        return buffer.items;
    }
    return row.module != General::ModuleIndex::none ? finder.index.path(row.module) : finder.index.at(process.reason);
}

int ModuleFinderContents::findRow(int start, const LVFINDINFOW& asked)
{
    if ((asked.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || asked.psz == nullptr || rows.count == 0)
        return -1;
    const int length = lstrlenW(asked.psz);
    const uint32_t first = start >= 0 && static_cast<uint32_t>(start) < rows.count ? static_cast<uint32_t>(start) : 0;
    for (uint32_t i = 0; i < rows.count; ++i) {
        const uint32_t row = (first + i) % rows.count;
        if (row < first && (asked.flags & LVFI_WRAP) == 0)
            break;
        const wchar_t* name = finder.index.at(finder.index.processes[rows[row].process].name);
        const int nameLength = lstrlenW(name);
        const bool whole = (asked.flags & LVFI_PARTIAL) == 0;
        if ((whole ? nameLength == length : nameLength >= length) &&
            CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name, length, asked.psz, length) == CSTR_EQUAL)
            return static_cast<int>(row);
    }
    return -1;
}

void ModuleFinderContents::showResult(int item)
{
    if (item < 0 || static_cast<uint32_t>(item) >= rows.count)
        return;
    const General::ModuleIndex::Row row = rows[static_cast<uint32_t>(item)];
    const uint32_t processId = finder.index.processes[row.process].processId;
    const wchar_t* path =
        row.module != General::ModuleIndex::none ? finder.index.path(row.module) : nullptr;
    try {
        if (!main->showModule(processId, path))
            showStatus(L"The process has ended.");
    } catch (WindowsError& error) {
        showError(error.code);
    } catch (std::bad_alloc&) {
        showError(ERROR_NOT_ENOUGH_MEMORY);
    }
}

void ModuleFinderContents::copy(bool all)
{
    if (!all && GetFocus() == textBox) {
        SendMessageW(textBox, WM_COPY, 0, 0);
        return;
    }
    General::Array<wchar_t> copied;
    const General::ModuleIndex& index = finder.index;
    if (all) {
        const wchar_t* header[] = {L"Process", L"PID", L"Path"};
        General::appendTabRow(copied, header, 3);
        for (uint32_t i = 0; i < rows.count; ++i) {
            wchar_t id[16];
            wsprintfW(id, L"%u", index.processes[rows[i].process].processId);
            const wchar_t* fields[] = {index.at(index.processes[rows[i].process].name), id,
                                       cellText(static_cast<int>(i), 2)};
            General::appendTabRow(copied, fields, 3);
        }
    } else {
        // The selected results' paths, one a line.
        for (int item = -1; (item = static_cast<int>(SendMessageW(results, LVM_GETNEXTITEM, static_cast<WPARAM>(item),
                                                                  LVNI_SELECTED))) >= 0;) {
            const uint32_t module = static_cast<uint32_t>(item) < rows.count ? rows[static_cast<uint32_t>(item)].module
                                                                             : General::ModuleIndex::none;
            if (module == General::ModuleIndex::none)
                continue;
            if (copied.count != 0)
                copied.appendRange(L"\r\n", 2);
            copied.appendRange(index.path(module), index.modules[module].length);
        }
        if (copied.count == 0)
            return;
    }
    try {
        putOnClipboard(owner->handle, copied.items, copied.count);
    } catch (WindowsError& error) {
        showError(error.code);
    }
}

bool ModuleFinder::command(ModuleFinder& window, WPARAM wParam)
{
    ModuleFinderContents& c = window.contents;
    switch (LOWORD(wParam)) {
    case textBoxId:
        if (HIWORD(wParam) == EN_CHANGE)
            c.filter();
        else if (HIWORD(wParam) == EN_SETFOCUS)
            c.lastFocus = c.textBox;
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

void ModuleFinder::open(MainWindowContents& mainWindow, const wchar_t* name, uint32_t length)
{
    contents.main = &mainWindow;
    if (handle == nullptr) {
        if (!useCommonControls(ICC_LISTVIEW_CLASSES))
            throw WindowsError(ERROR_MOD_NOT_FOUND);
        CreateParams params = {};
        params.cx = windowSize.cx;
        params.cy = windowSize.cy;
        params.x = CW_USEDEFAULT;
        params.y = CW_USEDEFAULT;
        params.style = WS_OVERLAPPEDWINDOW;
        params.hwndParent = mainWindow.owner->handle; // the owner of a top-level window
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

} // namespace Windows

// Rows, item data and the row under the pointer, for both lists.
#include "ListRows.h"

#include <commctrl.h>

#include "toolkit/Window.h"

using namespace Toolkit;

namespace Inspection {

namespace ListRows {

void removeAll(HWND listBox) { SendMessageA(listBox, LB_RESETCONTENT, 0, 0); }

int add(HWND listBox, const char* text)
{
    return static_cast<int>(SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int add(HWND listBox, const wchar_t* text)
{
    return static_cast<int>(SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

void setItemData(HWND listBox, int row, uint32_t value)
{
    SendMessageA(listBox, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(value));
}

int selected(HWND listBox) { return static_cast<int>(SendMessageA(listBox, LB_GETCURSEL, 0, 0)); }

uint32_t itemData(HWND listBox, int row)
{
    return static_cast<uint32_t>(SendMessageA(listBox, LB_GETITEMDATA, static_cast<WPARAM>(row), 0));
}

void select(HWND listBox, int row) { SendMessageA(listBox, LB_SETCURSEL, static_cast<WPARAM>(row), 0); }

int rowOf(HWND listBox, uint32_t value)
{
    const int rows = static_cast<int>(SendMessageA(listBox, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        if (itemData(listBox, row) == value)
            return row;
    }
    return -1;
}

void RowTracking::follow(HWND listBox, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (tooltip == nullptr)
        return;
    int under = row;
    switch (message) {
    case WM_MOUSEMOVE: {
        // A row only where one is drawn: below the last, none.
        const LRESULT hit = SendMessageA(listBox, LB_ITEMFROMPOINT, 0, lParam);
        RECT rect = {0, 0, 0, 0};
        const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        under = HIWORD(hit) == 0 &&
                        SendMessageA(listBox, LB_GETITEMRECT, LOWORD(hit), reinterpret_cast<LPARAM>(&rect)) != LB_ERR &&
                        PtInRect(&rect, point)
                    ? LOWORD(hit)
                    : -1;
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        clicked = true;
        break;
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case LB_RESETCONTENT:
    case WM_KEYDOWN:
        // What is under the pointer is no longer what the tip says.
        row = -1;
        SendMessageW(tooltip, TTM_POP, 0, 0);
        return;
    default:
        return;
    }
    if (under != row) {
        row = under;
        SendMessageW(tooltip, TTM_POP, 0, 0);
        if (clicked) {
            // A click hides the tip of the tool until the pointer leaves it,
            // and the tool is the whole list: made anew for the next row.
            SendMessageW(tooltip, TTM_ACTIVATE, FALSE, 0);
            SendMessageW(tooltip, TTM_ACTIVATE, TRUE, 0);
            clicked = false;
        }
    }
    MSG relayed = {listBox, message, wParam, lParam, 0, {0, 0}};
    SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

DrawingSuspended::DrawingSuspended(HWND listBox) : box(listBox) { SendMessageA(box, WM_SETREDRAW, FALSE, 0); }

DrawingSuspended::~DrawingSuspended()
{
    SendMessageA(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
}

HWND createChild(Window& listBox, HWND parent, int id, int x, int y)
{
    return listBox.create(childParams(parent, id, x, y, 200, 200,
                                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY,
                                      WS_EX_CLIENTEDGE));
}

} // namespace ListRows
} // namespace Inspection

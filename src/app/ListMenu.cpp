// The lists' context menu.
#include "ListMenu.h"

#include "core/Errors.h"
#include "resources/ResourceIds.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/Window.h"

using namespace Core;
using namespace Toolkit;

namespace App {
namespace ListMenu {

MenuHandle make(bool moduleList, bool selected, bool rows, bool path)
{
    MenuHandle made(CreatePopupMenu());
    if (!made.valid())
        throw WindowsError(GetLastError());
    const HMENU menu = made.get();
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
    return made;
}

void show(const MainLists& lists, HWND list, LPARAM at)
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
            SendMessageA(lists.owner, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(list));
            try {
                rethrowKeptException();
            } catch (WindowsError& error) {
                tellError(lists.owner, error.code, "Tarnwick Orrimel", MB_ICONERROR);
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
    const bool moduleList = list == lists.modules.listBox->handle;
    Core::Array<wchar_t> buffer;
    const bool selected =
        moduleList ? lists.modules.selectedEntry() != nullptr : lists.processes.selectedEntry() != nullptr;
    const bool rows = SendMessageA(list, LB_GETCOUNT, 0, 0) > 0;
    UINT command = 0;
    try {
        const MenuHandle menu = make(moduleList, selected, rows, ListCommands::selectedPath(lists, list, buffer) != nullptr);
        command = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, point.x,
                                                   point.y, 0, lists.owner, nullptr));
    } catch (WindowsError& error) {
        tellError(lists.owner, error.code, "Tarnwick Orrimel", MB_ICONERROR);
        return;
    }
    // The menu's own loop delivered messages; a handler's exception goes on here.
    rethrowKeptException();
    if (command != 0)
        ListCommands::perform(lists, list, command);
}

} // namespace ListMenu
} // namespace App

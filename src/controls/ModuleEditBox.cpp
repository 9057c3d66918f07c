// The path box: selected and copied in UTF-16, never changed.
#include "ModuleEditBox.h"

#include "CharacterFilter.h"
#include "toolkit/WindowClass.h"

using namespace Toolkit;

namespace Controls {

const ClassAttributes ModuleEditBox::attributes = {"ModuleEditBox", "EDIT", 0, nullptr, nullptr, false, true};

HWND ModuleEditBox::create(const CreateParams& params) { return WindowClass<ModuleEditBox>::create(*this, params); }

LRESULT ModuleEditBoxContents::handleMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_CONTEXTMENU:
        return 1;
    case WM_GETDLGCODE:
        // Arrows and characters, and select-all when tabbed into; never Tab,
        // Enter or Escape, so the dialog navigation keeps them.
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_CHAR:
        switch (filterCharacter(static_cast<uint32_t>(wParam))) {
        case CharacterAction::SelectAll:
            SendMessageA(owner->handle, EM_SETSEL, 0, -1);
            return 1;
        case CharacterAction::PassOn:
            return 0;
        case CharacterAction::Drop:
            return 1;
        }
        return 1;
    case WM_KEYDOWN:
        return filterKeyDown(static_cast<uint32_t>(wParam), GetKeyState(VK_SHIFT) < 0) ==
                       CharacterAction::Drop
                   ? 1
                   : 0;
    default:
        return 0;
    }
}

HWND ModuleEditBoxContents::createChild(HWND parent, int id, int x, int y)
{
    return owner->create(childParams(parent, id, x, y, 420, 32,
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, WS_EX_CLIENTEDGE));
}

} // namespace Controls

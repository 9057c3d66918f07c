#pragma once

// The path box: the selected module's full path, selectable, never editable.
#include <windows.h>

#include "toolkit/Window.h"

namespace Controls {

class ModuleEditBox;

// The path box's handler: text can be selected and copied, never typed.
struct ModuleEditBoxContents {
    explicit ModuleEditBoxContents(ModuleEditBox* box) : owner(box) {}
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND createChild(HWND parent, int id, int x, int y);

    ModuleEditBox* owner;
};

class ModuleEditBox : public Toolkit::Window {
public:
    ModuleEditBox() : contents(this) {}
    HWND create(const Toolkit::CreateParams& params) override;

    ModuleEditBoxContents contents;
    static const Toolkit::ClassAttributes attributes;
};

} // namespace Controls

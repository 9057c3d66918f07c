#pragma once

// The path box: the selected module's full path, selectable, never editable.
#include <windows.h>

#include "toolkit/Window.h"

namespace Windows {

class ModuleEditBox;

// The path box's handler: text can be selected and copied, never typed.
struct ModuleEditBoxContents {
    explicit ModuleEditBoxContents(ModuleEditBox* box) : owner(box) {}
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND createChild(HWND parent, int id, int x, int y);

    ModuleEditBox* owner;
};

class ModuleEditBox : public Window {
public:
    ModuleEditBox() : contents(this) {}
    HWND create(const CreateParams& params) override;

    ModuleEditBoxContents contents;
    static const struct ClassAttributes attributes;
};

} // namespace Windows

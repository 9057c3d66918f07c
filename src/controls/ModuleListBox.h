#pragma once

// The list box of the selected process's modules.
#include "inspection/ModuleList.h"
#include "toolkit/Window.h"

namespace Windows {

// A system list box whose object owns the entries behind its rows.
class ModuleListBox : public Window {
public:
    ModuleListBox() : contents(this) {}
    HWND create(const CreateParams& params) override;

    Inspection::ModuleList contents;
    static const struct ClassAttributes attributes;
};

} // namespace Windows

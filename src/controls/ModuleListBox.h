#pragma once

// The list box of the selected process's modules.
#include "inspection/ModuleList.h"
#include "toolkit/Window.h"

namespace Controls {

// A system list box whose object owns the entries behind its rows.
class ModuleListBox : public Toolkit::Window {
public:
    ModuleListBox() : contents(this) {}
    HWND create(const Toolkit::CreateParams& params) override;

    Inspection::ModuleList contents;
    static const Toolkit::ClassAttributes attributes;
};

} // namespace Controls

#pragma once

// The list box of the running processes.
#include "inspection/ProcessList.h"
#include "toolkit/Window.h"

namespace Controls {

// A system list box whose object owns the entries behind its rows.
class ProcessListBox : public Toolkit::Window {
public:
    ProcessListBox() : contents(this) {}
    HWND create(const Toolkit::CreateParams& params) override;

    Inspection::ProcessList contents;
    static const Toolkit::ClassAttributes attributes;
};

} // namespace Controls

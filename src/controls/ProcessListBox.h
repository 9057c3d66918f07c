#pragma once

// The list box of the running processes.
#include "inspection/ProcessList.h"
#include "toolkit/Window.h"

namespace Windows {

// A system list box whose object owns the entries behind its rows.
class ProcessListBox : public Window {
public:
    ProcessListBox() : contents(this) {}
    HWND create(const CreateParams& params) override;

    Inspection::ProcessList contents;
    static const struct ClassAttributes attributes;
};

} // namespace Windows

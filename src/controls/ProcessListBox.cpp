// The process list box's class.
#include "ProcessListBox.h"

#include "toolkit/WindowClass.h"

namespace Windows {

const ClassAttributes ProcessListBox::attributes = {"ProcessListBox", "LISTBOX", 0, nullptr, nullptr, false, false};

HWND ProcessListBox::create(const CreateParams& params) { return WindowClass<ProcessListBox>::create(*this, params); }

} // namespace Windows

// The process list box's class.
#include "ProcessListBox.h"

#include "toolkit/WindowClass.h"

using namespace Toolkit;

namespace Controls {

const ClassAttributes ProcessListBox::attributes = {"ProcessListBox", "LISTBOX", 0, nullptr, nullptr, false, false};

HWND ProcessListBox::create(const CreateParams& params) { return WindowClass<ProcessListBox>::create(*this, params); }

} // namespace Controls

// The module list box's class.
#include "ModuleListBox.h"

#include "toolkit/WindowClass.h"

using namespace Toolkit;

namespace Controls {

const ClassAttributes ModuleListBox::attributes = {"ModuleListBox", "LISTBOX", 0, nullptr, nullptr, false, false};

HWND ModuleListBox::create(const CreateParams& params) { return WindowClass<ModuleListBox>::create(*this, params); }

} // namespace Controls

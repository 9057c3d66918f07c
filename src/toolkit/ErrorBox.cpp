// A failure told in a box, in the system's words.
#include "ErrorBox.h"

#include "core/Errors.h"

using namespace Core;

namespace Toolkit {

void tellError(HWND owner, uint32_t code, const char* caption, UINT icon)
{
    const Core::String text = WindowsError(code).ErrorText();
    MessageBoxA(owner, text.text(), caption, MB_OK | icon);
}

} // namespace Toolkit

// A failure told in a box, in the system's words.
#include "ErrorBox.h"

#include "core/Errors.h"

namespace Windows {

void tellError(HWND owner, uint32_t code, const char* caption, UINT icon)
{
    const General::String text = WindowsError(code).ErrorText();
    MessageBoxA(owner, text.text(), caption, MB_OK | icon);
}

} // namespace Windows

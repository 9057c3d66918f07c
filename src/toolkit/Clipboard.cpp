// UTF-16 text put on the clipboard, retried while another program holds it.
#include "Clipboard.h"

#include "core/Errors.h"

using namespace Core;

namespace Toolkit {

void putOnClipboard(HWND owner, const wchar_t* text, uint32_t length)
{
    BOOL opened = FALSE;
    for (int attempt = 0; attempt < 10 && !(opened = OpenClipboard(owner)); ++attempt)
        Sleep(25);
    if (!opened)
        throw WindowsError(GetLastError());
    struct Closing {
        ~Closing() { CloseClipboard(); }
    } closing;
    if (!EmptyClipboard())
        throw WindowsError(GetLastError());
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (static_cast<SIZE_T>(length) + 1) * sizeof(wchar_t));
    if (block == nullptr)
        throw WindowsError(GetLastError());
    auto* units = static_cast<wchar_t*>(GlobalLock(block));
    if (units == nullptr) {
        const DWORD code = GetLastError();
        GlobalFree(block);
        throw WindowsError(code);
    }
    for (uint32_t i = 0; i < length; ++i)
        units[i] = text[i];
    units[length] = L'\0';
    GlobalUnlock(block);
    // Once it is taken, the block is the clipboard's.
    if (SetClipboardData(CF_UNICODETEXT, block) == nullptr) {
        const DWORD code = GetLastError();
        GlobalFree(block);
        throw WindowsError(code);
    }
}

} // namespace Toolkit

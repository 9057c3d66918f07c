#include <windows.h>

#include "Errors.h"

namespace Windows {

General::String WindowsError::ErrorText() const
{
    char* systemText = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&systemText), 0, nullptr);

    // The block goes back to the system on every path, a failed allocation too.
    struct LocalBlock {
        char*& pointer;
        ~LocalBlock() { LocalFree(pointer); }
    } block{systemText};

    General::String text;
    text.dropBack(text.count);
    text.appendText(length != 0 && systemText != nullptr ? systemText : "Unknown error.");
    return General::String(text);
}

} // namespace Windows

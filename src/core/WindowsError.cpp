// The system's words for a failed call's code.
#include <windows.h>

#include "Errors.h"

namespace Core {

String WindowsError::ErrorText() const
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

    String text;
    text.dropBack(text.count);
    text.appendText(length != 0 && systemText != nullptr ? systemText : "Unknown error.");
    return String(text);
}

void WindowsError::wideText(Array<wchar_t>& into) const
{
    wchar_t* systemText = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&systemText), 0,
        nullptr);
    struct LocalBlock {
        wchar_t*& pointer;
        ~LocalBlock() { LocalFree(pointer); }
    } block{systemText};

    into.dropBack(into.count);
    if (length != 0 && systemText != nullptr) {
        uint32_t end = length;
        while (end > 0 && (systemText[end - 1] == L'\r' || systemText[end - 1] == L'\n' || systemText[end - 1] == L' '))
            --end;
        for (uint32_t i = 0; i < end; ++i)
            into.appendRepeated(1, systemText[i] == L'\r' || systemText[i] == L'\n' ? L' ' : systemText[i]);
    } else {
        for (const wchar_t* unknown = L"Unknown error."; *unknown != L'\0'; ++unknown)
            into.appendRepeated(1, *unknown);
    }
    into.appendRepeated(1, L'\0');
}

} // namespace Core

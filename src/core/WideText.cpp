// UTF-16 text converted into the program's 8-bit text.
#include <windows.h>

#include "Errors.h"
#include "WideText.h"

namespace Core {

void narrowText(const wchar_t* text, uint32_t length, String& into)
{
    into.dropBack(into.count);
    int bytes = 0;
    if (length != 0) {
        bytes = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        if (bytes == 0)
            throw WindowsError(GetLastError());
    }
    into.appendRepeated(static_cast<uint32_t>(bytes) + 1, '\0');
    if (bytes != 0 &&
        WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), into.items, bytes, nullptr, nullptr) == 0)
        throw WindowsError(GetLastError());
}

void fold(const wchar_t* text, uint32_t length, Array<wchar_t>& into)
{
    into.dropBack(into.count);
    into.appendRepeated(length + 1, L'\0');
    if (length != 0 && LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text, static_cast<int>(length), into.items,
                                    static_cast<int>(length)) == 0)
        throw WindowsError(GetLastError());
}

} // namespace Core

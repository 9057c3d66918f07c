// Where a module path's file name starts.
#include "FileName.h"

namespace Core {

uint32_t fileNameOffset(const char* path, LeadByteTest isLeadByte)
{
    uint32_t offset = 0;
    for (uint32_t i = 0; path[i] != '\0';) {
        const unsigned char byte = static_cast<unsigned char>(path[i]);
        if (byte == '\\')
            offset = i + 1;
        // A lead byte before the terminator takes its trail byte with it.
        i += isLeadByte != nullptr && isLeadByte(byte) && path[i + 1] != '\0' ? 2 : 1;
    }
    return offset;
}

void extendedPath(const wchar_t* path, uint32_t length, Array<wchar_t>& into)
{
    into.dropBack(into.count);
    const auto starts = [path, length](const wchar_t* with) {
        uint32_t i = 0;
        while (with[i] != L'\0' && i < length && path[i] == with[i])
            ++i;
        return with[i] == L'\0';
    };
    const bool drive = length >= 3 && path[1] == L':' && path[2] == L'\\' &&
                       ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    uint32_t kept = 0;
    if (starts(L"\\??\\")) {
        into.appendRange(L"\\\\?\\", 4);
        kept = 4;
    } else if (drive) {
        into.appendRange(L"\\\\?\\", 4);
    } else if (starts(L"\\\\") && !starts(L"\\\\?\\") && !starts(L"\\\\.\\")) {
        into.appendRange(L"\\\\?\\UNC", 7);
        kept = 1;
    }
    into.appendRange(path + kept, length - kept);
    into.appendRepeated(1, L'\0');
}

} // namespace Core

// Where a module path's file name starts.
#include "FileName.h"

namespace General {

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

} // namespace General

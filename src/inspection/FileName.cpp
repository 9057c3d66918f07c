#include "FileName.h"

namespace General {

uint32_t fileNameOffset(const char* path)
{
    uint32_t length = 0;
    while (path[length] != '\0')
        ++length;
    if (length == 0)
        return 0;
    if (path[length - 1] == '\\')
        return length;
    for (uint32_t k = length - 1; k > 0;) {
        --k;
        if (path[k] == '\\')
            return k + 1;
    }
    return 0;
}

} // namespace General

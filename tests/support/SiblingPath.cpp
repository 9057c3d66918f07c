#include "SiblingPath.h"

#include <windows.h>

namespace TestSupport {

std::string siblingPath(const char* exeName)
{
    char own[MAX_PATH];
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string path = own;
    return path.substr(0, path.rfind('\\') + 1) + exeName;
}

} // namespace TestSupport

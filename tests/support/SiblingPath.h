#pragma once

#include <string>

namespace TestSupport {

// The full path of an executable built next to this one.
std::string siblingPath(const char* exeName);

} // namespace TestSupport

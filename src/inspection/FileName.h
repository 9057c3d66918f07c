#pragma once

#include <cstdint>

namespace General {

// Where the file name starts in a module path: one past the last backslash,
// or 0 when there is none. Only the backslash separates; '/' and ':' do not.
uint32_t fileNameOffset(const char* path);

} // namespace General

#pragma once

// The command line that opens a page in the program associated with ".html".
#include "core/String.h"

namespace Controls {

// "<program>" <url>: the program quoted, the url passed as it is.
Core::String browserCommandLine(const char* program, const char* url);

} // namespace Controls

#pragma once

// UTF-16 text from the system converted into the program's 8-bit text.
#include <cstdint>

#include "String.h"

namespace Windows {

// Replaces `into` with UTF-16 text converted once into the program's 8-bit
// text, through the active code page (UTF-8 wherever the manifest's is
// honoured), into a block of the exact size the system asks for. A character
// the code page lacks comes out as the system's default character.
void narrowText(const wchar_t* text, uint32_t length, General::String& into);

} // namespace Windows

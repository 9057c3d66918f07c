#pragma once

// UTF-16 text from the system converted into the program's 8-bit text.
#include <cstdint>

#include "Array.h"
#include "String.h"

namespace Core {

// Replaces `into` with UTF-16 text converted once into the program's 8-bit
// text, through the active code page (UTF-8 wherever the manifest's is
// honoured), into a block of the exact size the system asks for. A character
// the code page lacks comes out as the system's default character.
void narrowText(const wchar_t* text, uint32_t length, String& into);

// Replaces `into` by the text upper-cased with the system's table, as file
// names compare, each UTF-16 unit to one; NUL-terminated.
void fold(const wchar_t* text, uint32_t length, Array<wchar_t>& into);

} // namespace Core

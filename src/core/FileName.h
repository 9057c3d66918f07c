#pragma once

// Where a module path's file name starts, in any code page.
#include <cstdint>

#include "core/Array.h"

namespace Core {

// Tells whether a byte starts a two-byte character in the text's code page.
using LeadByteTest = bool (*)(unsigned char);

// Where the file name starts in a module path: one past the last backslash,
// or 0 when there is none. Only the backslash separates; '/' and ':' do not.
// In a double-byte code page the second byte of a character can be 0x5C, so
// the path is walked a character at a time; without a test every byte is a
// character, which is right for single-byte code pages and for UTF-8, whose
// bytes beyond ASCII are all 0x80 or above.
uint32_t fileNameOffset(const char* path, LeadByteTest isLeadByte = nullptr);

// The \\?\ form of a full path, which the file calls take at any length:
// C:\a as \\?\C:\a, \\server\share\a as \\?\UNC\server\share\a, and \??\C:\a (as
// a few module paths read) as \\?\C:\a; a path already in that form, or not
// a full one, is kept. Replaces `into`, NUL-terminated.
void extendedPath(const wchar_t* path, uint32_t length, Array<wchar_t>& into);

} // namespace Core

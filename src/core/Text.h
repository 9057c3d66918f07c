#pragma once

// What the program means by two texts being the same, by a text's length and
// by a process id written out: one meaning of each, for every part that
// reads, writes or compares.
#include <cstdint>

#include "Array.h"

namespace Core {

// NUL-terminated texts, unit for unit; `anyCase` folds ASCII letters only,
// as switches and words of the program's own are ASCII.
inline bool sameText(const wchar_t* a, const wchar_t* b, bool anyCase = false)
{
    const auto folded = [anyCase](wchar_t c) {
        return anyCase && c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    };
    for (; *a != L'\0' && folded(*a) == folded(*b); ++a, ++b) {
    }
    return folded(*a) == folded(*b);
}

// A NUL-terminated text's length, and the text appended; null is empty.
inline uint32_t textLength(const wchar_t* text)
{
    uint32_t length = 0;
    while (text != nullptr && text[length] != L'\0')
        ++length;
    return length;
}
inline void appendText(Array<wchar_t>& into, const wchar_t* text) { into.appendRange(text, textLength(text)); }

// Decimal digits alone, within 32 bits, as a PID is written.
inline bool parseProcessId(const wchar_t* text, uint32_t& id)
{
    uint64_t value = 0;
    if (*text == L'\0')
        return false;
    for (; *text != L'\0'; ++text) {
        if (*text < L'0' || *text > L'9')
            return false;
        value = value * 10 + static_cast<uint64_t>(*text - L'0');
        if (value > UINT32_MAX)
            return false;
    }
    id = static_cast<uint32_t>(value);
    return true;
}

} // namespace Core

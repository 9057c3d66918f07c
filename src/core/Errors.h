#pragma once

// The program's error types: a failed platform call, a misused window object.
#include <cstdint>

#include "String.h"

namespace Core {

// A failed platform call, carrying the code read right after it failed.
struct WindowsError {
    explicit WindowsError(uint32_t errorCode) : code(errorCode) {}

    // The system's message text for the code, or "Unknown error.".
    String ErrorText() const;
    // The same in UTF-16, on one line: for a status line or a row. Replaces
    // what `into` held; NUL-terminated, the count less one is its length.
    void wideText(Array<wchar_t>& into) const;

    uint32_t code;
};


// An operation was asked of a window object that has no window.
struct StateError {};

} // namespace Core

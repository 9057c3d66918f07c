#pragma once

// 8-bit text on the program's array.
#include "Array.h"

namespace Core {

// 8-bit text whose length counts its terminating NUL: the empty text has
// length 1, and a count handed to the platform is the length minus one.
class String : public Array<char> {
public:
    String()
    {
        reallocate(1);
        appendRepeated(1, '\0');
    }

    explicit String(const char* text) { appendText(text); }

    // Keeps the source's capacity rather than fitting the copy to its length.
    String(const String& other) : Array<char>()
    {
        reallocate(other.capacity);
        for (uint32_t i = 0; i < other.count; ++i)
            items[i] = other.items[i];
        count = other.count;
    }

    String& operator=(const String&) = delete;

    // Appends the characters and one NUL; an existing terminator is left in
    // place, so a caller extending a text drops it first.
    void appendText(const char* text)
    {
        for (; *text != '\0'; ++text)
            appendRepeated(1, *text);
        appendRepeated(1, '\0');
    }

    void assignText(const char* text)
    {
        dropBack(count);
        appendText(text);
    }

    const char* text() const { return items; }
};

} // namespace Core

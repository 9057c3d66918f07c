#pragma once

#include <cstdint>

#include "Array.h"

namespace General {

// Appends one line of text that a spreadsheet pastes as one row: the fields,
// each NUL-terminated, separated by tabs, ended by CR LF.
inline void appendTabRow(Array<wchar_t>& into, const wchar_t* const* fields, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        if (i != 0)
            into.appendRepeated(1, L'\t');
        for (const wchar_t* c = fields[i]; *c != L'\0'; ++c)
            into.appendRepeated(1, *c);
    }
    into.appendRepeated(1, L'\r');
    into.appendRepeated(1, L'\n');
}

} // namespace General

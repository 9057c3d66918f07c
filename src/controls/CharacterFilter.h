#pragma once

#include <cstdint>

namespace General {

enum class CharacterAction {
    SelectAll, // consume, and select the whole text
    PassOn,    // let the edit control have it
    Drop,      // consume silently
};

// What the path box does with a typed character: it may be selected and
// copied, never changed.
CharacterAction filterCharacter(uint32_t code);

} // namespace General

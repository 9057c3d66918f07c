#pragma once

// Which keys and characters the read-only path box lets through.
#include <cstdint>

namespace Controls {

enum class CharacterAction {
    SelectAll, // consume, and select the whole text
    PassOn,    // let the edit control have it
    Drop,      // consume silently
};

// What the path box does with a typed character: it may be selected and
// copied, never changed.
CharacterAction filterCharacter(uint32_t code);

// The same for the keys an edit control acts on at key-down rather than as
// characters: Delete (with or without Shift, which cuts) and Shift+Insert
// (paste) would change the text, so they are dropped; every other key, the
// arrows, Home, End and Ctrl+Insert (copy) among them, passes on.
CharacterAction filterKeyDown(uint32_t virtualKey, bool shift);

} // namespace Controls

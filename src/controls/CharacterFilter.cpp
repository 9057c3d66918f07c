// Which keys and characters the read-only path box lets through.
#include "CharacterFilter.h"

namespace Controls {

CharacterAction filterCharacter(uint32_t code)
{
    switch (code) {
    case 1: // Ctrl+A
        return CharacterAction::SelectAll;
    case 3: // Ctrl+C: the edit control copies the selection
    case 9: // Tab
        return CharacterAction::PassOn;
    default:
        return CharacterAction::Drop;
    }
}

CharacterAction filterKeyDown(uint32_t virtualKey, bool shift)
{
    const uint32_t insertKey = 0x2D, deleteKey = 0x2E;
    if (virtualKey == deleteKey || (virtualKey == insertKey && shift))
        return CharacterAction::Drop;
    return CharacterAction::PassOn;
}

} // namespace Controls

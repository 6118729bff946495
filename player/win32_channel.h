// The real player seam: synchronous window messages to the player's main window, in the
// player's own process.
#pragma once

#include <cstddef>

#include "player/player.h"

namespace player {

// The longest text taken from one answer: the longest path Windows can name. A malformed
// answer without a terminator is cut here instead of being read on without end.
constexpr std::size_t MAX_PLAYER_TEXT = 32767;

class Win32MessageChannel final : public MessageChannel {
public:
    std::intptr_t Send(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override;
    // Copies up to the terminator, stopping early at MAX_PLAYER_TEXT bytes or at the first
    // byte that is not readable memory, so a bad address gives a short text, not a crash.
    std::string CopyText(std::intptr_t address) override;
    // Likewise for UTF-16, counted in units.
    std::u16string CopyWideText(std::intptr_t address) override;
};

}  // namespace player

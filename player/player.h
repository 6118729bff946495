// The only ways to reach the player: two queries naming the current file and two commands
// around a tag write, all synchronous messages to the player's main window.
#pragma once

#include <cstdint>
#include <string>

namespace player {

using WindowHandle = std::uintptr_t;

constexpr std::uint32_t WM_COMMAND_MESSAGE = 0x0111;
constexpr std::uint32_t WM_USER_MESSAGE = 0x0400;

constexpr std::int32_t IPC_GETLISTPOS = 125;
constexpr std::int32_t IPC_GETPLAYLISTFILE = 211;
constexpr std::int32_t IPC_GETPLAYLISTFILEW = 214;
constexpr std::uint16_t WINAMP_BUTTON2 = 40045;  // Play
constexpr std::uint16_t WINAMP_BUTTON3 = 40046;  // Pause

// The seam: the real one sends window messages; tests put a substitute player behind it.
class MessageChannel {
public:
    virtual ~MessageChannel() = default;
    virtual std::intptr_t Send(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) = 0;
    // Copies the zero-terminated 8-bit text at `address` in the player's memory.
    virtual std::string CopyText(std::intptr_t address) = 0;
    // Copies the zero-terminated UTF-16 text at `address` in the player's memory.
    virtual std::u16string CopyWideText(std::intptr_t address) = 0;
};

void SendPlayerCommand(MessageChannel& channel, WindowHandle window, std::uint16_t command);
std::int32_t QueryPlayer(MessageChannel& channel, WindowHandle window, std::int32_t query,
                         std::int32_t data);
// A null result gives the empty string.
std::string QueryPlayerText(MessageChannel& channel, WindowHandle window, std::int32_t query,
                            std::int32_t data);
// The full name of the file of playlist entry `position`, in UTF-8: asked for in UTF-16
// (IPC_GETPLAYLISTFILEW), and from a player that answers that with 0 (an old one) in its
// ANSI code page (IPC_GETPLAYLISTFILE). Empty when neither names one.
std::string QueryPlayerFileName(MessageChannel& channel, WindowHandle window, std::int32_t position);

}  // namespace player

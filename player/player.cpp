#include "player/player.h"

#include "platform/codepage.h"

namespace player {

void SendPlayerCommand(MessageChannel& channel, WindowHandle window, std::uint16_t command) {
    channel.Send(window, WM_COMMAND_MESSAGE, command, 0);
}

std::int32_t QueryPlayer(MessageChannel& channel, WindowHandle window, std::int32_t query,
                         std::int32_t data) {
    // wParam carries the data as the 32-bit value the player reads back.
    const auto wParam = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(data));
    return static_cast<std::int32_t>(channel.Send(window, WM_USER_MESSAGE, wParam, query));
}

std::string QueryPlayerText(MessageChannel& channel, WindowHandle window, std::int32_t query,
                            std::int32_t data) {
    const auto wParam = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(data));
    const std::intptr_t address = channel.Send(window, WM_USER_MESSAGE, wParam, query);
    return address == 0 ? std::string() : channel.CopyText(address);
}

std::string QueryPlayerFileName(MessageChannel& channel, WindowHandle window, std::int32_t position) {
    const auto wParam = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(position));
    const std::intptr_t wide = channel.Send(window, WM_USER_MESSAGE, wParam, IPC_GETPLAYLISTFILEW);
    if (wide != 0) return platform::Utf8FromUtf16(channel.CopyWideText(wide));
    return platform::Utf8FromAnsi(QueryPlayerText(channel, window, IPC_GETPLAYLISTFILE, position));
}

}  // namespace player

#include "player/win32_channel.h"

#include <windows.h>

#include <cstring>

namespace player {

namespace {

constexpr DWORD READABLE = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// How many bytes from `address` on can be read without a fault, at most `limit`. Asks the
// memory manager instead of probing: a probe (IsBadReadPtr) would trip guard pages, such as
// a thread's stack guard, and leave that stack unable to grow.
std::size_t ReadableBytes(const char* address, std::size_t limit) {
    std::size_t readable = 0;
    while (readable < limit) {
        MEMORY_BASIC_INFORMATION region{};
        if (VirtualQuery(address + readable, &region, sizeof region) == 0) break;
        if (region.State != MEM_COMMIT || (region.Protect & READABLE) == 0 ||
            (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0) {
            break;
        }
        const auto regionEnd =
            static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        readable = static_cast<std::size_t>(regionEnd - address);
    }
    return readable < limit ? readable : limit;
}

}  // namespace

std::intptr_t Win32MessageChannel::Send(WindowHandle window, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam) {
    return SendMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

std::string Win32MessageChannel::CopyText(std::intptr_t address) {
    const auto text = reinterpret_cast<const char*>(address);
    const std::size_t readable = ReadableBytes(text, MAX_PLAYER_TEXT);
    const void* terminator = std::memchr(text, '\0', readable);
    const std::size_t length =
        terminator ? static_cast<std::size_t>(static_cast<const char*>(terminator) - text)
                   : readable;
    return std::string(text, length);
}

std::u16string Win32MessageChannel::CopyWideText(std::intptr_t address) {
    const auto text = reinterpret_cast<const char16_t*>(address);
    const std::size_t readable =
        ReadableBytes(reinterpret_cast<const char*>(text), MAX_PLAYER_TEXT * sizeof(char16_t)) / sizeof(char16_t);
    std::size_t length = 0;
    while (length < readable && text[length] != u'\0') ++length;
    return std::u16string(text, length);
}

}  // namespace player

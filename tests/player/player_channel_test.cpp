// The real message channel's text copy: the player's answer is an address in our own
// process, which may be malformed.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "player/win32_channel.h"

namespace {

// Pages of our own: the first `readable` of them readable and writable, the rest no-access.
class Pages {
public:
    Pages(std::size_t readable, std::size_t total) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        pageSize_ = system.dwPageSize;
        base_ = static_cast<char*>(
            VirtualAlloc(nullptr, total * pageSize_, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
        DWORD old = 0;
        if (readable > 0) VirtualProtect(base_, readable * pageSize_, PAGE_READWRITE, &old);
    }
    ~Pages() { VirtualFree(base_, 0, MEM_RELEASE); }
    char* base() const { return base_; }
    std::size_t pageSize() const { return pageSize_; }

private:
    char* base_ = nullptr;
    std::size_t pageSize_ = 0;
};

std::intptr_t AddressOf(const char* text) { return reinterpret_cast<std::intptr_t>(text); }

TEST(Win32MessageChannel, CopiesTextUpToItsTerminator) {
    player::Win32MessageChannel channel;
    const char text[] = "C:\\Music\\caf\xe9.mp3\0after";
    EXPECT_EQ(channel.CopyText(AddressOf(text)), "C:\\Music\\caf\xe9.mp3");
    EXPECT_EQ(channel.CopyText(AddressOf("")), "");
}

TEST(Win32MessageChannel, TextRunningIntoUnreadableMemoryIsCutThere) {
    Pages pages(1, 2);
    ASSERT_NE(pages.base(), nullptr);
    std::memset(pages.base(), 'a', pages.pageSize());  // no terminator before the no-access page
    player::Win32MessageChannel channel;
    EXPECT_EQ(channel.CopyText(AddressOf(pages.base() + pages.pageSize() - 3)), "aaa");
    EXPECT_EQ(channel.CopyText(AddressOf(pages.base() + pages.pageSize())), "");
}

TEST(Win32MessageChannel, WideTextIsCopiedUpToItsTerminatorOrTheEndOfReadableMemory) {
    player::Win32MessageChannel channel;
    const char16_t text[] = u"C:\\Z\u00fcrich \u6771\u4eac.mp3\0after";
    EXPECT_EQ(channel.CopyWideText(AddressOf(reinterpret_cast<const char*>(text))),
              u"C:\\Z\u00fcrich \u6771\u4eac.mp3");
    Pages pages(1, 2);
    ASSERT_NE(pages.base(), nullptr);
    std::memset(pages.base(), 'a', pages.pageSize());  // no terminator before the no-access page
    EXPECT_EQ(channel.CopyWideText(AddressOf(pages.base() + pages.pageSize() - 4)), u"\u6161\u6161");
    // Half a unit before the no-access page is no unit.
    EXPECT_EQ(channel.CopyWideText(AddressOf(pages.base() + pages.pageSize() - 1)), u"");
}

TEST(Win32MessageChannel, UnterminatedTextIsCutAtTheLimit) {
    const std::size_t pagesNeeded = 12;  // more than the limit, spread over several pages
    Pages pages(pagesNeeded, pagesNeeded);
    ASSERT_GT(pagesNeeded * pages.pageSize(), player::MAX_PLAYER_TEXT + 1);
    std::memset(pages.base(), 'b', pagesNeeded * pages.pageSize());
    player::Win32MessageChannel channel;
    const std::string text = channel.CopyText(AddressOf(pages.base()));
    EXPECT_EQ(text.size(), player::MAX_PLAYER_TEXT);
    EXPECT_EQ(text, std::string(player::MAX_PLAYER_TEXT, 'b'));
}

TEST(Win32MessageChannel, AGuardPageIsNeitherReadNorTripped) {
    Pages pages(2, 2);
    DWORD old = 0;
    std::memset(pages.base(), 'c', 2 * pages.pageSize());
    VirtualProtect(pages.base() + pages.pageSize(), pages.pageSize(), PAGE_READWRITE | PAGE_GUARD,
                   &old);
    player::Win32MessageChannel channel;
    EXPECT_EQ(channel.CopyText(AddressOf(pages.base())).size(), pages.pageSize());
    MEMORY_BASIC_INFORMATION region{};
    VirtualQuery(pages.base() + pages.pageSize(), &region, sizeof region);
    EXPECT_NE(region.Protect & PAGE_GUARD, 0u);  // still armed
}

}  // namespace

// The plug-in's lasting objects at unload.
#include <gtest/gtest.h>

#include "tests/ui/main_form_fixture.h"
#include "ui/library_objects.h"

namespace {

// Reports every timer stop, such as the window's as it is destroyed.
class WatchedBackend : public toolkit::HeadlessBackend {
public:
    void StopTimer(toolkit::Timer& timer) override {
        if (onStopTimer) onStopTimer();
        HeadlessBackend::StopTimer(timer);
    }

    std::function<void()> onStopTimer;
};

TEST(LibraryObjects, TheWindowGoesWhileTheTagAndTheNameItRefersToStillExist) {
    PlaylistPlayer player;
    auto backend = std::make_unique<WatchedBackend>();
    WatchedBackend& watched = *backend;
    auto objects = std::make_unique<LibraryObjects>(std::move(backend), player, [] { return player::WindowHandle{0}; });
    LibraryObjects& library = *objects;
    // Longer than a string keeps in itself: freed memory once the string is gone.
    library.lastFileName = "C:\\Music\\a name longer than a string keeps in itself.mp3";
    library.songTag.SetArtist("Someone");
    std::vector<std::string> seen;
    watched.onStopTimer = [&] { seen.push_back(library.lastFileName + " by " + library.songTag.Artist); };
    objects.reset();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "C:\\Music\\a name longer than a string keeps in itself.mp3 by Someone");
}

}  // namespace

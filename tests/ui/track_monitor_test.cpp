// Following the player: what a tick asks, when a change is seen, and what the window shows.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/ui/main_form_fixture.h"

namespace handlers_test {
namespace {

struct TrackMonitorTest : ::testing::Test, MainFormFixture {
    TrackMonitorTest() { Open(); }

    std::vector<std::string> TagFields() {
        TMainForm& f = form();
        return {f.ID3title.Text(), f.ID3artist.Text(), f.ID3album.Text(), f.ID3track.Text(),
                f.ID3year.Text(), f.ID3genre.Text(), f.ID3Comment.Text()};
    }
};

const SongTagFields kSongA{"Artist A", "Title A", "Album A", "1999", "Rock", "Live", 7};
const SongTagFields kSongB{"Artist B", "Title B", "Album B", "2001", "Jazz", "", 12};

TEST_F(TrackMonitorTest, EachTickAsksForThePositionThenForThatEntrysFile) {
    player.playlist = {"C:\\a.mp3", "C:\\b.mp3", "C:\\c.mp3"};
    player.position = 2;
    backend.advance(999);
    EXPECT_TRUE(player.messages.empty());
    backend.advance(1);
    ASSERT_EQ(player.messages.size(), 2u);
    EXPECT_EQ(player.messages[0].message, player::WM_USER_MESSAGE);
    EXPECT_EQ(player.messages[0].lParam, player::IPC_GETLISTPOS);
    EXPECT_EQ(player.messages[1].message, player::WM_USER_MESSAGE);
    EXPECT_EQ(player.messages[1].lParam, player::IPC_GETPLAYLISTFILEW);
    EXPECT_EQ(player.messages[1].wParam, 2u);
    for (const auto& sent : player.messages) EXPECT_EQ(sent.window, kPlayerWindow);
    EXPECT_EQ(form().filename.Text(), "C:\\c.mp3");
    EXPECT_EQ(lastFileName, "C:\\c.mp3");
    // The tick goes on whether the window is shown or not, once a second.
    backend.advance(5000);
    EXPECT_EQ(player.messages.size(), 12u);
}

TEST_F(TrackMonitorTest, ANewFileShowsItsTagAndArmsTheSendTimer) {
    Play(MakeSong("a.mp3", &kSongA));
    backend.advance(1000);
    EXPECT_EQ(TagFields(), (std::vector<std::string>{"Title A", "Artist A", "Album A", "7",
                                                     "1999", "Rock", "Live"}));
    EXPECT_TRUE(form().Timer2.Running());
    EXPECT_EQ(lastFileName, form().filename.Text());
    // The buttons keep their state through a change of song.
    EXPECT_FALSE(form().btnWriteTags.Enabled());
    EXPECT_FALSE(form().btnReloadTags.Enabled());
    backend.Input(form().ID3year, &toolkit::Edit::HandleKeyDown, toolkit::kKeyDown, 0);
    Play(MakeSong("b.mp3", &kSongB));
    backend.advance(1000);
    EXPECT_EQ(TagFields(), (std::vector<std::string>{"Title B", "Artist B", "Album B", "12",
                                                     "2001", "Jazz", ""}));
    EXPECT_TRUE(form().btnWriteTags.Enabled());
    EXPECT_TRUE(form().btnReloadTags.Enabled());
}

TEST_F(TrackMonitorTest, AFileWithoutTagWithOnlyAnID3v1TagWithoutTrackNumberOrUnreadable) {
    const SongTagFields artistOnly{"Only Artist", "", "", "", "", "", 0};
    Play(MakeSong("a.mp3", &kSongA));
    backend.advance(1000);
    // No tag: every field emptied, the name shown, the change handled as any other.
    Play(MakeSong("plain.mp3", nullptr));
    form().Timer2.SetEnabled(false);
    backend.advance(1000);
    EXPECT_EQ(TagFields(), std::vector<std::string>(7, ""));
    EXPECT_EQ(form().filename.Text(), player.playlist.back());
    EXPECT_TRUE(form().Timer2.Running());

    Play(MakeSong("no-track.mp3", &artistOnly));
    backend.advance(1000);
    EXPECT_EQ(TagFields(), (std::vector<std::string>{"", "Only Artist", "", "0", "", "", ""}));

    // Only an ID3v1 tag (1.1, track 5, genre 8) at the end: its fields are shown.
    std::string version1 = "TAG" + std::string(90, '\0') + "1987" + std::string(30, '\0') + "\x08";
    version1.replace(3, 5, "Title").replace(33, 6, "Artist").replace(126, 1, "\x05");
    test_support::WriteBytes(dir.Native("old.mp3"), std::vector<unsigned char>(version1.begin(), version1.end()));
    Play(platform::AnsiFromUtf16(dir.File("old.mp3")));
    backend.advance(1000);
    EXPECT_EQ(TagFields(), (std::vector<std::string>{"Title", "Artist", "", "5", "1987", "Jazz", ""}));

    // A name that is no local file, such as a stream address.
    Play("http://radio.example/live");
    backend.advance(1000);
    EXPECT_EQ(TagFields(), std::vector<std::string>(7, ""));
    EXPECT_EQ(form().filename.Text(), "http://radio.example/live");
}

TEST_F(TrackMonitorTest, TheNameIsAskedInUtf16ThenFromAnOldPlayerInTheCodePage) {
    const struct {
        bool oldPlayer;
        const char* name;
        std::int32_t lastQuery;
    } cases[] = {
        {false, "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC.mp3", player::IPC_GETPLAYLISTFILEW},  // Zürich 東京
        // "café": é is the code page's single byte 0xE9, found only if converted from there.
        {true, "caf\xC3\xA9.mp3", player::IPC_GETPLAYLISTFILE},
    };
    for (const auto& c : cases) {
        const std::string path = MakeSong(c.name, &kSongA);
        player.oldPlayer = c.oldPlayer;
        Play(path);
        backend.advance(1000);
        EXPECT_EQ(form().filename.Text(), path) << c.name;
        EXPECT_EQ(form().ID3artist.Text(), "Artist A") << c.name;
        EXPECT_EQ(player.messages.back().lParam, c.lastQuery) << c.name;
        Play(MakeSong("other.mp3", nullptr));
        backend.advance(1000);
    }
}

TEST_F(TrackMonitorTest, OnlyTheNameCounts) {
    const std::string a = MakeSong("a.mp3", &kSongA);
    const std::string b = MakeSong("b.mp3", &kSongB);
    player.playlist = {a, a, b};
    backend.advance(1000);
    form().Timer2.SetEnabled(false);
    // A user's edit survives ticks that see no change.
    form().ID3artist.SetText("edited");
    player.position = 1;  // another entry, same file: no change
    backend.advance(3000);
    EXPECT_EQ(form().ID3artist.Text(), "edited");
    EXPECT_FALSE(form().Timer2.Enabled());

    // To another file and back between two ticks: never seen.
    backend.advance(400);
    player.position = 2;
    backend.advance(300);
    player.position = 0;
    backend.advance(300);
    EXPECT_EQ(form().ID3artist.Text(), "edited");
    EXPECT_FALSE(form().Timer2.Enabled());

    // The same position with a different file is a change.
    player.playlist[0] = b;
    backend.advance(1000);
    EXPECT_EQ(form().ID3artist.Text(), "Artist B");
    EXPECT_TRUE(form().Timer2.Enabled());
}

TEST_F(TrackMonitorTest, AnEmptyNameIsAChangeOnlyAfterAFile) {
    // No player answers yet (an empty playlist): nothing happens.
    backend.advance(3000);
    EXPECT_EQ(form().filename.Text(), "");
    EXPECT_FALSE(form().Timer2.Enabled());
    EXPECT_EQ(TagFields(), std::vector<std::string>(7, ""));

    Play(MakeSong("a.mp3", &kSongA));
    backend.advance(1000);
    form().Timer2.SetEnabled(false);
    player.playlist.clear();
    backend.advance(1000);
    EXPECT_EQ(form().filename.Text(), "");
    EXPECT_EQ(lastFileName, "");
    EXPECT_EQ(TagFields(), std::vector<std::string>(7, ""));
    EXPECT_TRUE(form().Timer2.Enabled());
}

}  // namespace
}  // namespace handlers_test

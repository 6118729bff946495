// Write Tags and Reload Tags, and the enabled states of the three buttons.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/ui/main_form_fixture.h"

namespace handlers_test {
namespace {

const SongTagFields kSongA{"Artist A", "Title A", "Album A", "1999", "Rock", "Live", 7};
const SongTagFields kSongB{"Artist B", "Title B", "Album B", "2001", "Jazz", "", 12};
// Keys that type nothing: Shift alone, and the left arrow that only moves the caret.
constexpr std::uint16_t kShiftKey = 0x10;
constexpr std::uint16_t kLeftKey = 0x25;

struct TagActionsTest : ::testing::Test, MainFormFixture {
    TagActionsTest() { Open(); }

    // Plays `path` and lets the monitor load it.
    void Load(const std::string& path) {
        Play(path);
        backend.advance(1000);
    }
    bool TagButtonsEnabled() {
        EXPECT_EQ(form().btnWriteTags.Enabled(), form().btnReloadTags.Enabled());
        return form().btnWriteTags.Enabled();
    }
};

TEST_F(TagActionsTest, WriteTagsPausesWritesTheFieldsShownAndPlaysAgain) {
    const std::string a = MakeSong("a.mp3", &kSongA);
    Load(a);
    backend.Type(form().ID3artist, "!");
    EXPECT_TRUE(TagButtonsEnabled());
    form().ID3title.SetText("  New Title ");
    form().ID3track.SetText(" 9");
    form().ID3year.SetText("2024");
    form().ID3genre.SetText("Pop");
    form().ID3Comment.SetText("Studio");
    std::vector<std::string> artistWhenSent;
    player.onCommand = [&](std::uint16_t) { artistWhenSent.push_back(ReadSong(a).Artist); };
    backend.Input(form().btnWriteTags, &toolkit::Control::HandleClick);

    EXPECT_TRUE(backend.errorBoxes().empty());
    EXPECT_TRUE(backend.messageBoxes().empty());
    EXPECT_EQ(player.commands, (std::vector<std::uint16_t>{player::WINAMP_BUTTON3, player::WINAMP_BUTTON2}));
    // Paused before the write, played after it.
    EXPECT_EQ(artistWhenSent, (std::vector<std::string>{"Artist A", "Artist A!"}));
    EXPECT_EQ(player.messages.back().window, kPlayerWindow);
    const TID3v2 written = ReadSong(a);
    EXPECT_EQ(written.Title, "New Title");
    EXPECT_EQ(written.Album, "Album A");
    EXPECT_EQ(written.TrackNumber, 9);
    EXPECT_EQ(written.Year, "2024");
    EXPECT_EQ(written.Genre, "Pop");
    EXPECT_EQ(written.Comment, "Studio");
    EXPECT_FALSE(TagButtonsEnabled());
}

TEST_F(TagActionsTest, ATrackFieldThatIsNoWholeNumberStopsBeforeThePlayerAndTheFile) {
    const std::string a = MakeSong("a.mp3", &kSongA);
    Load(a);
    const auto before = test_support::ReadBytes(dir.Native("a.mp3"));
    backend.Input(form().ID3artist, &toolkit::Edit::HandleKeyDown, 'X', 0);
    form().ID3artist.SetText("Changed Artist");
    form().ID3year.SetText("1234");
    for (const char* track : {"", "abc", "7 "}) {
        form().ID3track.SetText(track);
        backend.Input(form().btnWriteTags, &toolkit::Control::HandleClick);
    }
    ASSERT_EQ(backend.errorBoxes().size(), 3u);
    EXPECT_EQ(backend.errorBoxes()[0].text, "'' is not a valid integer value.");
    EXPECT_EQ(backend.errorBoxes()[1].text, "'abc' is not a valid integer value.");
    EXPECT_EQ(backend.errorBoxes()[2].text, "'7 ' is not a valid integer value.");
    EXPECT_EQ(backend.errorBoxes()[0].caption, "winamp");
    EXPECT_TRUE(player.commands.empty());
    EXPECT_EQ(test_support::ReadBytes(dir.Native("a.mp3")), before);
    EXPECT_TRUE(TagButtonsEnabled());
    // The fields before the track were copied; those after it were not.
    EXPECT_EQ(songTag.Artist, "Changed Artist");
    EXPECT_EQ(songTag.Year, "1999");
}

TEST_F(TagActionsTest, AFileWithoutTagGetsOneWithTrackZero) {
    const std::string plain = MakeSong("plain.mp3", nullptr);
    Load(plain);
    backend.Type(form().ID3artist, "Someone");
    backend.Type(form().ID3title, "Something");
    backend.Input(form().btnWriteTags, &toolkit::Control::HandleClick);
    ASSERT_EQ(backend.errorBoxes().size(), 1u);  // the track field is empty
    EXPECT_FALSE(ReadSong(plain).TagPresent);

    backend.Type(form().ID3track, "0");
    backend.Input(form().btnWriteTags, &toolkit::Control::HandleClick);
    EXPECT_EQ(backend.errorBoxes().size(), 1u);
    const TID3v2 written = ReadSong(plain);
    EXPECT_TRUE(written.TagPresent);
    EXPECT_EQ(written.Artist, "Someone");
    EXPECT_EQ(written.Title, "Something");
    EXPECT_EQ(written.TrackNumber, 0);
    EXPECT_FALSE(TagButtonsEnabled());
}

TEST_F(TagActionsTest, AFailedWriteNamesItsCauseThenPlaysAndKeepsTheEdits) {
    const struct {
        const char* name;
        void (*spoil)(const std::filesystem::path& file);  // after the song was loaded
        const char* message;
    } cases[] = {
        {"gone.mp3", [](const std::filesystem::path& file) { std::filesystem::remove(file); },
         "Tag not written: gone.mp3 does not exist."},
        {"tiny.mp3", [](const std::filesystem::path& file) { std::filesystem::resize_file(file, 9); },
         "Tag not written: tiny.mp3 is too short to hold a tag (under 10 bytes)."},
        {"huge.mp3",
         [](const std::filesystem::path& file) {
             // A tag of 64 MiB and one byte, all padding (a sparse file), then audio.
             test_support::WriteBytes(file, {'I', 'D', '3', 3, 0, 0, 0x1F, 0x7F, 0x7F, 0x77});
             std::filesystem::resize_file(file, (std::uintmax_t{64} << 20) + 1 + 1000);
         },
         "Tag not written: the tag of huge.mp3 is larger than 64 MiB."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Load(MakeSong(c.name, &kSongA));
        c.spoil(dir.Native(c.name));
        const bool existed = std::filesystem::exists(dir.Native(c.name));
        const auto before = existed ? std::filesystem::file_size(dir.Native(c.name)) : 0;
        backend.Type(form().ID3artist, "?");
        player.commands.clear();
        std::vector<std::uint16_t> commandsWhileBoxOpen;
        backend.whileBoxOpen = [&](const toolkit::HeadlessBackend::BoxRecord&) {
            commandsWhileBoxOpen = player.commands;
        };
        const std::size_t boxes = backend.messageBoxes().size();
        backend.Input(form().btnWriteTags, &toolkit::Control::HandleClick);
        ASSERT_EQ(backend.messageBoxes().size(), boxes + 1);
        EXPECT_EQ(backend.messageBoxes().back().text, c.message);
        EXPECT_EQ(backend.messageBoxes().back().caption, "winamp");
        EXPECT_EQ(commandsWhileBoxOpen, std::vector<std::uint16_t>{player::WINAMP_BUTTON3});
        EXPECT_EQ(player.commands, (std::vector<std::uint16_t>{player::WINAMP_BUTTON3, player::WINAMP_BUTTON2}));
        EXPECT_TRUE(TagButtonsEnabled());
        EXPECT_EQ(form().ID3artist.Text(), "Artist A?");
        EXPECT_EQ(std::filesystem::exists(dir.Native(c.name)), existed);
        if (existed) {
            EXPECT_EQ(std::filesystem::file_size(dir.Native(c.name)), before);
        }
    }
    EXPECT_TRUE(backend.errorBoxes().empty());
}

TEST_F(TagActionsTest, WhateverEscapesTheWriteThePlayerPlaysAgain) {
    const std::string gone = MakeSong("gone.mp3", &kSongA);
    Load(gone);
    std::filesystem::remove(dir.Native("gone.mp3"));
    backend.Type(form().ID3artist, "?");
    // Memory runs out while the failure is shown (and not again for the error box).
    bool thrown = false;
    backend.whileBoxOpen = [&](const toolkit::HeadlessBackend::BoxRecord&) {
        if (!std::exchange(thrown, true)) throw std::bad_alloc();
    };
    backend.Input(form().btnWriteTags, &toolkit::Control::HandleClick);
    EXPECT_EQ(player.commands, (std::vector<std::uint16_t>{player::WINAMP_BUTTON3, player::WINAMP_BUTTON2}));
    EXPECT_EQ(backend.errorBoxes().size(), 1u);
    EXPECT_TRUE(TagButtonsEnabled());
}

TEST_F(TagActionsTest, ATagThatCannotBeReadWholeIsNotWrittenAndSaysSo) {
    // A frame stands behind bytes no frame walk can pass.
    using namespace std::string_literals;
    const std::string text = "ID3\3\0\0\0\0\0\x40"s + "TPE1\0\0\0\3\0\0\0Me"s + "\x01junk" + "TIT2\0\0\0\3\0\0\0Hi"s +
                             std::string(33, '\0') + "audio";
    const std::vector<unsigned char> before(text.begin(), text.end());
    test_support::WriteBytes(dir.Native("hidden.mp3"), before);
    const std::string path = platform::AnsiFromUtf16(dir.File("hidden.mp3"));
    Load(path);
    ASSERT_EQ(form().ID3artist.Text(), "Me");
    backend.Type(form().ID3artist, "!");
    form().ID3track.SetText("1");
    backend.Input(form().btnWriteTags, &toolkit::Control::HandleClick);
    ASSERT_EQ(backend.messageBoxes().size(), 1u);
    EXPECT_EQ(backend.messageBoxes()[0].text, "Tag not written: the tag of hidden.mp3 could not be read whole.");
    EXPECT_EQ(player.commands, (std::vector<std::uint16_t>{player::WINAMP_BUTTON3, player::WINAMP_BUTTON2}));
    EXPECT_EQ(test_support::ReadBytes(dir.Native("hidden.mp3")), before);
    EXPECT_TRUE(TagButtonsEnabled());
}

#ifdef _WIN32
// Only Windows refuses to share a file that another program holds open.
TEST_F(TagActionsTest, AFileHeldOpenElsewhereIsNotWritten) {
    const std::string a = MakeSong("a.mp3", &kSongA);
    Load(a);
    const auto before = test_support::ReadBytes(dir.Native("a.mp3"));
    platform::File other;
    ASSERT_TRUE(other.OpenShareRead(dir.File("a.mp3")));
    backend.Type(form().ID3artist, "!");
    backend.Input(form().btnWriteTags, &toolkit::Control::HandleClick);
    other.Close();
    ASSERT_EQ(backend.messageBoxes().size(), 1u);
    EXPECT_EQ(backend.messageBoxes()[0].text, "Tag not written: a.mp3 is in use by another program.");
    EXPECT_EQ(player.commands, (std::vector<std::uint16_t>{player::WINAMP_BUTTON3, player::WINAMP_BUTTON2}));
    EXPECT_EQ(test_support::ReadBytes(dir.Native("a.mp3")), before);
    EXPECT_TRUE(TagButtonsEnabled());
}
#endif

TEST_F(TagActionsTest, EditsMadeForOneSongAreWrittenIntoTheSongShownAtTheClick) {
    const std::string a = MakeSong("a.mp3", &kSongA);
    const std::string b = MakeSong("b.mp3", &kSongB);
    Load(a);
    backend.Type(form().ID3artist, "x");
    Load(b);
    EXPECT_TRUE(TagButtonsEnabled());
    EXPECT_EQ(form().ID3artist.Text(), "Artist B");
    form().ID3Comment.SetText("Now B");
    backend.Input(form().btnWriteTags, &toolkit::Control::HandleClick);
    EXPECT_EQ(ReadSong(b).Comment, "Now B");
    EXPECT_EQ(ReadSong(b).Artist, "Artist B");
    EXPECT_EQ(ReadSong(a).Artist, "Artist A");
}

TEST_F(TagActionsTest, ReloadTagsDiscardsTheEdits) {
    const std::string a = MakeSong("a.mp3", &kSongA);
    Load(a);
    backend.Type(form().ID3album, " Deluxe");
    form().ID3track.SetText("99");
    form().ID3Comment.SetText("");
    backend.Input(form().btnReloadTags, &toolkit::Control::HandleClick);
    EXPECT_EQ(form().ID3album.Text(), "Album A");
    EXPECT_EQ(form().ID3track.Text(), "7");
    EXPECT_EQ(form().ID3Comment.Text(), "Live");
    EXPECT_FALSE(TagButtonsEnabled());
    EXPECT_TRUE(player.commands.empty());
    // The file the field names is read again, not the tag object's copy.
    TID3v2 changed = ReadSong(a);
    changed.SetTitle("Changed Outside");
    ASSERT_TRUE(changed.WriteTag(dir.File("a.mp3")));
    backend.Input(form().ID3title, &toolkit::Edit::HandleKeyDown, kLeftKey, 0);
    backend.Input(form().btnReloadTags, &toolkit::Control::HandleClick);
    EXPECT_EQ(form().ID3title.Text(), "Changed Outside");
    // Reloading is no change of song: the name stays, and the send timer is left alone.
    EXPECT_EQ(form().filename.Text(), a);
    EXPECT_TRUE(form().Timer2.Running());
}

TEST_F(TagActionsTest, EnabledStatesOfTheThreeButtons) {
    // All three start disabled after the settings are loaded.
    EXPECT_FALSE(form().Button1.Enabled());
    EXPECT_FALSE(TagButtonsEnabled());
    // A change of song does not touch them, enabled or not.
    Load(MakeSong("a.mp3", &kSongA));
    EXPECT_FALSE(TagButtonsEnabled());
    backend.Input(form().ID3Comment, &toolkit::Edit::HandleKeyDown, kShiftKey, 0);
    EXPECT_TRUE(TagButtonsEnabled());
    Load(MakeSong("b.mp3", &kSongB));
    EXPECT_TRUE(TagButtonsEnabled());
    // Settings: any change enables Apply; a failed Apply leaves it, a completed one clears it.
    form().urlbox.SetText("http://example.test/");
    EXPECT_TRUE(form().Button1.Enabled());
    Apply();  // no Plugins folder yet
    EXPECT_TRUE(form().Button1.Enabled());
    std::filesystem::create_directory(PluginsFolder());
    Apply();
    EXPECT_FALSE(form().Button1.Enabled());
    EXPECT_TRUE(TagButtonsEnabled());  // Apply is no tag action
    backend.Input(form().PageControl1, &toolkit::PageControl::HandlePageChosen, 0);
    backend.Input(form().btnReloadTags, &toolkit::Control::HandleClick);
    EXPECT_FALSE(TagButtonsEnabled());
    EXPECT_FALSE(form().Button1.Enabled());
}

}  // namespace
}  // namespace handlers_test

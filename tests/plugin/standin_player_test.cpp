// A plug-in driven through the stand-in player as the player drives it: the export, the
// callbacks, the window's life and the polling, seen from the player's side. Runs for the
// fixture plug-in and, when it is built, for gen_quillon.dll itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tools/standin-player/driver.h"

namespace {

using namespace std::chrono_literals;

const std::vector<std::string> PLAYLIST = {"C:\\Music\\first song.mp3",
                                           "C:\\Music\\second song.mp3"};

standin::Report Play(const std::string& plugin, const std::string& script) {
    test_support::TempDir folder;
    standin::Setup setup{STANDIN_PLAYER, plugin, script, PLAYLIST};
    auto report = standin::RunStandinPlayer(folder.path(), setup, 60s);
    EXPECT_TRUE(report.finished) << "the player did not reach its exit";
    EXPECT_EQ(report.exitCode, 0u);
    return report;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> LinesStarting(const standin::Report& report, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& line : report.lines) {
        if (StartsWith(line, prefix)) found.push_back(line);
    }
    return found;
}

// The value of "name=value" in a report line; a quoted value keeps its blanks.
std::string Field(const std::string& line, const std::string& name) {
    const auto start = line.find(" " + name + "=");
    if (start == std::string::npos) return "<missing " + name + ">";
    const auto value = start + name.size() + 2;
    if (line[value] == '"') return line.substr(value, line.find('"', value + 1) - value + 1);
    return line.substr(value, line.find(' ', value) - value);
}

std::string Dump(const standin::Report& report) {
    std::string text;
    for (std::size_t i = 0; i < report.lines.size(); ++i) {
        text += std::to_string(report.times[i]) + " " + report.lines[i] + "\n";
    }
    return text;
}

class StandinPlayerTest : public testing::TestWithParam<std::string> {};

TEST_P(StandinPlayerTest, ExportHandsOutOneRecordAndInitSucceeds) {
    const auto report = Play(GetParam(),
                             "at 0 load\nat 0 window\nat 0 export\nat 0 fill\nat 0 init\n"
                             "at 0 export\nat 0 init\nat 100 exit\n");
    SCOPED_TRACE(Dump(report));
    // The window is there, hidden, as soon as the library is loaded: before the export.
    const auto windows = LinesStarting(report, "window ");
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(Field(windows[0], "visible"), "0");
    const auto lineStarting = [&](const char* prefix) {
        return std::find_if(report.lines.begin(), report.lines.end(),
                            [&](const std::string& line) { return StartsWith(line, prefix); });
    };
    EXPECT_LT(lineStarting("window "), lineStarting("export "));
    const auto exports = LinesStarting(report, "export ");
    ASSERT_EQ(exports.size(), 2u);
    for (const char* fixed : {"record", "version", "description", "init", "config", "quit"}) {
        EXPECT_EQ(Field(exports[0], fixed), Field(exports[1], fixed)) << fixed;
    }
    EXPECT_EQ(Field(exports[0], "version"), "16");
    if (GetParam() == REAL_PLUGIN_OR_EMPTY) {
        EXPECT_EQ(Field(exports[0], "description"),
                  "\"Quillon Song Tracker Plugin (gen_quillon.dll)\"");
    }
    // The last two fields are the player's: null until it fills them in.
    EXPECT_EQ(std::stoull(Field(exports[0], "hwndParent"), nullptr, 16), 0u);
    EXPECT_EQ(std::stoull(Field(exports[0], "hDllInstance"), nullptr, 16), 0u);
    const auto fill = LinesStarting(report, "fill ");
    ASSERT_EQ(fill.size(), 1u);
    EXPECT_EQ(Field(exports[1], "hwndParent"), Field(fill[0], "hwndParent"));
    EXPECT_EQ(Field(exports[1], "hDllInstance"), Field(fill[0], "hDllInstance"));
    EXPECT_EQ(LinesStarting(report, "init -> 0").size(), 2u);
    EXPECT_EQ(LinesStarting(report, "unload ok").size(), 1u);
}

// The times of the lines that start with `prefix`.
std::vector<unsigned long> TimesOf(const standin::Report& report, const std::string& prefix) {
    std::vector<unsigned long> times;
    for (std::size_t i = 0; i < report.lines.size(); ++i) {
        if (StartsWith(report.lines[i], prefix)) times.push_back(report.times[i]);
    }
    return times;
}

void ExpectEverySecond(const std::vector<unsigned long>& times) {
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], 900u);
        EXPECT_LE(times[i] - times[i - 1], 1500u);
    }
}

TEST_P(StandinPlayerTest, HiddenWindowTicksEverySecondFromLoad) {
    const auto report = Play(GetParam(), "at 0 start\nat 300 window\nat 4700 window\nat 4800 exit\n");
    SCOPED_TRACE(Dump(report));
    const auto windows = LinesStarting(report, "window ");
    ASSERT_EQ(windows.size(), 2u);
    for (const auto& window : windows) {
        EXPECT_NE(window, "window none");
        EXPECT_EQ(Field(window, "visible"), "0");
        EXPECT_EQ(Field(window, "toplevel"), "1");
        EXPECT_EQ(Field(window, "thread"), "player");  // the loading thread drives it
    }
    // Only the poll timer runs; its ticks come through the player's own message loop.
    const auto ticks = LinesStarting(report, "tick ");
    const auto tickTimes = TimesOf(report, "tick ");
    ASSERT_GE(ticks.size(), 4u);
    EXPECT_LE(ticks.size(), 5u);
    for (const auto& tick : ticks) EXPECT_EQ(Field(tick, "window"), Field(windows[0], "handle"));
    ExpectEverySecond(tickTimes);
}

TEST_P(StandinPlayerTest, ConfigShowsCloseHidesAndUnloadDestroys) {
    const auto report = Play(GetParam(),
                             "at 0 start\n"
                             "at 300 window\n"
                             "at 400 config\nat 600 window\n"
                             "at 700 close\nat 900 window\n"
                             "at 1000 config\nat 1200 window\n"
                             "at 1300 config\nat 1400 window\n"
                             "at 1500 quit\nat 4400 window\n"
                             "at 4500 unload\nat 4600 window\nat 4700 exit\n");
    SCOPED_TRACE(Dump(report));
    const auto windows = LinesStarting(report, "window ");
    ASSERT_EQ(windows.size(), 7u);
    const std::vector<std::string> visible = {"0", "1", "0", "1", "1", "1"};
    for (std::size_t i = 0; i < visible.size(); ++i) {
        SCOPED_TRACE(windows[i]);
        EXPECT_EQ(Field(windows[i], "handle"), Field(windows[0], "handle"));  // never rebuilt
        EXPECT_EQ(Field(windows[i], "visible"), visible[i]);
        EXPECT_EQ(Field(windows[i], "topmost"), "1");
        EXPECT_EQ(Field(windows[i], "client"), "333x321");
        EXPECT_EQ(Field(windows[i], "maximizebox"), "0");
        EXPECT_EQ(Field(windows[i], "minimizebox"), "1");
        EXPECT_EQ(Field(windows[i], "sysmenu"), "1");
        EXPECT_EQ(Field(windows[i], "thickframe"), "0");
        EXPECT_EQ(Field(windows[i], "owner"), Field(windows[0], "owner"));
    }
    for (std::size_t shown : {1, 3, 4}) EXPECT_EQ(Field(windows[shown], "foreground"), "1");
    EXPECT_EQ(windows[6], "window none");

    // quit leaves the window polling until unload. (Under wine without a window manager,
    // hiding a shown window stalls the thread for up to two seconds: hence the long gap.)
    const auto quit = std::find(report.lines.begin(), report.lines.end(), "quit done");
    const auto unload = std::find(report.lines.begin(), report.lines.end(), "unload ok");
    ASSERT_LT(quit, unload);
    EXPECT_GE(std::count_if(quit, unload,
                            [](const std::string& line) { return StartsWith(line, "tick "); }),
              1);
}

// At process exit the library is told so and leaves its window to the system: the process
// ends cleanly, neither hanging nor crashing in the plug-in.
TEST_P(StandinPlayerTest, ProcessExitWithThePluginLoadedEndsCleanly) {
    const auto report = Play(GetParam(), "at 0 start\nat 100 config\nat 1200 exitprocess\n");
    SCOPED_TRACE(Dump(report));
    EXPECT_EQ(LinesStarting(report, "exitprocess").size(), 1u);
    EXPECT_EQ(LinesStarting(report, "unload").size(), 0u);
}

std::vector<std::string> Plugins() {
    std::vector<std::string> plugins = {FIXTURE_PLUGIN};
    if (!std::string(REAL_PLUGIN_OR_EMPTY).empty()) plugins.push_back(REAL_PLUGIN_OR_EMPTY);
    return plugins;
}

INSTANTIATE_TEST_SUITE_P(Plugins, StandinPlayerTest, testing::ValuesIn(Plugins()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param == FIXTURE_PLUGIN ? std::string("Fixture")
                                                                 : std::string("GenQuillon");
                         });

// What a poll asks, answered from the playlist: the position, then that entry's file, and
// nothing else. The fixture polls as the track monitor does.
TEST(StandinPlayer, AnswersPollsFromThePlaylist) {
    const auto report = Play(FIXTURE_PLUGIN, "at 0 start\nat 2500 next\nat 4700 exit\n");
    SCOPED_TRACE(Dump(report));
    std::vector<std::string> answers;
    for (std::size_t i = 0; i < report.lines.size(); ++i) {
        const auto& line = report.lines[i];
        EXPECT_FALSE(StartsWith(line, "query unknown")) << line;
        if (!StartsWith(line, "query IPC_GETLISTPOS")) continue;
        ASSERT_LT(i + 1, report.lines.size());
        answers.push_back(report.lines[i + 1]);
    }
    ASSERT_GE(answers.size(), 4u);
    EXPECT_EQ(answers.front(), "query IPC_GETPLAYLISTFILE 0 -> \"" + PLAYLIST[0] + "\"");
    EXPECT_EQ(answers.back(), "query IPC_GETPLAYLISTFILE 1 -> \"" + PLAYLIST[1] + "\"");
    ExpectEverySecond(TimesOf(report, "query IPC_GETLISTPOS"));
}

// The record of commands, which the real window sends only around a tag write: the fixture
// sends pause and play from config.
TEST(StandinPlayer, RecordsEveryPlayerCommandInOrder) {
    const auto report = Play(FIXTURE_PLUGIN, "at 0 start\nat 100 config\nat 300 exit\n");
    SCOPED_TRACE(Dump(report));
    const auto commands = LinesStarting(report, "command ");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0], "command 40046 WINAMP_BUTTON3 lParam=0");
    EXPECT_EQ(commands[1], "command 40045 WINAMP_BUTTON2 lParam=0");
}

TEST(StandinPlayer, ReportsABrokenPluginAndBadStepsAndGoesOn) {
    test_support::TempDir folder;
    std::filesystem::create_directory(folder.path() / "empty");
    standin::Setup setup{STANDIN_PLAYER, FIXTURE_PLUGIN, "at 0 start\nat 0 config\nat 0 select two\nat 50 exit\n",
                         PLAYLIST};
    // A plug-in file that is not a DLL fails to load like a damaged download would.
    const auto bogus = folder.path() / "not-a-dll.dll";
    test_support::WriteBytes(bogus, {'M', 'Z', 0, 0});
    setup.plugin = bogus;
    const auto report = standin::RunStandinPlayer(folder.path() / "empty", setup, 60s);
    SCOPED_TRACE(Dump(report));
    EXPECT_TRUE(report.finished);
    EXPECT_EQ(LinesStarting(report, "load failed").size(), 1u);
    EXPECT_EQ(LinesStarting(report, "config skipped").size(), 1u);
    EXPECT_EQ(LinesStarting(report, "init ").size(), 0u);
    EXPECT_EQ(LinesStarting(report, "select needs an entry number").size(), 1u);
}

}  // namespace

// After each command the player reports the current file's fingerprint, so a test sees whether
// a file changed between two commands.
TEST(StandinPlayer, ReportsTheCurrentFileAfterEachCommand) {
    test_support::TempDir music;
    const auto song = music.path() / "song.mp3";
    test_support::WriteBytes(song, std::vector<unsigned char>(70000, 'x'));
    test_support::TempDir folder;
    standin::Setup setup{STANDIN_PLAYER, FIXTURE_PLUGIN,
                         "at 0 start\nat 100 config\nat 200 select 1\nat 300 config\n"
                         "at 500 exit\n",
                         {song.string(), (music.path() / "missing.mp3").string()}};
    const auto report = standin::RunStandinPlayer(folder.path(), setup, 60s);
    SCOPED_TRACE(Dump(report));
    const auto files = LinesStarting(report, "file ");
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0], files[1]);
    EXPECT_TRUE(StartsWith(files[0], "file 0 ")) << files[0];
    EXPECT_NE(files[0].find(" size=70000"), std::string::npos) << files[0];
    EXPECT_EQ(files[2], "file 1 unreadable");
    EXPECT_EQ(files[3], "file 1 unreadable");
}

// The window driven as a user drives it: fields found by their labels, text typed into the
// focused one, buttons found by their captions (a disabled one is not clicked), tabs by their
// captions, the log page. Typed characters must keep their order: an edit whose own text is
// set back onto it after each character has its caret put back to the start.
TEST(StandinPlayer, DrivesThePluginWindowAsAUser) {
    if (std::string(REAL_PLUGIN_OR_EMPTY).empty()) GTEST_SKIP() << "gen_quillon.dll not built";
    const auto report = Play(REAL_PLUGIN_OR_EMPTY,
                             "at 0 start\nat 100 config\nat 200 fields\nat 300 focus Album:\n"
                             "at 400 type Typed!\nat 600 fields\nat 700 focus Nowhere:\n"
                             "at 700 click Nothing\nat 700 click Write\nat 700 tab Nowhere\n"
                             "at 700 tab Log\nat 800 log\nat 900 exit\n");
    SCOPED_TRACE(Dump(report));
    // The first "fields" command is the one before the typing, whenever a loaded machine
    // gets round to it.
    std::vector<std::string> labels;
    std::vector<std::string> albums;
    bool typed = false;
    for (const auto& line : report.lines) {
        typed = typed || StartsWith(line, "type ");
        if (!StartsWith(line, "field \"")) continue;
        const std::string label = line.substr(7, line.find('"', 7) - 7);
        if (!typed) labels.push_back(label);
        if (label == "Album:") albums.push_back(line);
    }
    for (const char* label : {"Artist:", "Title:", "Album:", "Year:", "Genre:", "Comment:",
                              "Track: #", "Filename:", "URL:", "Password:", "Timeout:",
                              "Interval:"}) {
        EXPECT_EQ(std::count(labels.begin(), labels.end(), label), 1) << label;
    }
    ASSERT_EQ(albums.size(), 2u);
    EXPECT_EQ(albums[0], "field \"Album:\" \"\"");
    EXPECT_EQ(albums[1], "field \"Album:\" \"Typed!\"");
    EXPECT_EQ(LinesStarting(report, "focus \"Album:\" ok").size(), 1u);
    EXPECT_EQ(LinesStarting(report, "focus \"Nowhere:\" none").size(), 1u);
    EXPECT_EQ(LinesStarting(report, "click \"Nothing\" none").size(), 1u);
    EXPECT_EQ(LinesStarting(report, "click \"Write\" disabled").size(), 1u);
    EXPECT_EQ(LinesStarting(report, "tab \"Nowhere\" none").size(), 1u);
    EXPECT_EQ(LinesStarting(report, "tab \"Log\" clicked").size(), 1u);
    EXPECT_EQ(LinesStarting(report, "log lines=0").size(), 1u);
}

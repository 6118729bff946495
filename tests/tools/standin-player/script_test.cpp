// The stand-in player's script and playlist files.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "tools/standin-player/script.h"

namespace {

TEST(StandinScript, StepsAreOrderedByTimeKeepingWrittenOrderAtEqualTimes) {
    std::istringstream input("# comment\r\nat 500 config\r\n\nat 100 select 1\nat 500 window\n"
                             "at 0 start\n");
    const auto steps = standin::ParseScript(input);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].command, "start");
    EXPECT_EQ(steps[1].at, 100u);
    EXPECT_EQ(steps[1].command, "select");
    EXPECT_EQ(steps[1].argument, "1");
    EXPECT_EQ(steps[2].command, "config");
    EXPECT_EQ(steps[3].command, "window");
    EXPECT_EQ(steps[3].at, 500u);
}

TEST(StandinScript, MalformedLinesAreRejectedWithTheirNumber) {
    for (const char* bad : {"after 100 config", "at -1 config", "at 1x config", "at 100",
                            "at 100 select 1 2"}) {
        std::istringstream input(std::string("at 0 start\n") + bad + "\n");
        try {
            standin::ParseScript(input);
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("line 2"), std::string::npos) << bad;
        }
    }
}

TEST(StandinScript, PlaylistKeepsNamesByteForByte) {
    std::istringstream input("C:\\Music\\a b.mp3\r\n\r\nC:\\M\xfcsik\\c.mp3\n");
    const auto entries = standin::ParsePlaylist(input);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], "C:\\Music\\a b.mp3");
    EXPECT_EQ(entries[1], "C:\\M\xfcsik\\c.mp3");
}

}  // namespace

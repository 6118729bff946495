// The settings path as Windows is handed it: the host program's folder with its trailing
// backslash, then "/Plugins/gen_quillon.ini" as written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/codepage.h"
#include "platform/host_process.h"
#include "platform/profile.h"
#include "tests/support/temp_dir.h"
#include "tracker/settings_values.h"

TEST(SettingsFile, MixedSeparatorPathReachesThePluginsFolderOfTheHostProgram) {
    test_support::TempDir dir;
    std::string host = platform::AnsiFromUtf16(dir.File("player.exe"));
    std::string path = tracker::SettingsFilePath(host);
    EXPECT_NE(path.find("\\/Plugins/gen_quillon.ini"), std::string::npos) << path;
    // The Plugins folder must already exist: no write creates it.
    EXPECT_FALSE(platform::WriteProfileText(path, "Settings", "Url", "u"));
    EXPECT_FALSE(std::filesystem::exists(dir.Native("Plugins")));
    std::filesystem::create_directory(dir.Native("Plugins"));
    ASSERT_TRUE(platform::WriteProfileText(path, "Settings", "Url", "u"));
    platform::FlushProfileCache(path);
    EXPECT_TRUE(std::filesystem::exists(dir.Native("Plugins") / "gen_quillon.ini"));
    EXPECT_EQ(platform::ReadProfileText(path, "Settings", "Url"), "u");
}

TEST(SettingsFile, TheRunningProgramsFolderIsUsed) {
    std::string path = tracker::SettingsFilePath(platform::HostProcessPath());
    std::filesystem::path plugins =
        std::filesystem::path(platform::Utf16FromAnsi(platform::HostProcessPath()))
            .parent_path() / "Plugins";
    ASSERT_FALSE(std::filesystem::exists(plugins)) << "left over: " << plugins;
    std::filesystem::create_directory(plugins);
    bool written = platform::WriteProfileText(path, "Settings", "send", "1");
    platform::FlushProfileCache(path);
    bool found = std::filesystem::exists(plugins / "gen_quillon.ini");
    std::filesystem::remove_all(plugins);
    EXPECT_TRUE(written) << path;
    EXPECT_TRUE(found) << path;
}

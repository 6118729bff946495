#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "tracker/settings_values.h"

using tracker::EConvertError;
using tracker::IntegerSettingOrDefault;
using tracker::SettingsFilePath;
using tracker::StrToInt;

TEST(SettingsFilePath, KeepsTheDirectoryAndItsSeparatorAndAppendsTheNameUnchanged) {
    EXPECT_EQ(SettingsFilePath("C:\\Apps\\Player\\player.exe"),
              "C:\\Apps\\Player\\/Plugins/gen_quillon.ini");
    EXPECT_EQ(SettingsFilePath("\\\\server\\share\\winamp.exe"),
              "\\\\server\\share\\/Plugins/gen_quillon.ini");
    // A drive-relative name is cut after the colon; forward slashes are not separators here.
    EXPECT_EQ(SettingsFilePath("C:player.exe"), "C:/Plugins/gen_quillon.ini");
    EXPECT_EQ(SettingsFilePath("D:/x/player.exe"), "D:/Plugins/gen_quillon.ini");
    EXPECT_EQ(SettingsFilePath("C:\\a:b\\p.exe"), "C:\\a:b\\/Plugins/gen_quillon.ini");
    EXPECT_EQ(SettingsFilePath("player.exe"), "/Plugins/gen_quillon.ini");
}

TEST(SettingsFilePath, DefaultUrlIsPlainHttpOnTheLocalMachine) {
    std::string url = tracker::kDefaultUrl;
    EXPECT_EQ(url.rfind("http://", 0), 0u);
    EXPECT_EQ(url.substr(url.size() - 9), "/test.php");
}

TEST(IntegerSetting, ValuesTheSettingsFileMayHold) {
    struct Case {
        std::optional<std::string> text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"5", 5},          {"300", 300},   {"0x1E", 30},      {"0X1e", 30},
        {"abc", 77},       {"0", 0},       {"100000", 100000}, {"2", 2},
        {"-1", -1},        {"yes", 77},    {"", 77},          {std::nullopt, 77},
        {"$1F", 31},       {"$1f", 31},    {"-$10", -16},     {"   42", 42},
        {"+7", 7},         {"42 ", 77},    {"4 2", 77},       {"   ", 77},
        {"\t5", 77},       {"- 5", 77},    {"-", 77},         {"$", 77},
        {"1.5", 77},       {"0x", 77},     {"0x-1", 77},      {" 0x1E", 77},
        {"x1E", 77},       {"00012", 12},
        {"2147483647", 2147483647},        {"2147483648", 77},
        {"-2147483648", INT32_MIN},        {"-2147483649", 77},
        {"0x7FFFFFFF", 2147483647},        {"0x80000000", 77},
        {"$80000000", 77}, {"99999999999999999999", 77},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IntegerSettingOrDefault(c.text, 77), c.expected)
            << "text: [" << c.text.value_or("<absent>") << "]";
    }
}

TEST(StrToInt, AcceptsDecimalWithBlanksAndSignAndThreeHexPrefixes) {
    EXPECT_EQ(StrToInt("7"), 7);
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("  -12"), -12);
    EXPECT_EQ(StrToInt("+3"), 3);
    EXPECT_EQ(StrToInt("65536"), 65536);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("x1f"), 31);
    EXPECT_EQ(StrToInt("X1F"), 31);
    EXPECT_EQ(StrToInt("0x1F"), 31);
    EXPECT_EQ(StrToInt("0X1f"), 31);
    EXPECT_EQ(StrToInt(" -$10"), -16);
    EXPECT_EQ(StrToInt("-0x10"), -16);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt("$7FFFFFFF"), 2147483647);
}

TEST(StrToInt, RejectsEverythingElseWithTheTextInTheMessage) {
    const std::string bad[] = {"",    " ",    "abc", "1.5",  "5 ",  "1e3",        "--1",
                               "0x",  "$",    "x",   "-",    "$G1", "2147483648", "-2147483649",
                               "$80000000",   "0x-1", "\t4", "7a",  "one"};
    for (const std::string& text : bad) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "accepted [" << text << "]";
        } catch (const EConvertError& error) {
            EXPECT_EQ(std::string(error.what()), "'" + text + "' is not a valid integer value");
        }
    }
}

TEST(StrToInt, ErrorIsARuntimeError) {
    EXPECT_THROW(StrToInt(""), std::runtime_error);
}

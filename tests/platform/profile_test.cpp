// The same cases run against the POSIX stand-in natively and against the real profile calls
// under wine, so the stand-in is held to what Windows does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using platform::FlushProfileCache;
using platform::ReadProfileText;
using platform::WriteProfileText;
using test_support::TempDir;

namespace {

std::string AnsiPath(const TempDir& dir, const std::string& name) {
    return platform::AnsiFromUtf16(dir.File(name));
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good());
}

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string kOtherContent =
    "; kept\r\n[Other]\r\nUrl=elsewhere\r\n[Settings]\r\nParams=secret\r\n"
    "Url=http://a/\r\nInterval=60\r\n[Tail]\r\nz=1\r\n";

}  // namespace

TEST(Profile, MissingFileSectionOrKeyIsAbsentButAnEmptyValueIsPresent) {
    TempDir dir;
    std::string path = AnsiPath(dir, "s.ini");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Url"), std::nullopt);
    WriteText(dir.Native("s.ini"), "[Other]\r\nUrl=x\r\n[Settings]\r\nUrl=\r\nbare\r\n"
                                   "Params=0\r\nsend=1\r\n");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Url"), "");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Params"), "0");
    EXPECT_EQ(ReadProfileText(path, "Settings", "send"), "1");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Timeout"), std::nullopt);
    EXPECT_EQ(ReadProfileText(path, "Settings", "bare"), std::nullopt);
    EXPECT_EQ(ReadProfileText(path, "Missing", "Url"), std::nullopt);
    EXPECT_EQ(ReadProfileText(path, "Other", "Url"), "x");
}

TEST(Profile, SectionsAndKeysAreFoundWithoutRegardToCase) {
    TempDir dir;
    std::string path = AnsiPath(dir, "s.ini");
    WriteText(dir.Native("s.ini"), "[SETTINGS]\r\nURL=upper\r\nsEnD=1\r\n");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Url"), "upper");
    EXPECT_EQ(ReadProfileText(path, "settings", "send"), "1");
    ASSERT_TRUE(WriteProfileText(path, "Settings", "url", "lower"));
    FlushProfileCache(path);
    // Rewritten in place: still one entry, under the file's own spelling of the key.
    EXPECT_EQ(ReadText(dir.Native("s.ini")), "[SETTINGS]\r\nURL=lower\r\nsEnD=1\r\n");
}

TEST(Profile, EightBitTextIsKeptAsItsBytes) {
    TempDir dir;
    std::string path = AnsiPath(dir, "s.ini");
    // Windows-1252: e with acute accent, the euro sign.
    ASSERT_TRUE(WriteProfileText(path, "Settings", "Cl\xE9", "Caf\xE9 \x80"));
    EXPECT_EQ(ReadProfileText(path, "Settings", "CL\xE9"), "Caf\xE9 \x80");
    FlushProfileCache(path);
    EXPECT_EQ(ReadText(dir.Native("s.ini")), "[Settings]\r\nCl\xE9=Caf\xE9 \x80\r\n");
}

TEST(Profile, BlanksAroundNamesAndValuesAndMatchingQuotesAreDropped) {
    TempDir dir;
    std::string path = AnsiPath(dir, "s.ini");
    WriteText(dir.Native("s.ini"), "  [ Settings ]  \r\n  Params  =  two words  \r\n"
                                   "Url=\"quoted\"\r\nTimeout='5'\r\nsend=\"half\r\n"
                                   "Interval=a=b\r\nParams=second\r\n");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Params"), "two words");  // first one counts
    EXPECT_EQ(ReadProfileText(path, "Settings", "Url"), "quoted");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Timeout"), "5");
    EXPECT_EQ(ReadProfileText(path, "Settings", "send"), "\"half");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Interval"), "a=b");
    ASSERT_TRUE(WriteProfileText(path, "Settings", "Url", "  padded  "));
    EXPECT_EQ(ReadProfileText(path, "Settings", "Url"), "padded");
}

TEST(Profile, RewritesInPlaceAppendsNewKeysInOrderAndKeepsTheRest) {
    TempDir dir;
    std::string path = AnsiPath(dir, "s.ini");
    WriteText(dir.Native("s.ini"), kOtherContent);
    ASSERT_TRUE(WriteProfileText(path, "Settings", "Url", "http://b/"));
    ASSERT_TRUE(WriteProfileText(path, "Settings", "Params", ""));
    ASSERT_TRUE(WriteProfileText(path, "Settings", "Timeout", "30000"));
    ASSERT_TRUE(WriteProfileText(path, "Settings", "send", "0"));
    FlushProfileCache(path);
    EXPECT_EQ(ReadText(dir.Native("s.ini")),
              "; kept\r\n[Other]\r\nUrl=elsewhere\r\n[Settings]\r\nParams=\r\n"
              "Url=http://b/\r\nInterval=60\r\nTimeout=30000\r\nsend=0\r\n[Tail]\r\nz=1\r\n");
    EXPECT_EQ(ReadProfileText(path, "Other", "Url"), "elsewhere");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Params"), "");
}

TEST(Profile, OnlyTheFirstSectionOfANameCounts) {
    TempDir dir;
    std::string path = AnsiPath(dir, "s.ini");
    WriteText(dir.Native("s.ini"), "[Settings]\r\na=1\r\n[X]\r\nx=1\r\n[settings]\r\nb=2\r\na=9\r\n");
    EXPECT_EQ(ReadProfileText(path, "Settings", "a"), "1");
    EXPECT_EQ(ReadProfileText(path, "Settings", "b"), std::nullopt);
    ASSERT_TRUE(WriteProfileText(path, "Settings", "b", "B2"));
    FlushProfileCache(path);
    EXPECT_EQ(ReadText(dir.Native("s.ini")),
              "[Settings]\r\na=1\r\nb=B2\r\n[X]\r\nx=1\r\n[settings]\r\nb=2\r\na=9\r\n");
}

TEST(Profile, FirstWriteCreatesTheFileAndAMissingSectionIsAppended) {
    TempDir dir;
    std::string path = AnsiPath(dir, "new.ini");
    const char* keys[][2] = {{"Params", ""}, {"Url", "http://127.0.0.1/test.php"},
                             {"Interval", "30"}, {"Timeout", "30000"}, {"send", "1"}};
    for (auto& key : keys) ASSERT_TRUE(WriteProfileText(path, "Settings", key[0], key[1]));
    FlushProfileCache(path);
    EXPECT_EQ(ReadText(dir.Native("new.ini")),
              "[Settings]\r\nParams=\r\nUrl=http://127.0.0.1/test.php\r\nInterval=30\r\n"
              "Timeout=30000\r\nsend=1\r\n");

    WriteText(dir.Native("other.ini"), "[Other]\r\nk=v\r\n");
    ASSERT_TRUE(WriteProfileText(AnsiPath(dir, "other.ini"), "Settings", "Url", "u"));
    FlushProfileCache(AnsiPath(dir, "other.ini"));
    EXPECT_EQ(ReadText(dir.Native("other.ini")), "[Other]\r\nk=v\r\n[Settings]\r\nUrl=u\r\n");
}

TEST(Profile, LongValuesReadBackAsTheir2047FirstCharacters) {
    TempDir dir;
    std::string path = AnsiPath(dir, "s.ini");
    std::string value;
    for (int i = 0; i < 3000; ++i) value += static_cast<char>('a' + i % 26);
    ASSERT_TRUE(WriteProfileText(path, "Settings", "Url", value));
    EXPECT_EQ(ReadProfileText(path, "Settings", "Url"), value.substr(0, 2047));
    std::string exact(2047, 'e');
    ASSERT_TRUE(WriteProfileText(path, "Settings", "Params", exact));
    EXPECT_EQ(ReadProfileText(path, "Settings", "Params"), exact);
}

TEST(Profile, WriteFailsWhereTheFileCannotBeMade) {
    TempDir dir;
    // A missing directory, and a "directory" that is a plain file: both refuse the file on
    // every system, whatever the user's rights (a read-only folder does not stop root or wine).
    std::string missing = AnsiPath(dir, "absent") + "/gen_quillon.ini";
    EXPECT_FALSE(WriteProfileText(missing, "Settings", "Url", "x"));
    EXPECT_EQ(ReadProfileText(missing, "Settings", "Url"), std::nullopt);
    WriteText(dir.Native("plain"), "not a folder");
    std::string throughFile = AnsiPath(dir, "plain") + "/gen_quillon.ini";
    EXPECT_FALSE(WriteProfileText(throughFile, "Settings", "Url", "x"));
    EXPECT_FALSE(std::filesystem::exists(dir.Native("absent")));
    EXPECT_EQ(ReadText(dir.Native("plain")), "not a folder");
}

TEST(Profile, AFolderInPlaceOfTheFileIsNeitherReadNorWritten) {
    TempDir dir;
    std::filesystem::create_directory(dir.Native("s.ini"));
    std::string path = AnsiPath(dir, "s.ini");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Url"), std::nullopt);
    EXPECT_FALSE(WriteProfileText(path, "Settings", "Url", "x"));
}

TEST(Profile, OversizedOrBinaryFilesAreHandledWithinBounds) {
    TempDir dir;
    std::string big(static_cast<std::size_t>(platform::kProfileFileLimit) + 1, 'x');
    big.replace(0, 16, "[Settings]\r\nUrl=u");
    big[16] = '\r';
    big[17] = '\n';
    WriteText(dir.Native("big.ini"), big);
    std::string path = AnsiPath(dir, "big.ini");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Url"), std::nullopt);
    EXPECT_FALSE(WriteProfileText(path, "Settings", "Url", "x"));
    EXPECT_EQ(std::filesystem::file_size(dir.Native("big.ini")), big.size());

    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919 + i / 13) % 256);
    WriteText(dir.Native("bin.ini"), binary);
    std::string binPath = AnsiPath(dir, "bin.ini");
    EXPECT_EQ(ReadProfileText(binPath, "Settings", "Url"), std::nullopt);
}

#ifndef _WIN32
TEST(Profile, AFifoInPlaceOfTheFileDoesNotBlock) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.Native("s.ini").c_str(), 0600), 0);
    std::string path = AnsiPath(dir, "s.ini");
    EXPECT_EQ(ReadProfileText(path, "Settings", "Url"), std::nullopt);
    EXPECT_FALSE(WriteProfileText(path, "Settings", "Url", "x"));
}
#endif

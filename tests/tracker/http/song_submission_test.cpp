#include <gtest/gtest.h>

#include <string>

#include "tracker/http/song_submission.h"

TEST(SongSubmission, FileNamePartIsTheTextAfterTheLastBackslashOrColon) {
    EXPECT_EQ(FileNamePart("C:\\Music\\Song.mp3"), "Song.mp3");
    EXPECT_EQ(FileNamePart("D:/x/y.mp3"), "/x/y.mp3");
    EXPECT_EQ(FileNamePart("http://radio.example/live"), "//radio.example/live");
    EXPECT_EQ(FileNamePart("plain.mp3"), "plain.mp3");
    EXPECT_EQ(FileNamePart("C:\\dir\\"), "");
    EXPECT_EQ(FileNamePart(""), "");
}

TEST(SongSubmission, TenFieldsInTheirOrderWithTheCommentTwiceThenTheCharset) {
    TMultipartFormStream body(platform::LocalDateTime{2026, 12, 8, 1, 5, 1, 42});
    TSongFields song{"Art", "Alb", "Tit", "07", "1999", "Rock", "Live",
                     "C:\\Music\\Song.mp3", "pw", ""};
    AddSongFields(body, WireFields(song, true));
    // 809 for the names and the fixed parts of the ten, plus every value (the comment twice),
    // plus the block of "_charset_".
    EXPECT_EQ(body.Size(), 809 + 3 + 3 + 3 + 2 + 4 + 4 + 4 + 8 + 4 + 2 + 72 + 9 + 5);
    std::string all(static_cast<std::size_t>(body.Size()), '\0');
    ASSERT_EQ(body.Read(all.data(), all.size()), all.size());

    const char* const expected[][2] = {
        {"artist", "Art"}, {"album", "Alb"},       {"title", "Tit"},      {"track", "07"},
        {"year", "1999"},  {"genre", "Rock"},      {"comment", "Live"},   {"filename", "Song.mp3"},
        {"comment", "Live"}, {"password", "pw"}, {"_charset_", "UTF-8"}};
    std::size_t at = 0;
    for (const auto& field : expected) {
        const std::string part = std::string("name=\"") + field[0] + "\"\r\n\r\n" + field[1] + "\r\n";
        const std::size_t found = all.find(part, at);
        ASSERT_NE(found, std::string::npos) << field[0];
        at = found + part.size();
    }
    EXPECT_EQ(all.substr(at), "--" + body.Boundary() + "--\r\n");
}

TEST(SongSubmission, ThePlayFieldsFollowTheTenAndTheCharset) {
    TMultipartFormStream body;
    TSongFields song;
    song.password = "pw";
    song.charset = "UTF-8";
    AddSongFields(body, song);
    AddPlayFields(body, "2026-12-09T07:58:31Z", "0123456789abcdef0123456789abcdef");
    std::string all(static_cast<std::size_t>(body.Size()), '\0');
    ASSERT_EQ(body.Read(all.data(), all.size()), all.size());
    const std::string tail = "name=\"password\"\r\n\r\npw\r\n--" + body.Boundary() +
                             "\r\nContent-Disposition: form-data; name=\"_charset_\"\r\n\r\n"
                             "UTF-8\r\n--" + body.Boundary() +
                             "\r\nContent-Disposition: form-data; name=\"played_at\"\r\n\r\n"
                             "2026-12-09T07:58:31Z\r\n--" + body.Boundary() +
                             "\r\nContent-Disposition: form-data; name=\"play_id\"\r\n\r\n"
                             "0123456789abcdef0123456789abcdef\r\n--" + body.Boundary() + "--\r\n";
    ASSERT_GE(all.size(), tail.size());
    EXPECT_EQ(all.substr(all.size() - tail.size()), tail);
}

TEST(SongSubmission, EmptyFieldsAreSentAndResultLinesBeforeAnyAnswer) {
    TMultipartFormStream body;
    AddSongFields(body, TSongFields{});
    EXPECT_EQ(body.Size(), 809 + 72 + 9);

    const THttpClient http;
    const auto lines = SubmissionResultLines(http, "two\r\nlines");
    EXPECT_EQ(lines[0], "Code: -1");
    EXPECT_EQ(lines[1], "Message: ");
    EXPECT_EQ(lines[2], "Output: two\r\nlines");
    // The log holds UTF-8: an answer in UTF-8 as it came, one in the code page (1252 here)
    // read in it.
    EXPECT_EQ(SubmissionResultLines(http, "\xD0\x9A\xC3\xA9")[2], "Output: \xD0\x9A\xC3\xA9");
    EXPECT_EQ(SubmissionResultLines(http, "caf\xE9")[2], "Output: caf\xC3\xA9");
}

TEST(SongSubmission, TextsGoAsUtf8OrInTheCodePageByteForByte) {
    // "Zürich 東京" and "Кино": the code page (1252 here) holds the ü only.
    const TSongFields texts{"\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE", "Caf\xC3\xA9", "\xE6\x9D\xB1", "1",
                            "2001", "Pop", "\xE2\x82\xAC", "C:\\M\\Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC.mp3",
                            "pw\xC3\xA9", ""};
    const TSongFields utf8 = WireFields(texts, true);
    EXPECT_EQ(utf8.artist, texts.artist);
    EXPECT_EQ(utf8.filename, "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC.mp3");
    EXPECT_EQ(utf8.charset, "UTF-8");
    const TSongFields ansi = WireFields(texts, false);
    const std::pair<const std::string*, const char*> expected[] = {
        {&ansi.artist, "????"}, {&ansi.album, "Caf\xE9"}, {&ansi.title, "?"}, {&ansi.track, "1"},
        {&ansi.year, "2001"},   {&ansi.genre, "Pop"},     {&ansi.comment, "\x80"},
        {&ansi.filename, "Z\xFCrich ??.mp3"}, {&ansi.password, "pw\xE9"}, {&ansi.charset, "windows-1252"}};
    for (const auto& [text, bytes] : expected) EXPECT_EQ(*text, bytes);
}

TEST(SongSubmission, CharsetNamesThatIconvKnowsForEveryCodePage) {
    const std::pair<unsigned, const char*> cases[] = {
        {1250, "windows-1250"}, {1251, "windows-1251"}, {1252, "windows-1252"}, {1253, "windows-1253"},
        {1254, "windows-1254"}, {1255, "windows-1255"}, {1256, "windows-1256"}, {1257, "windows-1257"},
        {1258, "windows-1258"}, {874, "windows-874"},   {932, "CP932"},         {936, "CP936"},
        {949, "CP949"},         {950, "CP950"},         {437, "CP437"},         {1259, "CP1259"},
        {65001, "UTF-8"},
    };
    for (const auto& [codePage, name] : cases) EXPECT_EQ(CharsetName(codePage), name) << codePage;
}

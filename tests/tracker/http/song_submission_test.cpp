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

TEST(SongSubmission, TenFieldsInTheirOrderWithTheCommentTwice) {
    TMultipartFormStream body(platform::LocalDateTime{2026, 12, 8, 1, 5, 1, 42});
    TSongFields song{"Art", "Alb", "Tit", "07", "1999", "Rock", "Live",
                     "C:\\Music\\Song.mp3", "pw"};
    AddSongFields(body, song);
    // 809 for the names and the fixed parts, plus every value (the comment twice).
    EXPECT_EQ(body.Size(), 809 + 3 + 3 + 3 + 2 + 4 + 4 + 4 + 8 + 4 + 2);
    std::string all(static_cast<std::size_t>(body.Size()), '\0');
    ASSERT_EQ(body.Read(all.data(), all.size()), all.size());

    const char* const expected[][2] = {
        {"artist", "Art"}, {"album", "Alb"},       {"title", "Tit"},      {"track", "07"},
        {"year", "1999"},  {"genre", "Rock"},      {"comment", "Live"},   {"filename", "Song.mp3"},
        {"comment", "Live"}, {"password", "pw"}};
    std::size_t at = 0;
    for (const auto& field : expected) {
        const std::string part = std::string("name=\"") + field[0] + "\"\r\n\r\n" + field[1] + "\r\n";
        const std::size_t found = all.find(part, at);
        ASSERT_NE(found, std::string::npos) << field[0];
        at = found + part.size();
    }
    EXPECT_EQ(all.substr(at), "--" + body.Boundary() + "--\r\n");
}

TEST(SongSubmission, ThePlayFieldsFollowTheTen) {
    TMultipartFormStream body;
    TSongFields song;
    song.password = "pw";
    AddSongFields(body, song);
    AddPlayFields(body, "2026-12-09T07:58:31Z", "0123456789abcdef0123456789abcdef");
    std::string all(static_cast<std::size_t>(body.Size()), '\0');
    ASSERT_EQ(body.Read(all.data(), all.size()), all.size());
    const std::string tail = "name=\"password\"\r\n\r\npw\r\n--" + body.Boundary() +
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
    EXPECT_EQ(body.Size(), 809);

    const THttpClient http;
    const auto lines = SubmissionResultLines(http, "two\r\nlines");
    EXPECT_EQ(lines[0], "Code: -1");
    EXPECT_EQ(lines[1], "Message: ");
    EXPECT_EQ(lines[2], "Output: two\r\nlines");
}

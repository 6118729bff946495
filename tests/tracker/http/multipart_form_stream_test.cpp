#include <gtest/gtest.h>

#include <string>

#include "tracker/http/multipart_form_stream.h"

namespace {

// 8 December 2026, 01:05:01.042 local time.
const platform::LocalDateTime kCreated{2026, 12, 8, 1, 5, 1, 42};
const char* const kBoundary = "--------120826010501042";

std::string ReadAll(TMultipartFormStream& body, std::size_t piece) {
    std::string all;
    std::string buffer(piece, '\0');
    while (std::size_t got = body.Read(buffer.data(), piece)) {
        EXPECT_LE(got, piece);
        all.append(buffer, 0, got);
    }
    return all;
}

void AddSubmissionFields(TMultipartFormStream& body, const std::string& comment = "") {
    for (const char* name : {"artist", "album", "title", "track", "year", "genre", "comment",
                             "filename"})
        body.AddTextField(name, std::string(name) == "comment" ? comment : "");
    body.AddTextField("comment", comment);
    body.AddTextField("password", "");
}

}  // namespace

TEST(MultipartFormStream, BoundaryAndContentTypeComeFromTheCreationTime) {
    TMultipartFormStream body(kCreated);
    EXPECT_EQ(body.Boundary(), kBoundary);
    EXPECT_EQ(body.FormContentType(), std::string("multipart/form-data; boundary=") + kBoundary);
    TMultipartFormStream late(platform::LocalDateTime{1999, 3, 31, 23, 59, 58, 7});
    EXPECT_EQ(late.Boundary(), "--------033199235958007");
}

TEST(MultipartFormStream, BoundaryFollowsTheLocalClockNow) {
    const platform::LocalDateTime before = platform::LocalNow();
    TMultipartFormStream body;
    const platform::LocalDateTime after = platform::LocalNow();
    ASSERT_EQ(body.Boundary().size(), 23u);
    EXPECT_EQ(body.Boundary().substr(0, 8), "--------");
    // Equal to the boundary of one of the instants read around it, to the second.
    const std::string seconds = body.Boundary().substr(8, 12);
    const std::string a = TMultipartFormStream(before).Boundary().substr(8, 12);
    const std::string b = TMultipartFormStream(after).Boundary().substr(8, 12);
    EXPECT_TRUE(seconds == a || seconds == b) << body.Boundary();
}

TEST(MultipartFormStream, TwoFieldsGiveExactlyTheNineLinesOfTheWireFormat) {
    TMultipartFormStream body(kCreated);
    body.AddTextField("artist", "A");
    body.AddTextField("album", "B");
    const std::string expected = std::string("--") + kBoundary +
                                 "\r\nContent-Disposition: form-data; name=\"artist\"\r\n\r\nA\r\n"
                                 "--" + kBoundary +
                                 "\r\nContent-Disposition: form-data; name=\"album\"\r\n\r\nB\r\n"
                                 "--" + kBoundary + "--\r\n";
    EXPECT_EQ(body.Size(), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(body.Size(), 72 + 6 + 1 + 72 + 5 + 1 + 29);
    EXPECT_EQ(ReadAll(body, 32768), expected);
}

TEST(MultipartFormStream, TenEmptySubmissionFieldsAre809Bytes) {
    TMultipartFormStream body(kCreated);
    AddSubmissionFields(body);
    EXPECT_EQ(body.Size(), 809);
    EXPECT_EQ(ReadAll(body, 100).size(), 809u);

    TMultipartFormStream live(kCreated);
    AddSubmissionFields(live, "Live");
    EXPECT_EQ(live.Size(), 809 + 8);  // the comment counts twice
}

TEST(MultipartFormStream, AnyPieceSizeGivesTheSameBytes) {
    auto make = [] {
        TMultipartFormStream body(kCreated);
        AddSubmissionFields(body, "a comment");
        body.AddTextField("long", std::string(70000, 'x'));
        return body;
    };
    TMultipartFormStream whole = make();
    const std::string reference = ReadAll(whole, 1 << 20);
    ASSERT_EQ(static_cast<std::int64_t>(reference.size()), whole.Size());
    for (std::size_t piece : {1u, 7u, 32768u}) {
        TMultipartFormStream body = make();
        EXPECT_EQ(ReadAll(body, piece), reference) << "pieces of " << piece;
    }
}

TEST(MultipartFormStream, ValuesAreSentUnchangedAndCountedByTheirBytes) {
    TMultipartFormStream body(kCreated);
    const std::string value = "line one\r\nsays \"hi\" \xE9 end";
    body.AddTextField("comment", value);
    const std::string all = ReadAll(body, 3);
    EXPECT_EQ(body.Size(), static_cast<std::int64_t>(72 + 7 + value.size() + 29));
    EXPECT_EQ(static_cast<std::int64_t>(all.size()), body.Size());
    EXPECT_NE(all.find("\r\n\r\n" + value + "\r\n--"), std::string::npos);
}

TEST(MultipartFormStream, AFieldHoldingTheBoundaryMovesItToOneThatNoFieldHolds) {
    TMultipartFormStream body(kCreated);
    // The value holds today's boundary and the next one; the name holds the one after.
    body.AddTextField("artist", std::string("x\r\n--") + kBoundary + "--------120826010501043");
    EXPECT_EQ(body.Boundary(), "--------120826010501044");
    body.AddTextField("--------120826010501044", "");
    EXPECT_EQ(body.Boundary(), "--------120826010501045");
    EXPECT_EQ(body.FormContentType(), "multipart/form-data; boundary=--------120826010501045");
    const std::string all = ReadAll(body, 7);
    EXPECT_EQ(static_cast<std::int64_t>(all.size()), body.Size());
    // Each delimiter line, the closing one included, and nothing else holds the boundary.
    std::size_t count = 0;
    for (auto at = all.find(body.Boundary()); at != std::string::npos; at = all.find(body.Boundary(), at + 1))
        ++count;
    EXPECT_EQ(count, 3u);
}

TEST(MultipartFormStream, NoFieldsGiveTheClosingLineOnly) {
    TMultipartFormStream body(kCreated);
    EXPECT_EQ(body.Size(), 29);
    EXPECT_EQ(ReadAll(body, 7), std::string("--") + kBoundary + "--\r\n");
}

TEST(MultipartFormStream, RewindRepeatsTheSameBytesAndTheEndStaysEnded) {
    TMultipartFormStream body(kCreated);
    AddSubmissionFields(body, "x");
    const std::string first = ReadAll(body, 7);
    EXPECT_EQ(static_cast<std::int64_t>(first.size()), body.Size());
    char byte;
    EXPECT_EQ(body.Read(&byte, 1), 0u);

    body.Rewind();
    EXPECT_EQ(ReadAll(body, 32768), first);

    // A rewind in the middle starts over too; asking for the size meanwhile moves nothing.
    char some[100];
    body.Rewind();
    ASSERT_EQ(body.Read(some, sizeof some), sizeof some);
    EXPECT_EQ(body.Size(), static_cast<std::int64_t>(first.size()));
    EXPECT_EQ(std::string(some, sizeof some) + ReadAll(body, 64), first);
    body.Rewind();
    EXPECT_EQ(ReadAll(body, 1), first);
}

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tracker/outbox.h"

using test_support::ReadBytes;
using test_support::TempDir;
using test_support::WriteBytes;

namespace {

TPlay MakePlay(const std::string& name) {
    TPlay play;
    play.song = TSongFields{.artist = "Artist\tof " + name,
                            .album = "Line\nbreak\r\\ \\n",
                            .title = name,
                            .track = "3/12",
                            .year = "1965",
                            .genre = "",
                            .comment = "caf\xc3\xa9 \xe2\x82\xac",
                            .filename = "C:\\Music\\" + name + ".mp3",
                            .password = "",
                            .charset = ""};
    play.playedAt = "2026-12-09T07:58:31Z";
    play.playId = NewPlayId();
    return play;
}

std::vector<std::string> Titles(const TOutbox& outbox) {
    std::vector<std::string> titles;
    for (const TPlay& play : outbox.Plays()) titles.push_back(play.song.title);
    return titles;
}

void ExpectSamePlay(const TPlay& a, const TPlay& b) {
    EXPECT_EQ(a.playId, b.playId);
    EXPECT_EQ(a.playedAt, b.playedAt);
    EXPECT_EQ(a.song.artist, b.song.artist);
    EXPECT_EQ(a.song.album, b.song.album);
    EXPECT_EQ(a.song.title, b.song.title);
    EXPECT_EQ(a.song.track, b.song.track);
    EXPECT_EQ(a.song.year, b.song.year);
    EXPECT_EQ(a.song.genre, b.song.genre);
    EXPECT_EQ(a.song.comment, b.song.comment);
    EXPECT_EQ(a.song.filename, b.song.filename);
}

struct Fixture {
    TempDir dir;
    std::vector<std::string> log;
    std::u16string path = dir.File("gen_quillon.outbox");
    std::filesystem::path file = dir.Native("gen_quillon.outbox");

    std::unique_ptr<TOutbox> Open() {
        auto outbox = std::make_unique<TOutbox>(
            path, [this](const std::string& line) { log.push_back(line); });
        outbox->Load();
        return outbox;
    }
};

// An outbox of `count` plays named p0, p1, ...: the file one outbox writes for one play,
// its play line repeated with other names and ids.
std::vector<unsigned char> FileOfPlays(std::size_t count) {
    Fixture scratch;
    auto outbox = scratch.Open();
    const TPlay play = MakePlay("p");
    outbox->Append(play);
    const std::vector<unsigned char> bytes = ReadBytes(scratch.file);
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t recordStart = text.find('\n') + 1;
    std::string result = text.substr(0, recordStart);
    const std::string record = text.substr(recordStart);
    for (std::size_t i = 0; i < count; ++i) {
        std::string copy = record;
        const std::string name = "p" + std::to_string(i);
        copy.replace(copy.find(play.playId), play.playId.size(), NewPlayId());
        copy.replace(copy.find("\tp\t"), 3, "\t" + name + "\t");
        copy.replace(copy.rfind("p.mp3"), 5, name + ".mp3");
        result += copy;
    }
    return {result.begin(), result.end()};
}

}  // namespace

TEST(Outbox, PlaysAndTheirChangesSurviveAReload) {
    Fixture f;
    std::vector<TPlay> plays;
    {
        auto outbox = f.Open();
        EXPECT_TRUE(outbox->Plays().empty());
        for (const char* name : {"a", "b", "c", "d"}) {
            plays.push_back(MakePlay(name));
            outbox->Append(plays.back());
        }
        outbox->MoveBehind(plays[0].playId);
        outbox->Remove(plays[2].playId);
        outbox->Remove("0123456789abcdef0123456789abcdef");  // unknown: nothing happens
        EXPECT_EQ(Titles(*outbox), (std::vector<std::string>{"b", "d", "a"}));
    }
    auto again = f.Open();
    EXPECT_EQ(Titles(*again), (std::vector<std::string>{"b", "d", "a"}));
    ExpectSamePlay(again->Plays().back(), plays[0]);
    EXPECT_TRUE(again->KeptOnDisk());
    EXPECT_TRUE(f.log.empty());
}

TEST(Outbox, ATornLastRecordIsSkippedOnceAndEarlierPlaysStay) {
    Fixture reference;
    {
        auto outbox = reference.Open();
        outbox->Append(MakePlay("a"));
        outbox->Append(MakePlay("b"));
    }
    const std::vector<unsigned char> whole = ReadBytes(reference.file);
    const std::string text(whole.begin(), whole.end());
    const std::size_t lastStart = text.rfind('\n', text.size() - 2) + 1;
    // Cut inside the last record at its first byte, in its middle and just before its end.
    for (std::size_t cut : {lastStart + 1, (lastStart + text.size()) / 2, text.size() - 1}) {
        Fixture f;
        WriteBytes(f.file, {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)});
        {
            auto outbox = f.Open();
            EXPECT_EQ(Titles(*outbox), std::vector<std::string>{"a"}) << cut;
            ASSERT_EQ(f.log.size(), 1u);
            outbox->Append(MakePlay("c"));
        }
        EXPECT_EQ(Titles(*f.Open()), (std::vector<std::string>{"a", "c"})) << cut;
        EXPECT_EQ(f.log.size(), 1u) << "skipped once, not at every load";
    }
}

TEST(Outbox, AFileOverTheBoundsOrNotAnOutboxIsSetAside) {
    std::vector<unsigned char> damaged = FileOfPlays(3);
    damaged[damaged.size() / 2] = '\n';
    const struct { const char* name; std::vector<unsigned char> bytes; } cases[] = {
        {"more than 10000 plays", FileOfPlays(TOutbox::kMaxPlays + 1)},
        {"over 16 MiB", std::vector<unsigned char>(TOutbox::kMaxFileBytes + 1, 'x')},
        {"another version", {'Q', 'u', 'i', 'l', 'l', 'o', 'n', ' ', '9', '\n'}},
        {"a damaged record", damaged},
        {"a bad escape", [] {
             std::vector<unsigned char> bytes = FileOfPlays(1);
             bytes.insert(bytes.end() - 2, {'\\', 'q'});
             return bytes;
         }()},
    };
    for (const auto& c : cases) {
        Fixture f;
        WriteBytes(f.file, c.bytes);
        auto outbox = f.Open();
        EXPECT_TRUE(outbox->Plays().empty()) << c.name;
        EXPECT_EQ(ReadBytes(f.dir.Native("gen_quillon.outbox.bad")), c.bytes) << c.name;
        ASSERT_EQ(f.log.size(), 1u) << c.name;
        EXPECT_NE(f.log[0].find("gen_quillon.outbox.bad"), std::string::npos) << f.log[0];
        outbox->Append(MakePlay("new"));
        EXPECT_EQ(Titles(*f.Open()), std::vector<std::string>{"new"}) << c.name;
    }
}

TEST(Outbox, AFullOutboxDropsItsOldestPlayWithALogLine) {
    Fixture f;
    WriteBytes(f.file, FileOfPlays(TOutbox::kMaxPlays));
    auto outbox = f.Open();
    ASSERT_EQ(outbox->Plays().size(), TOutbox::kMaxPlays);
    outbox->Append(MakePlay("newest"));
    EXPECT_EQ(f.log, std::vector<std::string>{"Not sent, 10000 songs were waiting: p0.mp3"});
    const auto again = f.Open();
    ASSERT_EQ(again->Plays().size(), TOutbox::kMaxPlays);
    EXPECT_EQ(again->Plays().front().song.title, "p1");
    EXPECT_EQ(again->Plays().back().song.title, "newest");
}

TEST(Outbox, TheFileIsCompactedOnlyOnceMoreThanHalfIsSent) {
    Fixture f;
    auto outbox = f.Open();
    std::vector<TPlay> plays;
    for (int i = 0; i < 6; ++i) {
        plays.push_back(MakePlay("s" + std::to_string(i)));
        outbox->Append(plays.back());
    }
    const auto sizeWithSix = std::filesystem::file_size(f.file);
    for (int i = 0; i < 3; ++i) outbox->Remove(plays[i].playId);
    // Half sent: only marks were appended, the file grew.
    EXPECT_GT(std::filesystem::file_size(f.file), sizeWithSix);
    outbox->Remove(plays[3].playId);
    EXPECT_LT(std::filesystem::file_size(f.file), sizeWithSix / 2);
    EXPECT_FALSE(std::filesystem::exists(f.dir.Native("gen_quillon.outbox.new")));
    EXPECT_EQ(Titles(*f.Open()), (std::vector<std::string>{"s4", "s5"}));
}

TEST(Outbox, TwoOutboxesOnOneFileSeeEachOthersChanges) {
    Fixture f;
    auto first = f.Open();
    auto second = f.Open();
    const TPlay a = MakePlay("a"), b = MakePlay("b");
    first->Append(a);
    second->Append(b);
    first->Remove(b.playId);  // e.g. sent by the first player
    second->Load();
    EXPECT_EQ(Titles(*second), std::vector<std::string>{"a"});
    // One sender at a time.
    EXPECT_TRUE(first->ClaimSending());
    EXPECT_FALSE(second->ClaimSending());
    first->EndSending();
    EXPECT_TRUE(second->ClaimSending());
    second->EndSending();
}

TEST(Outbox, AFolderThatCannotBeWrittenKeepsPlaysInMemoryWithOneLogLine) {
    Fixture f;
    // A directory in the file's place stands for a folder the user may not write to.
    std::filesystem::create_directory(f.file);
    TOutbox outbox(f.dir.File("gen_quillon.outbox/x/gen_quillon.outbox"),
                   [&](const std::string& line) { f.log.push_back(line); });
    outbox.Load();
    for (const char* name : {"a", "b", "c"}) outbox.Append(MakePlay(name));
    outbox.Remove(outbox.Plays().front().playId);
    EXPECT_FALSE(outbox.KeptOnDisk());
    EXPECT_EQ(Titles(outbox), (std::vector<std::string>{"b", "c"}));
    ASSERT_EQ(f.log.size(), 1u);
    EXPECT_EQ(f.log[0].rfind("Plays cannot be kept on disk (", 0), 0u) << f.log[0];
}

TEST(Outbox, PlayIdsAreRandomHex) {
    std::set<std::string> ids;
    for (int i = 0; i < 100; ++i) {
        const std::string id = NewPlayId();
        EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos) << id;
        EXPECT_EQ(id.size(), 32u);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 100u);
}

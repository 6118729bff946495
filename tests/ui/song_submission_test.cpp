// Submitting the song one interval after a change: when, what and how it is logged; the
// plays kept in the outbox until the site takes them, and when they are tried again.
#include <gtest/gtest.h>

#include <regex>

#include "platform/sockets.h"
#include "tests/support/loopback_server.h"
#include "tests/ui/main_form_fixture.h"
#include "tracker/outbox.h"
#include "tracker/utc_time.h"

namespace handlers_test {
namespace {

using http_test::Answer;
using http_test::LoopbackServer;
using http_test::ScriptedAnswer;

const SongTagFields kSongA{"Artist A", "Title A", "Album A", "1999", "Rock", "Live", 7};
const SongTagFields kSongB{"Artist B", "Title B", "Album B", "2001", "Jazz", "", 12};
constexpr std::uint64_t kPeriodMs = 30000;  // the interval when no settings file exists

std::string Ok(const std::string& body = "OK") {
    return Answer("HTTP/1.1 200 OK", {"Content-Length: " + std::to_string(body.size())}, body);
}

// A port that refuses connections: listened on once, then closed.
std::uint16_t RefusingPort() {
    platform::TcpListener listener;
    platform::SocketError error;
    if (!listener.Listen(false, 1, error)) throw std::runtime_error(error.text);
    return listener.Port();
}

// The ten fields and `_charset_` as posted, the file name's blanked once it is seen to end
// in `file` (the test's own files have full paths that differ between the builds); the
// play's two after them are checked, its time against `playedAtMs`.
FormFields FieldsNaming(const http_test::ReceivedRequest& request, const std::string& file,
                        std::int64_t playedAtMs) {
    FormFields fields = ParseFormFields(request.head, request.body);
    if (fields.size() != 13) {
        ADD_FAILURE() << fields.size() << " fields";
        return fields;
    }
    EXPECT_TRUE(fields[7].second.ends_with(file)) << fields[7].second;
    fields[7].second.clear();
    EXPECT_EQ(fields[11], (std::pair<std::string, std::string>{"played_at",
                                                              FormatUtcTimestamp(playedAtMs)}));
    EXPECT_EQ(fields[12].first, "play_id");
    EXPECT_TRUE(std::regex_match(fields[12].second, std::regex("[0-9a-f]{32}")))
        << fields[12].second;
    fields.resize(11);
    return fields;
}

// The posted file names, in the order the server received them.
std::vector<std::string> PostedFiles(LoopbackServer& server) {
    std::vector<std::string> files;
    for (const auto& request : server.Requests()) {
        const FormFields fields = ParseFormFields(request.head, request.body);
        files.push_back(fields.size() == 13 ? fields[7].second : "?");
    }
    return files;
}

// "Waiting to be sent: <n> (next try at HH:MM:SS)".
bool IsWaitingLine(const std::string& line, int waiting) {
    return std::regex_match(line, std::regex("Waiting to be sent: " + std::to_string(waiting) +
                                             R"( \(next try at \d\d:\d\d:\d\d\))"));
}

struct SubmissionTest : ::testing::Test, MainFormFixture {
    SubmissionTest() {
        std::filesystem::create_directories(PluginsFolder());
        Open();
        form().send.SetChecked(true);
        form().params.SetText("secret");
    }

    void PostTo(const std::string& url) { form().urlbox.SetText(url); }
    void PostToRefusingPort() {
        PostTo("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/test.php");
    }

    std::vector<std::string> Log() { return form().log.Lines(); }

    // Plays each file in turn, one interval each: one play per file. No file exists, so the
    // tag fields stay empty.
    void Submit(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            Play("C:\\Music\\" + name);
            backend.advance(1000 + kPeriodMs);
        }
    }

    static std::vector<std::string> Numbered(int first, int last) {
        std::vector<std::string> names;
        for (int i = first; i <= last; ++i) names.push_back(std::to_string(i) + ".mp3");
        return names;
    }

    // The file names of the plays in the outbox file, oldest first.
    std::vector<std::string> WaitingFiles() const {
        TOutbox outbox((PluginsFolder() / "gen_quillon.outbox").u16string(),
                       [](const std::string&) {});
        outbox.Load();
        std::vector<std::string> files;
        for (const TPlay& play : outbox.Plays()) files.push_back(FileNamePart(play.song.filename));
        return files;
    }
};

TEST_F(SubmissionTest, ASecondSongBeforeTheTimerFiresIsPostedOnceOnePeriodAfterTheFirst) {
    LoopbackServer server({{Ok()}});
    PostTo(server.Url("/test.php"));
    Play(MakeSong("a.mp3", &kSongA));
    backend.advance(1000);  // A seen at 1000
    Play(MakeSong("b.mp3", &kSongB));
    backend.advance(5000);  // B seen at 2000
    EXPECT_EQ(form().ID3artist.Text(), "Artist B");
    backend.advance(1000 + kPeriodMs - 6000 - 1);
    EXPECT_TRUE(Log().empty());
    backend.advance(1);
    EXPECT_EQ(Log().size(), 3u);
    EXPECT_FALSE(form().Timer2.Enabled());
    backend.advance(3 * kPeriodMs);  // B stays current: not posted again
    EXPECT_EQ(Log().size(), 3u);

    const auto& requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].head.rfind("POST /test.php HTTP/1.", 0), 0u) << requests[0].head;
    const FormFields expected{{"artist", "Artist B"}, {"album", "Album B"}, {"title", "Title B"},
                              {"track", "12"},        {"year", "2001"},     {"genre", "Jazz"},
                              {"comment", ""},        {"filename", ""},     {"comment", ""},
                              {"password", "secret"}, {"_charset_", "UTF-8"}};
    // The play's time is when B became current, not when it was sent.
    EXPECT_EQ(FieldsNaming(requests[0], "b.mp3", kClockStartMs + 2000), expected);
    EXPECT_TRUE(WaitingFiles().empty());
}

TEST_F(SubmissionTest, WhatTheWindowShowsAtThatMomentIsPostedEditsAndUnappliedSettingsIncluded) {
    LoopbackServer server({{Ok()}, {Ok()}});
    PostTo(server.Url("/first"));
    const std::string a = MakeSong("a.mp3", &kSongA);
    player.playlist = {a, a};
    backend.advance(1000);
    player.position = 1;  // the same file again: no second change
    form().ID3artist.SetText("Edited Artist");
    form().ID3track.SetText(" 07x");
    PostTo(server.Url("/second"));
    form().params.SetText("changed");
    backend.advance(kPeriodMs);
    // Once the song stays current nothing more is posted; the next one is.
    backend.advance(2 * kPeriodMs);
    Play(MakeSong("plain.mp3", nullptr));
    backend.advance(1000 + kPeriodMs);

    const auto& requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].head.rfind("POST /second ", 0), 0u);
    const FormFields first = ParseFormFields(requests[0].head, requests[0].body);
    ASSERT_EQ(first.size(), 13u);
    EXPECT_EQ(first[0].second, "Edited Artist");
    EXPECT_EQ(first[3].second, " 07x");  // the track text as typed
    EXPECT_EQ(first[6].second, "Live");
    EXPECT_EQ(first[8].second, "Live");
    EXPECT_EQ(first[9].second, "changed");
    // A file without a tag still sends all ten fields, the tag's empty.
    const FormFields expected{{"artist", ""},  {"album", ""},    {"title", ""},
                              {"track", ""},   {"year", ""},     {"genre", ""},
                              {"comment", ""}, {"filename", ""}, {"comment", ""},
                              {"password", "changed"}, {"_charset_", "UTF-8"}};
    EXPECT_EQ(FieldsNaming(requests[1], "plain.mp3", kClockStartMs + 3 * kPeriodMs + 2000),
              expected);
}

TEST_F(SubmissionTest, TheFileNameFieldIsTheTextAfterTheLastBackslashOrColon) {
    LoopbackServer server({{Ok()}, {Ok()}, {Ok()}});
    PostTo(server.Url("/test.php"));
    // Names the player may report; none is a file here, so no tag is found.
    for (const char* name : {"C:\\Music\\Song.mp3", "D:/x/y.mp3", "http://radio.example/live"}) {
        Play(name);
        backend.advance(1000 + kPeriodMs);
    }
    const auto& requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    const char* const expected[] = {"Song.mp3", "/x/y.mp3", "//radio.example/live"};
    for (std::size_t i = 0; i < 3; ++i) {
        const FormFields fields = ParseFormFields(requests[i].head, requests[i].body);
        ASSERT_EQ(fields.size(), 13u);
        EXPECT_EQ(fields[7], (std::pair<std::string, std::string>{"filename", expected[i]}));
    }
}

TEST_F(SubmissionTest, TheUtf8BoxAsItStandsChoosesUtf8OrTheCodePage) {
    LoopbackServer server({{Ok()}, {Ok()}});
    PostTo(server.Url("/test.php"));
    const struct {
        bool utf8;
        const char* artist;
        const char* filename;
        const char* charset;
    } cases[] = {
        {true, "\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE \xC3\xA9", "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC.mp3", "UTF-8"},
        {false, "???? \xE9", "Z\xFCrich ??.mp3", "windows-1252"},  // the code page 1252 here
    };
    for (const auto& c : cases) {
        // Not applied: the box's state at the post counts.
        form().utf8.SetChecked(c.utf8);
        Play("C:\\Music\\Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC.mp3");
        backend.advance(1000);
        form().ID3artist.SetText("\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE \xC3\xA9");  // Кино é
        backend.advance(kPeriodMs);
        Play("C:\\other.mp3");
        backend.advance(1000);
        form().Timer2.SetEnabled(false);
    }
    const auto& requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const FormFields fields = ParseFormFields(requests[i].head, requests[i].body);
        ASSERT_EQ(fields.size(), 13u);
        EXPECT_EQ(fields[0].second, cases[i].artist);
        EXPECT_EQ(fields[7].second, cases[i].filename);
        EXPECT_EQ(fields[10], (std::pair<std::string, std::string>{"_charset_", cases[i].charset}));
    }
}

TEST_F(SubmissionTest, NothingIsPostedWithAnEmptyUrlOrThePostSwitchOff) {
    platform::TcpListener watch;
    platform::SocketError error;
    ASSERT_TRUE(watch.Listen(false, 4, error));
    const std::string url = "http://127.0.0.1:" + std::to_string(watch.Port()) + "/test.php";

    PostTo("");
    Play(MakeSong("a.mp3", &kSongA));
    backend.advance(1000 + kPeriodMs);
    EXPECT_FALSE(form().Timer2.Enabled());

    PostTo(url);
    form().send.SetChecked(false);
    Play(MakeSong("b.mp3", &kSongB));
    backend.advance(1000);
    EXPECT_TRUE(form().Timer2.Enabled());  // the switch does not keep the timer from running
    backend.advance(kPeriodMs);
    EXPECT_FALSE(form().Timer2.Enabled());

    EXPECT_TRUE(Log().empty());
    platform::TcpSocket connection;
    EXPECT_EQ(watch.Accept(connection, 200, error), platform::IoStatus::TimedOut);
}

TEST_F(SubmissionTest, ABlankUrlIsNotEmptyAndIsTried) {
    PostTo(" ");
    Play(MakeSong("a.mp3", &kSongA));
    backend.advance(1000 + kPeriodMs);
    const std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 3),
              (std::vector<std::string>{"Code: -1", "Message: ", "Output: "}));
    EXPECT_TRUE(IsWaitingLine(log[3], 1)) << log[3];
    EXPECT_FALSE(form().Timer2.Enabled());
    EXPECT_TRUE(backend.errorBoxes().empty());
    EXPECT_TRUE(backend.messageBoxes().empty());
}


TEST_F(SubmissionTest, TakenRefusedAndKeptPlaysAndTheirLines) {
    LoopbackServer server({
        {Ok("line one\r\nline two")},
        // The connection breaks inside a chunked body: the site answered, the play is taken.
        {Answer("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "5\r\nHello\r\n")},
        {Answer("HTTP/1.1 422 Unprocessable", {"Content-Length: 2"}, "no")},
        {Answer("HTTP/1.1 302 Found", {"Location: /elsewhere", "Content-Length: 5"}, "moved")},
    });
    PostTo(server.Url("/test.php"));
    Submit(Numbered(1, 4));
    EXPECT_EQ(server.Requests().size(), 4u);  // the new location was not requested
    std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 15u);
    EXPECT_TRUE(IsWaitingLine(log.back(), 1)) << log.back();
    log.pop_back();
    EXPECT_EQ(log, (std::vector<std::string>{
                       "Code: 200", "Message: HTTP/1.1 200 OK", "Output: line one", "line two",
                       "Code: 200", "Message: HTTP/1.1 200 OK", "Output: Hello",
                       "Code: 422", "Message: HTTP/1.1 422 Unprocessable", "Output: ",
                       "Refused by the site, not sent again: 3.mp3 (Code: 422)",
                       "Code: 302", "Message: HTTP/1.1 302 Found", "Output: "}));
    EXPECT_EQ(WaitingFiles(), std::vector<std::string>{"4.mp3"});
    EXPECT_TRUE(backend.errorBoxes().empty());
    EXPECT_TRUE(backend.messageBoxes().empty());
}

TEST_F(SubmissionTest, AKeptPlayIsTriedAfterTheBackOffAndAtOnceOnApplyWithTheSettingsOfNow) {
    PostToRefusingPort();
    Submit({"1.mp3"});
    ASSERT_EQ(Log().size(), 4u);
    backend.advance(30000 - 1000);  // the poll ticks within the first back-off
    EXPECT_EQ(Log().size(), 4u);
    backend.advance(1000);
    std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[4].rfind("Try 2 for 1.mp3: Socket Error # ", 0), 0u) << log[4];
    EXPECT_TRUE(IsWaitingLine(log[5], 1)) << log[5];
    backend.advance(60000 - 1000);  // doubled
    EXPECT_EQ(Log().size(), 6u);
    backend.advance(1000);
    EXPECT_EQ(Log().size(), 8u);

    LoopbackServer server({{Ok()}});
    PostTo(server.Url("/test.php"));
    form().params.SetText("corrected");
    Apply();
    EXPECT_TRUE(backend.RunNextJob());  // queued by Apply, not by a tick
    log = Log();
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[8], "Try 4 for 1.mp3: HTTP/1.1 200 OK");
    const FormFields fields = ParseFormFields(server.Requests()[0].head, server.Requests()[0].body);
    ASSERT_EQ(fields.size(), 13u);
    EXPECT_EQ(fields[9].second, "corrected");
    EXPECT_EQ(fields[11].second, FormatUtcTimestamp(kClockStartMs + 1000));
    EXPECT_TRUE(WaitingFiles().empty());
}

TEST_F(SubmissionTest, RetryAfterHoldsBackEveryTryTillItEnds) {
    LoopbackServer server(
        {{Answer("HTTP/1.1 503 Busy", {"Retry-After: 120", "Content-Length: 0"})}, {Ok()}, {Ok()}});
    PostTo(server.Url("/test.php"));
    Submit({"1.mp3"});
    const std::uint64_t answeredAt = backend.now();
    Submit({"2.mp3"});  // written down, not sent: the site asked for two minutes
    EXPECT_EQ(WaitingFiles(), (std::vector<std::string>{"1.mp3", "2.mp3"}));
    backend.advance(answeredAt + 120000 - 1 - backend.now());
    EXPECT_EQ(WaitingFiles().size(), 2u);
    backend.advance(1);
    EXPECT_EQ(PostedFiles(server), (std::vector<std::string>{"1.mp3", "1.mp3", "2.mp3"}));
    EXPECT_TRUE(WaitingFiles().empty());
}

TEST_F(SubmissionTest, WithPostingOffPlaysWaitAndGoWhenItIsOnAgain) {
    PostToRefusingPort();
    Submit({"1.mp3"});
    form().send.SetChecked(false);
    backend.advance(10 * 60000);
    EXPECT_EQ(Log().size(), 4u);
    LoopbackServer server({{Ok()}});
    PostTo(server.Url("/test.php"));
    form().send.SetChecked(true);
    backend.advance(30000);
    EXPECT_EQ(PostedFiles(server), std::vector<std::string>{"1.mp3"});
    EXPECT_TRUE(WaitingFiles().empty());
}

TEST_F(SubmissionTest, PlaysOfAnEarlierRunAreSentAtTheFirstPollWithTheirOwnTime) {
    PostToRefusingPort();
    Submit(Numbered(1, 2));
    EXPECT_TRUE(form().poster.Stop(0));
    Submit({"3.mp3"});  // between quit and unload: written down only
    EXPECT_EQ(WaitingFiles(), Numbered(1, 3));

    LoopbackServer server({{Ok()}, {Ok()}, {Ok()}});
    WriteSettings("[Settings]\r\nsend=1\r\nUrl=" + server.Url("/test.php") + "\r\n");
    backend.advance(5 * 60000);
    Build();  // the player started again
    backend.advance(1000);
    const auto& requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        FieldsNaming(requests[i], Numbered(1, 3)[i],
                     kClockStartMs + 1000 + static_cast<std::int64_t>(i * (1000 + kPeriodMs)));
    EXPECT_TRUE(WaitingFiles().empty());
}

TEST_F(SubmissionTest, ARefusedConnectionRepeatsTheLastAnswerReceived) {
    PostToRefusingPort();
    Submit({"1.mp3"});
    {
        // The waiting play goes first, then the new one.
        LoopbackServer server({{Ok()}, {Ok()}});
        PostTo(server.Url("/test.php"));
        Submit({"2.mp3"});
        EXPECT_EQ(PostedFiles(server), Numbered(1, 2));
    }
    PostToRefusingPort();
    Submit({"3.mp3"});
    std::vector<std::string> log = Log();
    // The first play's back-off ended before the second song counted: it went on its own.
    ASSERT_EQ(log.size(), 12u);
    for (std::size_t waiting : {3, 11}) EXPECT_TRUE(IsWaitingLine(log[waiting], 1)) << log[waiting];
    EXPECT_EQ(log, (std::vector<std::string>{"Code: -1", "Message: ", "Output: ", log[3],
                                             "Try 2 for 1.mp3: HTTP/1.1 200 OK",
                                             "Code: 200", "Message: HTTP/1.1 200 OK", "Output: OK",
                                             "Code: 200", "Message: HTTP/1.1 200 OK", "Output: ",
                                             log[11]}));
    EXPECT_FALSE(form().Timer2.Enabled());
    EXPECT_TRUE(backend.errorBoxes().empty());
}

// The worker's jobs wait for the test here, so what the window does meanwhile shows.
struct HeldSubmissionTest : SubmissionTest {
    HeldSubmissionTest() { backend.holdJobs = true; }
};

TEST_F(HeldSubmissionTest, EachPlayIsWrittenDownBeforeItsExchangeAndTheyGoOneAtATimeOldestFirst) {
    LoopbackServer server({{Ok("first")}, {Ok("second")}, {Ok("third")}});
    PostTo(server.Url("/test.php"));
    Submit(Numbered(1, 3));
    // The handler returned without any exchange: the timer is idle, nothing is logged yet.
    EXPECT_FALSE(form().Timer2.Enabled());
    EXPECT_EQ(backend.waitingJobs(), 1u);
    EXPECT_EQ(WaitingFiles(), Numbered(1, 3));
    EXPECT_TRUE(Log().empty());

    while (backend.RunNextJob()) {
    }
    const std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 11u);
    EXPECT_TRUE(IsWaitingLine(log[3], 2)) << log[3];
    EXPECT_TRUE(IsWaitingLine(log[7], 1)) << log[7];
    EXPECT_EQ(log, (std::vector<std::string>{
                       "Code: 200", "Message: HTTP/1.1 200 OK", "Output: first", log[3],
                       "Code: 200", "Message: HTTP/1.1 200 OK", "Output: second", log[7],
                       "Code: 200", "Message: HTTP/1.1 200 OK", "Output: third"}));
    EXPECT_EQ(PostedFiles(server), Numbered(1, 3));
    EXPECT_TRUE(WaitingFiles().empty());
}

TEST_F(HeldSubmissionTest, APlayWithoutAThreadToSendItFailsAtOnceAndIsKept) {
    backend.failRunnerStarts = true;
    Submit(Numbered(1, 1));
    const std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "Try 1 for 1.mp3: no thread could be started");
    EXPECT_TRUE(IsWaitingLine(log[1], 1)) << log[1];
    EXPECT_EQ(backend.waitingJobs(), 0u);
    EXPECT_EQ(WaitingFiles(), Numbered(1, 1));
}

TEST_F(HeldSubmissionTest, AStoppedPosterEndsTheExchangeKeepsItsPlayAndSendsNoMore) {
    PostToRefusingPort();
    Submit(Numbered(1, 2));
    ASSERT_TRUE(backend.StartNextJob());
    // The exchange still runs: the poster has not stopped yet.
    EXPECT_FALSE(form().poster.Stop(0));
    Submit(Numbered(3, 3));
    EXPECT_EQ(backend.waitingJobs(), 0u);
    ASSERT_TRUE(backend.FinishRunningJob());
    EXPECT_TRUE(form().poster.Stop(0));
    backend.advance(60 * 60000);
    EXPECT_FALSE(backend.RunNextJob());
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(WaitingFiles(), Numbered(1, 3));
    EXPECT_FALSE(form().Timer2.Enabled());
}

}  // namespace
}  // namespace handlers_test

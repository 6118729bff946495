// Submitting the song one interval after a change: when, what and how it is logged.
#include <gtest/gtest.h>

#include "platform/sockets.h"
#include "tests/support/loopback_server.h"
#include "tests/ui/main_form_fixture.h"

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

// The posted fields, the file name's blanked once it is seen to end in `file`: the test's
// own files have full paths that differ between the builds.
FormFields FieldsNaming(const http_test::ReceivedRequest& request, const std::string& file) {
    FormFields fields = ParseFormFields(request.head, request.body);
    if (fields.size() != 11) {
        ADD_FAILURE() << fields.size() << " fields";
        return fields;
    }
    EXPECT_TRUE(fields[7].second.ends_with(file)) << fields[7].second;
    fields[7].second.clear();
    return fields;
}

struct SubmissionTest : ::testing::Test, MainFormFixture {
    SubmissionTest() {
        Open();
        form().send.SetChecked(true);
        form().params.SetText("secret");
    }

    void PostTo(const std::string& url) { form().urlbox.SetText(url); }

    std::vector<std::string> Log() { return form().log.Lines(); }
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
    EXPECT_EQ(FieldsNaming(requests[0], "b.mp3"), expected);
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
    ASSERT_EQ(first.size(), 11u);
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
    EXPECT_EQ(FieldsNaming(requests[1], "plain.mp3"), expected);
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
        ASSERT_EQ(fields.size(), 11u);
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
        ASSERT_EQ(fields.size(), 11u);
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
    EXPECT_EQ(Log(), (std::vector<std::string>{"Code: -1", "Message: ", "Output: "}));
    EXPECT_FALSE(form().Timer2.Enabled());
    EXPECT_TRUE(backend.errorBoxes().empty());
    EXPECT_TRUE(backend.messageBoxes().empty());
}

TEST_F(SubmissionTest, TheThreeLinesForEachKindOfAnswer) {
    LoopbackServer server({
        {Ok("line one\r\nline two")},
        {Answer("HTTP/1.1 404 Not Found", {"Content-Type: text/html", "Content-Length: 22"},
                "<html>not here</html>\n")},
        {Answer("HTTP/1.1 302 Found", {"Location: /elsewhere", "Content-Length: 5"}, "moved")},
        // The connection breaks inside a chunked body: what was stored is logged.
        {Answer("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "5\r\nHello\r\n")},
    });
    PostTo(server.Url("/test.php"));
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3"}) {
        Play(MakeSong(name, &kSongA));
        backend.advance(1000 + kPeriodMs);
    }
    EXPECT_EQ(server.Requests().size(), 4u);  // the new location was not requested
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "Code: 200", "Message: HTTP/1.1 200 OK", "Output: line one", "line two",
                         "Code: 404", "Message: HTTP/1.1 404 Not Found", "Output: ",
                         "Code: 302", "Message: HTTP/1.1 302 Found", "Output: ",
                         "Code: 200", "Message: HTTP/1.1 200 OK", "Output: Hello"}));
    EXPECT_TRUE(backend.errorBoxes().empty());
    EXPECT_TRUE(backend.messageBoxes().empty());
}

TEST_F(SubmissionTest, ARefusedConnectionRepeatsTheLastAnswerReceived) {
    PostTo("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/test.php");
    Play(MakeSong("1.mp3", &kSongA));
    backend.advance(1000 + kPeriodMs);
    EXPECT_EQ(Log(), (std::vector<std::string>{"Code: -1", "Message: ", "Output: "}));

    {
        LoopbackServer server({{Ok()}});
        PostTo(server.Url("/test.php"));
        Play(MakeSong("2.mp3", &kSongA));
        backend.advance(1000 + kPeriodMs);
        EXPECT_EQ(server.Requests().size(), 1u);
    }
    PostTo("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/test.php");
    Play(MakeSong("3.mp3", &kSongA));
    backend.advance(1000 + kPeriodMs);
    EXPECT_EQ(Log(), (std::vector<std::string>{"Code: -1", "Message: ", "Output: ",
                                               "Code: 200", "Message: HTTP/1.1 200 OK", "Output: OK",
                                               "Code: 200", "Message: HTTP/1.1 200 OK", "Output: "}));
    EXPECT_FALSE(form().Timer2.Enabled());
    EXPECT_TRUE(backend.errorBoxes().empty());
}

// The worker's jobs wait for the test here, so what the window does meanwhile shows.
struct HeldSubmissionTest : SubmissionTest {
    HeldSubmissionTest() { backend.holdJobs = true; }

    // Plays each file in turn, one interval each: one submission per file. No file exists,
    // so the tag fields stay empty.
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

    // The posted file names, in the order the server received them.
    static std::vector<std::string> PostedFiles(LoopbackServer& server) {
        std::vector<std::string> files;
        for (const auto& request : server.Requests()) {
            const FormFields fields = ParseFormFields(request.head, request.body);
            files.push_back(fields.size() == 11 ? fields[7].second : "?");
        }
        return files;
    }
};

TEST_F(HeldSubmissionTest, TheTimerHandsEachSubmissionOverAndTheGroupsAreLoggedInTheirOrder) {
    LoopbackServer server({{Ok("first")}, {Ok("second")}, {Ok("third")}});
    PostTo(server.Url("/test.php"));
    Submit(Numbered(1, 3));
    // The handler returned without any exchange: the timer is idle, nothing is logged yet.
    EXPECT_FALSE(form().Timer2.Enabled());
    EXPECT_EQ(backend.waitingJobs(), 3u);
    EXPECT_TRUE(Log().empty());

    while (backend.RunNextJob()) {
    }
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "Code: 200", "Message: HTTP/1.1 200 OK", "Output: first",
                         "Code: 200", "Message: HTTP/1.1 200 OK", "Output: second",
                         "Code: 200", "Message: HTTP/1.1 200 OK", "Output: third"}));
    EXPECT_EQ(PostedFiles(server), Numbered(1, 3));
}

TEST_F(HeldSubmissionTest, ANinthWaitingSubmissionDropsTheOldestWithOneLine) {
    LoopbackServer server(std::vector<ScriptedAnswer>(8, {Ok()}));
    PostTo(server.Url("/test.php"));
    Submit(Numbered(1, 8));
    EXPECT_TRUE(Log().empty());
    Submit(Numbered(9, 9));
    EXPECT_EQ(Log(), (std::vector<std::string>{"Not sent, 8 songs were waiting: 1.mp3"}));
    EXPECT_EQ(backend.waitingJobs(), 8u);

    while (backend.RunNextJob()) {
    }
    EXPECT_EQ(Log().size(), 1u + 8 * 3);
    EXPECT_EQ(PostedFiles(server), Numbered(2, 9));
}

TEST_F(HeldSubmissionTest, AStoppedPosterDropsTheWaitingOnesSilentlyAndTakesNoMore) {
    Submit(Numbered(1, 2));
    EXPECT_TRUE(form().poster.Stop(0));
    Submit(Numbered(3, 3));
    EXPECT_EQ(backend.waitingJobs(), 0u);
    EXPECT_FALSE(backend.RunNextJob());
    EXPECT_TRUE(Log().empty());
    EXPECT_FALSE(form().Timer2.Enabled());
}

}  // namespace
}  // namespace handlers_test

// HTTP answers: the input is what a server answers to one or two posts. Every exchange ends
// in a result or in one of the client's own errors, reads a bounded number of bytes however
// long the answer goes on, and sends a request head that a server can parse.
//
// Input: a flags byte, a byte for the receive piece sizes, then the answers, separated by
// kNextAnswer.
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fake_server.h"
#include "tests/fuzz/fuzz_support.h"
#include "tracker/http/http_client.h"
#include "tracker/http/http_errors.h"

namespace {

using fuzz::ScriptedExchange;

constexpr std::string_view kNextAnswer = "<<NEXT>>";
const char* const kUrls[] = {"http://fuzz.test/song.php", "http://fuzz.test:8080/dir/next.php?x=1"};

// What the client may take of one answer at most: the body, the heads, a line too long and
// the piece in which each of those ended.
constexpr std::size_t kMostAnswerBytes = THttpClient::kMaxBodyBytes + THttpClient::kMaxHeadBytes +
                                         2 * THttpClient::kMaxLineLength + 4 * 32768;

ScriptedExchange Script(unsigned flags, unsigned pieces, std::string_view answer, bool first) {
    ScriptedExchange script;
    if (first && (flags & 7) == 7) script.connect = ScriptedExchange::ConnectOutcome::Failed;
    if (first && (flags & 7) == 6) script.connect = ScriptedExchange::ConnectOutcome::TimedOut;
    script.sendFails = (flags & 0x18) == 0x18;
    script.after = static_cast<ScriptedExchange::AfterAnswer>((flags >> 5) & 3);
    script.answer = answer;
    script.pieceSizes = {pieces % 16, pieces / 16, 1};
    return script;
}

void Post(THttpClient& http, const char* url, const fuzz::FakeServer& server, std::size_t exchange) {
    TMultipartFormStream body;
    body.AddTextField("artist", "A");
    body.AddTextField("title", "T");
    std::string buffer;
    try {
        http.PostForm(url, body, buffer);
        const int code = http.LastStatusCode();
        FUZZ_CHECK(code >= 200 && code <= 299, "a success with code " + std::to_string(code));
        FUZZ_CHECK(buffer.size() <= THttpClient::kMaxBodyBytes, "a body past the bound");
    } catch (const EHttpProtocolError& failed) {
        FUZZ_CHECK(failed.ErrorCode() == http.LastStatusCode(), "the error's code is not the last");
        // The text stops at a zero byte of the status line, as a C string does.
        const std::string& line = http.LastStatusLine();
        FUZZ_CHECK(failed.what() == line.substr(0, line.find('\0')), "the error's text is not the status line");
        FUZZ_CHECK(failed.ErrorMessage().size() <= THttpClient::kMaxBodyBytes, "an error body past the bound");
        FUZZ_CHECK(buffer.empty(), "a failed answer reached the caller's buffer");
    } catch (const EHttpError&) {
        // One of the client's own kinds: a transport failure or an answer past a bound.
    }
    // Anything else escapes to libFuzzer as a finding.
    if (server.records().size() <= exchange) return;
    const fuzz::FakeServer::Record& record = server.records()[exchange];
    FUZZ_CHECK(record.received <= kMostAnswerBytes,
               "the client read " + std::to_string(record.received) + " bytes of one answer");
    const auto headEnd = record.sent.find("\r\n\r\n");
    if (headEnd != std::string::npos) {
        const std::string_view head = std::string_view(record.sent).substr(0, headEnd + 2);
        FUZZ_CHECK(!fuzz::HasControlByte(head), "a control byte in the request head");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const unsigned flags = data[0];
    const unsigned pieces = data[1];
    const auto answers = fuzz::SplitInput(
        std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2), kNextAnswer, 2);
    const bool twice = (flags & 0x80) != 0;

    std::vector<ScriptedExchange> exchanges{Script(flags, pieces, answers[0], true)};
    if (twice) exchanges.push_back(Script(flags, pieces, answers.size() > 1 ? answers[1] : "", false));
    fuzz::FakeServer server(exchanges);
    THttpClient http(server.Connector());
    http.ConnectTimeout = 1000;
    Post(http, kUrls[0], server, 0);
    if (twice) Post(http, kUrls[1], server, 1);
    return 0;
}

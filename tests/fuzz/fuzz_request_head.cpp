// URL and request head: the input gives the URLs of two posts and the values of the song
// form. Whatever they hold, no byte below 0x20 reaches the request head except the line ends,
// the Content-Length is the body's length, and the body's boundary occurs only where it
// delimits a part, never inside a value.
//
// Input: the first URL, the second URL and the form's values, separated by kNextPart.
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fake_server.h"
#include "tests/fuzz/fuzz_support.h"
#include "tracker/http/http_client.h"
#include "tracker/http/http_errors.h"
#include "tracker/http/song_submission.h"

namespace {

constexpr std::string_view kNextPart = "<<NEXT>>";
constexpr std::size_t kSongFields = 9;  // artist ... password, filename included
constexpr std::size_t kFormParts = 11;  // the comment goes twice, then _charset_

std::size_t Occurrences(std::string_view text, std::string_view what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

void CheckRequest(const std::string& sent) {
    const auto headEnd = sent.find("\r\n\r\n");
    FUZZ_CHECK(headEnd != std::string::npos, "a request without a whole head");
    const std::string_view head = std::string_view(sent).substr(0, headEnd + 2);
    const std::string_view body = std::string_view(sent).substr(headEnd + 4);
    FUZZ_CHECK(!fuzz::HasControlByte(head), "a control byte in the request head");
    FUZZ_CHECK(head.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n") !=
                   std::string_view::npos,
               "Content-Length is not the body's length");
    // The URL may hold "boundary=" too: the boundary is the one of the Content-Type line.
    const std::string_view marker = "\r\nContent-Type: multipart/form-data; boundary=";
    const auto at = head.find(marker);
    FUZZ_CHECK(at != std::string_view::npos, "no boundary in the head");
    const auto start = at + marker.size();
    const std::string_view boundary = head.substr(start, head.find("\r\n", start) - start);
    // One delimiter per part and the closing one, nothing more.
    FUZZ_CHECK(Occurrences(body, boundary) == kFormParts + 1, "the boundary occurs inside a value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::SplitInput(std::string_view(reinterpret_cast<const char*>(data), size),
                                        kNextPart, 2 + kSongFields);
    std::vector<std::string> values(kSongFields);
    for (std::size_t i = 2; i < parts.size(); ++i) values[i - 2] = parts[i];
    const TSongFields song = WireFields({values[0], values[1], values[2], values[3], values[4],
                                         values[5], values[6], values[7], values[8], {}},
                                        true);

    std::vector<fuzz::ScriptedExchange> exchanges(2);
    for (auto& exchange : exchanges) exchange.answer = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK";
    fuzz::FakeServer server(exchanges);
    THttpClient http(server.Connector());
    http.ConnectTimeout = 1000;
    for (std::size_t i = 0; i < 2 && i < parts.size(); ++i) {
        TMultipartFormStream body;
        AddSongFields(body, song);
        std::string buffer;
        try {
            http.PostForm(std::string(parts[i]), body, buffer);
        } catch (const EHttpError&) {
            // A URL the client refuses; anything else escapes as a finding.
        }
    }
    for (const auto& record : server.records()) CheckRequest(record.sent);
    return 0;
}

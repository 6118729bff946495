// THttpClient: posts a form body over HTTP (or HTTPS) and reads the answer. One client lives as
// long as its owner and keeps its last status line and its cookies from one post to the next.
//
// Usage (the song submission):
//
//   TMultipartFormStream body;                       // one body per post
//   body.AddTextField("artist", artist);             // ... the other fields
//   std::string buffer;
//   try {
//       http.PostForm(url, body, buffer);            // blocks until the exchange has ended
//   } catch (const EHttpError&) {                    // every failure, of whatever kind
//   }
//   http.LastStatusCode(); http.LastStatusLine(); buffer   // valid on both paths
//
// PostForm appends the answer's body to `buffer` on success (a code from 200 to 299 without
// "Location"); any other answer raises EHttpProtocolError carrying the code and the body.
// Every wait for the server is bounded by ConnectTimeout, and the whole exchange, from the
// start of the connect to the last byte of the answer, by three times it ("Read timed out.").
// A URL holding a control character or a port above 65535 is refused before any connection
// (EInvalidUrl). Each post opens a connection of its own and closes it when the exchange ends.
// See http_errors.h for the errors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/connection.h"
#include "tracker/http/cookie_store.h"
#include "tracker/http/http_url.h"
#include "tracker/http/multipart_form_stream.h"

class THttpClient {
public:
    // What the client keeps of a server's answer, whatever the server sends.
    static constexpr std::size_t kMaxLineLength = 16384;      // bytes before the LF
    static constexpr std::size_t kMaxHeadLines = 256;         // all heads of one answer
    static constexpr std::size_t kMaxHeadBytes = 64 * 1024;   // all heads of one answer
    static constexpr std::size_t kMaxBodyBytes = 1024 * 1024; // one answer's body
    // The read time-out when ConnectTimeout is 0 (no connect time-out).
    static constexpr int kDefaultReadTimeoutMs = 30000;

    THttpClient();
    // Connections opened through `connector` instead of the system's TCP and TLS (tests,
    // fuzzing); it is told the scheme of each URL.
    explicit THttpClient(std::unique_ptr<platform::Connector> connector);
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    // Milliseconds: the bound of the TCP connect, and of every wait for data from the server
    // afterwards. 0: the connect has no bound of its own, the waits kDefaultReadTimeoutMs.
    int ConnectTimeout = 0;

    // Sends `body` as a POST to `url` and reads the answer; see the usage above.
    void PostForm(const std::string& url, TMultipartFormStream& body, std::string& buffer);

    // A successful answer whose body the server's close cut short of its Content-Length:
    // the body keeps what came, and this says how much.
    struct TCutShort {
        std::uint64_t received = 0;
        std::uint64_t announced = 0;
    };
    // Of the last post; nullopt when its body came whole, or it had none, or it failed.
    const std::optional<TCutShort>& LastBodyCutShort() const { return lastCutShort_; }

    // The last status line read (empty before the first), without its line end.
    const std::string& LastStatusLine() const { return lastStatusLine_; }
    // Its code: the text after the first blank, up to the next; -1 when it is no number.
    int LastStatusCode() const;
    // Whether the last PostForm read an answer (LastStatusLine is then that answer's), and
    // that answer's Retry-After value (empty when it has none).
    bool LastPostAnswered() const { return lastPostAnswered_; }
    const std::string& LastRetryAfter() const { return lastRetryAfter_; }

private:
    // Connects only in PostForm, never with the client: the window is built while the player
    // loads the plug-in, where starting the socket library is not allowed.
    std::unique_ptr<platform::Connector> connector_;
    std::string lastStatusLine_;
    bool lastPostAnswered_ = false;
    std::string lastRetryAfter_;
    std::unique_ptr<TCookieStore> cookies_;  // created with the first answer
    std::unique_ptr<THttpTarget> previous_;  // the last request's target
    std::optional<TCutShort> lastCutShort_;
};

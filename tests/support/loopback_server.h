// A scripted HTTP server on a loopback address for the client's tests: for each connection
// in turn it reads one request, sends the scripted bytes and then closes, waits for the
// client to close, or stays silent. It runs on its own thread and ends by itself.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/sockets.h"

namespace http_test {

struct ScriptedAnswer {
    enum class Then {
        Close,       // close after sending
        AwaitClose,  // wait, a few seconds at most, for the client to close the connection
        StaySilent,  // send nothing at all and wait for the client to give up
    };
    std::string bytes;
    Then then = Then::Close;
    int trickleMs = 0;  // above 0: the bytes go one at a time, this many milliseconds apart
};

struct ReceivedRequest {
    std::string head;  // request line and header lines, up to and including the empty line
    std::string body;  // the Content-Length bytes that followed
    // After an AwaitClose answer: the client closed the connection in time.
    bool closedByClient = false;
};

class LoopbackServer {
public:
    explicit LoopbackServer(std::vector<ScriptedAnswer> script, bool ipv6 = false);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t Port() const { return port_; }
    // "http://127.0.0.1:PORT" (or "http://[::1]:PORT") followed by `path`.
    std::string Url(const std::string& path = "/") const;
    // Waits until the script has run and returns what the client sent, one per connection.
    const std::vector<ReceivedRequest>& Requests();

private:
    void Run(std::vector<ScriptedAnswer> script);

    bool ipv6_;
    platform::TcpListener listener_;
    std::uint16_t port_ = 0;
    std::vector<ReceivedRequest> requests_;
    std::thread thread_;
};

// A head of the given status line and header lines, an empty line, then `body`.
std::string Answer(const std::string& statusLine, const std::vector<std::string>& headers,
                   const std::string& body = "");

// Reads one request (head and Content-Length body) from `connection`; false when the
// client sent none before closing or within a few seconds.
bool ReadRequest(platform::TcpSocket& connection, ReceivedRequest& request);

}  // namespace http_test

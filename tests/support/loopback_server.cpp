#include "tests/support/loopback_server.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

namespace http_test {
namespace {

// Bounds that keep a failing test from hanging: no wait is longer than this.
constexpr int kWaitMs = 5000;

std::size_t ContentLength(const std::string& head) {
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::stoul(head.substr(at + 17));
}

// Waits for the client to close, reading and dropping whatever it sends.
bool WaitForClose(platform::TcpSocket& connection) {
    char piece[4096];
    std::size_t received;
    platform::SocketError error;
    for (;;) {
        switch (connection.Receive(piece, sizeof piece, kWaitMs, received, error)) {
            case platform::IoStatus::Done:
                continue;
            case platform::IoStatus::Closed:
                return true;
            default:
                return false;
        }
    }
}

}  // namespace

bool ReadRequest(platform::TcpSocket& connection, ReceivedRequest& request) {
    std::string data;
    char piece[4096];
    std::size_t received;
    platform::SocketError error;
    std::size_t headEnd;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        if (connection.Receive(piece, sizeof piece, kWaitMs, received, error) !=
            platform::IoStatus::Done)
            return false;
        data.append(piece, received);
    }
    request.head = data.substr(0, headEnd + 4);
    request.body = data.substr(headEnd + 4);
    const std::size_t length = ContentLength(request.head);
    while (request.body.size() < length) {
        if (connection.Receive(piece, sizeof piece, kWaitMs, received, error) !=
            platform::IoStatus::Done)
            return false;
        request.body.append(piece, received);
    }
    return true;
}

std::string Answer(const std::string& statusLine, const std::vector<std::string>& headers,
                   const std::string& body) {
    std::string answer = statusLine + "\r\n";
    for (const auto& header : headers) answer += header + "\r\n";
    return answer + "\r\n" + body;
}

LoopbackServer::LoopbackServer(std::vector<ScriptedAnswer> script, bool ipv6) : ipv6_(ipv6) {
    platform::SocketError error;
    if (!listener_.Listen(ipv6, 8, error))
        throw std::runtime_error("cannot listen on loopback: " + error.text);
    port_ = listener_.Port();
    thread_ = std::thread(&LoopbackServer::Run, this, std::move(script));
}

LoopbackServer::~LoopbackServer() {
    if (thread_.joinable()) thread_.join();
}

std::string LoopbackServer::Url(const std::string& path) const {
    return std::string(ipv6_ ? "http://[::1]:" : "http://127.0.0.1:") + std::to_string(port_) +
           path;
}

const std::vector<ReceivedRequest>& LoopbackServer::Requests() {
    if (thread_.joinable()) thread_.join();
    return requests_;
}

void LoopbackServer::Run(std::vector<ScriptedAnswer> script) {
    for (const ScriptedAnswer& step : script) {
        platform::TcpSocket connection;
        platform::SocketError error;
        if (listener_.Accept(connection, kWaitMs, error) != platform::IoStatus::Done) break;
        ReceivedRequest request;
        ReadRequest(connection, request);
        requests_.push_back(request);
        if (step.then == ScriptedAnswer::Then::StaySilent) {
            WaitForClose(connection);
            continue;
        }
        if (step.trickleMs > 0) {
            for (char byte : step.bytes) {
                std::this_thread::sleep_for(std::chrono::milliseconds(step.trickleMs));
                if (connection.SendAll(&byte, 1, kWaitMs, error) != platform::IoStatus::Done) break;
            }
        } else {
            connection.SendAll(step.bytes.data(), step.bytes.size(), kWaitMs, error);
        }
        if (step.then == ScriptedAnswer::Then::AwaitClose)
            requests_.back().closedByClient = WaitForClose(connection);
    }
    listener_.Close();
}

}  // namespace http_test

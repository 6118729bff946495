// An HTTP server inside the process for the HTTP fuzz targets: the client's connections go to
// it through the connector seam, never to the network. Each connection answers with the next
// scripted answer and records what the client sent.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/connection.h"

namespace fuzz {

struct ScriptedExchange {
    enum class ConnectOutcome { Done, TimedOut, Failed };
    // What a receive meets once the answer's bytes are all handed out.
    enum class AfterAnswer { Close, TimeOut, Fail, RepeatForever };

    ConnectOutcome connect = ConnectOutcome::Done;
    bool sendFails = false;
    std::string answer;
    // Bytes handed out per receive, taken in turn (0 stands for the client's whole piece).
    std::vector<std::size_t> pieceSizes{0};
    AfterAnswer after = AfterAnswer::Close;
};

// Bytes that a RepeatForever answer hands out before it closes after all, so that a client
// without bounds shows up as a finding rather than as a hang.
inline constexpr std::size_t kEndlessAnswerLimit = 16 * 1024 * 1024;

class FakeServer {
public:
    explicit FakeServer(std::vector<ScriptedExchange> exchanges);
    // A connector for the client; it must not outlive this server.
    std::unique_ptr<platform::Connector> Connector();

    // Per connection made: the bytes the client sent, and how many answer bytes it took.
    struct Record {
        std::string sent;
        std::size_t received = 0;
    };
    const std::vector<Record>& records() const { return records_; }

private:
    class FakeConnector;
    class FakeConnection;

    std::vector<ScriptedExchange> exchanges_;
    std::vector<Record> records_;
};

}  // namespace fuzz

#include "tests/fuzz/fake_server.h"

#include <algorithm>
#include <cstring>

namespace fuzz {

using platform::IoStatus;

class FakeServer::FakeConnection : public platform::Connection {
public:
    FakeConnection(const ScriptedExchange& script, Record& record)
        : script_(script), record_(record) {}

    IoStatus SendAll(const void* data, std::size_t size, int, platform::SocketError& error) override {
        if (script_.sendFails) {
            error = {104, "Connection reset by peer"};
            return IoStatus::Failed;
        }
        record_.sent.append(static_cast<const char*>(data), size);
        return IoStatus::Done;
    }

    IoStatus Receive(void* buffer, std::size_t size, int, std::size_t& received,
                     platform::SocketError& error) override {
        const std::string& answer = script_.answer;
        const bool endless = script_.after == ScriptedExchange::AfterAnswer::RepeatForever;
        if (offset_ == answer.size() && endless && !answer.empty() &&
            record_.received < kEndlessAnswerLimit) {
            offset_ = 0;
        }
        if (offset_ == answer.size()) {
            switch (script_.after) {
                case ScriptedExchange::AfterAnswer::TimeOut:
                    return IoStatus::TimedOut;
                case ScriptedExchange::AfterAnswer::Fail:
                    error = {104, "Connection reset by peer"};
                    return IoStatus::Failed;
                default:
                    return IoStatus::Closed;
            }
        }
        // An endless answer comes in whole pieces, so that reaching a bound stays quick.
        std::size_t piece = endless ? 0 : script_.pieceSizes[pieceIndex_++ % script_.pieceSizes.size()];
        if (piece == 0) piece = size;
        received = std::min({piece, size, answer.size() - offset_});
        std::memcpy(buffer, answer.data() + offset_, received);
        offset_ += received;
        record_.received += received;
        return IoStatus::Done;
    }

private:
    const ScriptedExchange& script_;
    Record& record_;
    std::size_t offset_ = 0;
    std::size_t pieceIndex_ = 0;
};

class FakeServer::FakeConnector : public platform::Connector {
public:
    explicit FakeConnector(FakeServer& server) : server_(server) {}

    IoStatus Connect(const platform::Endpoint&, int, std::unique_ptr<platform::Connection>& connection,
                     platform::SocketError& error) override {
        auto& records = server_.records_;
        const auto& exchanges = server_.exchanges_;
        // Connections beyond the script meet a refusal.
        if (records.size() == exchanges.size()) {
            error = {111, "Connection refused"};
            return IoStatus::Failed;
        }
        const ScriptedExchange& script = exchanges[records.size()];
        records.emplace_back();
        switch (script.connect) {
            case ScriptedExchange::ConnectOutcome::TimedOut:
                return IoStatus::TimedOut;
            case ScriptedExchange::ConnectOutcome::Failed:
                error = {111, "Connection refused"};
                return IoStatus::Failed;
            case ScriptedExchange::ConnectOutcome::Done:
                break;
        }
        connection = std::make_unique<FakeConnection>(script, records.back());
        return IoStatus::Done;
    }

private:
    FakeServer& server_;
};

FakeServer::FakeServer(std::vector<ScriptedExchange> exchanges) : exchanges_(std::move(exchanges)) {
    records_.reserve(exchanges_.size());  // connections keep references into it
}

std::unique_ptr<platform::Connector> FakeServer::Connector() {
    return std::make_unique<FakeConnector>(*this);
}

}  // namespace fuzz

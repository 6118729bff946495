// The TCP connector's cancel: set from another thread, it ends the wait in progress long
// before its time-out, and every later one at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/connection.h"
#include "tests/support/loopback_server.h"

namespace {

using http_test::LoopbackServer;
using http_test::ScriptedAnswer;
using platform::IoStatus;
using Clock = std::chrono::steady_clock;

TEST(TcpConnector, ACancelEndsTheWaitForASilentServerAndEveryLaterConnect) {
    LoopbackServer server({{"", ScriptedAnswer::Then::StaySilent}});
    platform::CancelFlag cancel{false};
    const auto connector = platform::MakeTcpConnector(&cancel);
    const platform::Endpoint endpoint{"http", "127.0.0.1", server.Port()};
    std::unique_ptr<platform::Connection> connection;
    platform::SocketError error;
    ASSERT_EQ(connector->Connect(endpoint, 5000, connection, error), IoStatus::Done) << error.text;
    const std::string request = "POST / HTTP/1.0\r\nContent-Length: 0\r\n\r\n";
    ASSERT_EQ(connection->SendAll(request.data(), request.size(), 5000, error), IoStatus::Done);

    std::thread quit([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const auto started = Clock::now();
    char answer[16];
    std::size_t received = 0;
    EXPECT_EQ(connection->Receive(answer, sizeof answer, 60000, received, error),
              IoStatus::Failed);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(30));  // not the time-out
    quit.join();
    connection.reset();

    std::unique_ptr<platform::Connection> later;
    EXPECT_EQ(connector->Connect(endpoint, 5000, later, error), IoStatus::Failed);
    EXPECT_EQ(later, nullptr);
    EXPECT_EQ(connector->Connect({"http", "localhost", server.Port()}, 5000, later, error),
              IoStatus::Failed);
}

}  // namespace

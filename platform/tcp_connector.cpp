#include "platform/connection.h"
#include "platform/deadline.h"
#include "platform/socket_system.h"

namespace platform {
namespace {

class TcpConnection : public Connection {
public:
    explicit TcpConnection(TcpSocket socket) : socket_(std::move(socket)) {}
    IoStatus SendAll(const void* data, std::size_t size, int timeoutMs,
                     SocketError& error) override {
        return socket_.SendAll(data, size, timeoutMs, error);
    }
    IoStatus Receive(void* buffer, std::size_t size, int timeoutMs, std::size_t& received,
                     SocketError& error) override {
        return socket_.Receive(buffer, size, timeoutMs, received, error);
    }

private:
    TcpSocket socket_;
};

class TcpConnector : public Connector {
public:
    explicit TcpConnector(const CancelFlag* cancel) : cancel_(cancel) {}

    IoStatus Connect(const Endpoint& endpoint, int timeoutMs,
                     std::unique_ptr<Connection>& connection, SocketError& error) override {
        if (cancel_ && cancel_->load()) {
            error = socket_system::ErrorFor(socket_system::kCancelled);
            return IoStatus::Failed;
        }
        // The name lookup counts against the time-out as the connects do.
        const Deadline deadline(timeoutMs);
        std::vector<SocketAddress> addresses;
        const IoStatus resolved =
            ResolveHostWithin(endpoint.host, endpoint.port, timeoutMs, cancel_, addresses, error);
        if (resolved != IoStatus::Done) return resolved;
        for (const auto& address : addresses) {
            const int remaining = deadline.Remaining();
            if (remaining == 0) return IoStatus::TimedOut;
            TcpSocket socket;
            socket.CancelWhen(cancel_);
            const IoStatus status = socket.Connect(address, remaining, error);
            if (status == IoStatus::Done) {
                connection = std::make_unique<TcpConnection>(std::move(socket));
                return status;
            }
            if (status == IoStatus::TimedOut) return status;
        }
        return IoStatus::Failed;
    }

private:
    const CancelFlag* cancel_;
};

}  // namespace

std::unique_ptr<Connector> MakeTcpConnector(const CancelFlag* cancel) {
    return std::make_unique<TcpConnector>(cancel);
}

}  // namespace platform

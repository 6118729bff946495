#include "platform/connection.h"
#include "platform/tls_session.h"

namespace platform {
namespace {

class TlsConnector : public Connector {
public:
    explicit TlsConnector(std::unique_ptr<Connector> transport)
        : transport_(std::move(transport)) {}
    IoStatus Connect(const Endpoint& endpoint, int timeoutMs,
                     std::unique_ptr<Connection>& connection, SocketError& error) override {
        std::unique_ptr<Connection> plain;
        const IoStatus status = transport_->Connect(endpoint, timeoutMs, plain, error);
        if (status != IoStatus::Done) return status;
        connection = tls::StartSession(std::move(plain), endpoint.host, error);
        return connection ? IoStatus::Done : IoStatus::Failed;
    }

private:
    std::unique_ptr<Connector> transport_;
};

}  // namespace

std::unique_ptr<Connector> MakeTlsConnector(std::unique_ptr<Connector> transport) {
    return std::make_unique<TlsConnector>(std::move(transport));
}

}  // namespace platform

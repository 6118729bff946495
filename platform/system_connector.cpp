#include "platform/connection.h"

namespace platform {
namespace {

class SchemeConnector : public Connector {
public:
    explicit SchemeConnector(const CancelFlag* cancel)
        : tcp_(MakeTcpConnector(cancel)), tls_(MakeTlsConnector(MakeTcpConnector(cancel))) {}

    IoStatus Connect(const Endpoint& endpoint, int timeoutMs,
                     std::unique_ptr<Connection>& connection, SocketError& error) override {
        Connector& chosen = endpoint.scheme == "https" ? *tls_ : *tcp_;
        return chosen.Connect(endpoint, timeoutMs, connection, error);
    }

private:
    std::unique_ptr<Connector> tcp_;
    std::unique_ptr<Connector> tls_;
};

}  // namespace

std::unique_ptr<Connector> MakeSystemConnector(const CancelFlag* cancel) {
    return std::make_unique<SchemeConnector>(cancel);
}

}  // namespace platform

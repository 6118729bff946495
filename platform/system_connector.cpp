#include "platform/connection.h"

namespace platform {
namespace {

class SchemeConnector : public Connector {
public:
    IoStatus Connect(const Endpoint& endpoint, int timeoutMs,
                     std::unique_ptr<Connection>& connection, SocketError& error) override {
        Connector& chosen = endpoint.scheme == "https" ? *tls_ : *tcp_;
        return chosen.Connect(endpoint, timeoutMs, connection, error);
    }

private:
    std::unique_ptr<Connector> tcp_ = MakeTcpConnector();
    std::unique_ptr<Connector> tls_ = MakeTlsConnector(MakeTcpConnector());
};

}  // namespace

std::unique_ptr<Connector> MakeSystemConnector() { return std::make_unique<SchemeConnector>(); }

}  // namespace platform

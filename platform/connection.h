// The byte stream the HTTP client talks through, and what opens one. Plain TCP is made
// here; other transports (and the fakes of tests and fuzzers) implement the same two classes,
// so the client never knows which one carries its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sockets.h"

namespace platform {

// A connected stream. Closed by its destructor.
class Connection {
public:
    virtual ~Connection() = default;
    // Sends every byte; each wait for room is bounded by `timeoutMs`. Closed when the peer
    // has closed or reset the connection meanwhile.
    virtual IoStatus SendAll(const void* data, std::size_t size, int timeoutMs,
                             SocketError& error) = 0;
    // Waits up to `timeoutMs` for data, then reads up to `size` bytes (count in `received`).
    virtual IoStatus Receive(void* buffer, std::size_t size, int timeoutMs,
                             std::size_t& received, SocketError& error) = 0;
};

// Where a connection goes: the URL's scheme, host (no brackets) and port.
struct Endpoint {
    std::string scheme;
    std::string host;
    std::uint16_t port = 0;
};

class Connector {
public:
    virtual ~Connector() = default;
    // Resolves the host and connects to its addresses in turn, all within `timeoutMs`
    // (0 or less: no bound of its own). Done with `connection` set; TimedOut; or Failed
    // with `error` saying why.
    virtual IoStatus Connect(const Endpoint& endpoint, int timeoutMs,
                             std::unique_ptr<Connection>& connection, SocketError& error) = 0;
};

// Plain TCP over the system's sockets. Setting `*cancel` (from another thread) ends the
// name lookup, connect, send or receive in progress, and every later one, as a failure.
std::unique_ptr<Connector> MakeTcpConnector(const CancelFlag* cancel = nullptr);

// TLS over the connections that `transport` opens, through the system's TLS (Schannel on
// Windows, OpenSSL elsewhere): TLS 1.2 at least, the host name sent and the certificate
// always checked against the system's trust store and the host name. The handshake runs in
// the first SendAll or Receive and, as a whole, within that call's time-out. Its failures
// are Failed with the kind Tls, Certificate or TlsUnavailable.
std::unique_ptr<Connector> MakeTlsConnector(std::unique_ptr<Connector> transport);

// By the endpoint's scheme: "https" through TLS over TCP, every other one plain TCP; both
// ended by `*cancel` as MakeTcpConnector says.
std::unique_ptr<Connector> MakeSystemConnector(const CancelFlag* cancel = nullptr);

}  // namespace platform

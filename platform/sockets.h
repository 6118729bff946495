// TCP sockets for the HTTP client (and the loopback servers of its tests): name resolution,
// connect with a time-out, send, wait until readable, receive, close. Every wait is bounded
// by the caller's time-out; sockets are closed by their destructors on every path.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Keeps the system's socket library started while any instance lives: Windows Sockets is
// started with the first instance in the process and cleaned up with the last one.
class SocketLibrary {
public:
    SocketLibrary();
    ~SocketLibrary();
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;
    // 0 when the library is usable, else the system's error number.
    int StartError() const { return startError_; }

private:
    int startError_ = 0;
};

// Which layer a failure comes from: the connection itself, the TLS layer, the server's
// certificate, or a TLS layer that the system cannot start at all.
enum class FailureKind { Socket, Tls, Certificate, TlsUnavailable };

// What a failed call reports: the system's error number and the system's text for it (for
// TLS and certificate failures, the whole message, code included).
struct SocketError {
    int code = 0;
    std::string text;
    FailureKind kind = FailureKind::Socket;
};

// One address to connect to, in the system's own form.
struct SocketAddress {
    alignas(8) unsigned char bytes[128] = {};
    int length = 0;
};

enum class IoStatus {
    Done,      // the operation completed
    Closed,    // the peer closed the connection (Receive), or closed or reset it (SendAll)
    TimedOut,  // the time-out passed first
    Failed,    // `error` says why
};

// What another thread sets to end the waits that watch it, within a moment, as failures.
using CancelFlag = std::atomic<bool>;

// The addresses of `host` (a name, or an IPv4 or IPv6 literal without brackets) for TCP on
// `port`, in the system's order of preference, within `timeoutMs` (0 or less: no bound) and
// ended by `cancel`: a name is looked up on a thread of its own, which a lookup that never
// returns leaves behind; while 4 are left behind, no other starts and the result is TimedOut
// at once. Done with `addresses` set; TimedOut; or Failed with `error` saying why (a name
// that does not resolve among them).
IoStatus ResolveHostWithin(const std::string& host, std::uint16_t port, int timeoutMs,
                           const CancelFlag* cancel, std::vector<SocketAddress>& addresses,
                           SocketError& error);

// A connected TCP stream. A time-out of 0 or less means no bound of the socket's own.
class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;

    // Opens a socket and connects it, returning as soon as the connection is made. On a
    // time-out or a failure the socket is closed again: nothing is left behind.
    IoStatus Connect(const SocketAddress& address, int timeoutMs, SocketError& error);
    // Sends every byte; each wait for room in the send buffer is bounded by `timeoutMs`.
    // Closed when the peer has closed or reset the connection meanwhile.
    IoStatus SendAll(const void* data, std::size_t size, int timeoutMs, SocketError& error);
    // Waits until data, or the peer's close, can be read, then reads up to `size` bytes into `buffer` (count in `received`).
    IoStatus Receive(void* buffer, std::size_t size, int timeoutMs, std::size_t& received,
                     SocketError& error);

    bool IsOpen() const;
    void Close();
    // From now on every wait of this socket also ends, as a failure, soon after `*cancel`
    // is set (by another thread); null watches nothing.
    void CancelWhen(const CancelFlag* cancel) { cancel_ = cancel; }

private:
    friend class TcpListener;
    SocketLibrary library_;
    const CancelFlag* cancel_ = nullptr;
#ifdef _WIN32
    std::uintptr_t handle_ = ~std::uintptr_t{0};
#else
    int handle_ = -1;
#endif
};

// A listening socket on a loopback address with a port that the system picks.
class TcpListener {
public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Listens on 127.0.0.1, or on ::1 when `ipv6`; `backlog` is the accept queue's length.
    bool Listen(bool ipv6, int backlog, SocketError& error);
    std::uint16_t Port() const { return port_; }
    // Waits for the next connection and hands it over in `connection`.
    IoStatus Accept(TcpSocket& connection, int timeoutMs, SocketError& error);
    void Close();

private:
    TcpSocket socket_;
    std::uint16_t port_ = 0;
};

}  // namespace platform

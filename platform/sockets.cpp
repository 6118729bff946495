#include "platform/sockets.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/deadline.h"
#include "platform/detached_thread.h"
#include "platform/socket_system.h"

namespace platform {
namespace sys = socket_system;
namespace {

std::mutex libraryMutex;
int libraryUsers = 0;

// How often a wait that can be cancelled looks at its flag.
constexpr int kCancelCheckMs = 50;

bool IsCancelled(const CancelFlag* cancel) { return cancel && cancel->load(); }

// Milliseconds for the next single wait: what is left, in steps short enough to notice a
// cancel in time.
int NextWait(const Deadline& deadline, const CancelFlag* cancel) {
    const int left = deadline.Remaining();
    if (!cancel) return left;
    return left < 0 ? kCancelCheckMs : std::min(left, kCancelCheckMs);
}

// Waits until the deadline or the cancel; a signal that interrupts the wait does not end it.
IoStatus WaitUntil(sys::Native socket, bool forWriting, const Deadline& deadline,
                   const CancelFlag* cancel, SocketError& error) {
    for (;;) {
        if (IsCancelled(cancel)) {
            error = sys::ErrorFor(sys::kCancelled);
            return IoStatus::Failed;
        }
        int result = sys::Wait(socket, forWriting, NextWait(deadline, cancel));
        if (result > 0) return IoStatus::Done;
        if (result == 0) {
            if (deadline.Remaining() == 0) return IoStatus::TimedOut;
            continue;
        }
        int code = sys::LastError();
        if (!sys::Interrupted(code)) {
            error = sys::ErrorFor(code);
            return IoStatus::Failed;
        }
    }
}

template <typename Handle>
sys::Native AsNative(Handle handle) {
    return static_cast<sys::Native>(handle);
}

template <typename Handle>
Handle NoHandle() {
    return static_cast<Handle>(sys::kNone);
}

}  // namespace

SocketLibrary::SocketLibrary() {
    std::lock_guard<std::mutex> lock(libraryMutex);
    if (libraryUsers == 0) startError_ = sys::Start();
    if (startError_ == 0) ++libraryUsers;
}

SocketLibrary::~SocketLibrary() {
    std::lock_guard<std::mutex> lock(libraryMutex);
    if (startError_ == 0 && --libraryUsers == 0) sys::Stop();
}

namespace {

// getaddrinfo for TCP with `flags`; empty, with `error` set, when nothing is found.
std::vector<SocketAddress> LookUp(const std::string& host, std::uint16_t port, int flags,
                                  SocketError& error) {
    SocketLibrary library;
    if (library.StartError() != 0) {
        error = sys::ErrorFor(library.StartError());
        return {};
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = flags;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    int result = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (result != 0) {
        error = sys::ResolveErrorFor(result);
        return {};
    }
    std::vector<SocketAddress> addresses;
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(SocketAddress::bytes)) continue;
        SocketAddress address;
        std::memcpy(address.bytes, entry->ai_addr, entry->ai_addrlen);
        address.length = static_cast<int>(entry->ai_addrlen);
        addresses.push_back(address);
    }
    freeaddrinfo(found);
    return addresses;
}

// What a lookup thread hands back; shared, since the thread may outlive the one waiting.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool leftBehind = false;  // the one waiting gave up
    std::vector<SocketAddress> addresses;
    SocketError error;
};

// Lookups whose waiter gave up but which still run. Each holds a thread, so a name server
// that never answers may not pile them up: beyond the cap a lookup is not started.
constexpr int kMaxLeftBehind = 4;
std::atomic<int> leftBehindLookups{0};

// Called with the lookup's mutex held, when the one waiting gives up.
void LeaveBehind(Lookup& lookup) {
    if (lookup.done || lookup.leftBehind) return;
    lookup.leftBehind = true;
    ++leftBehindLookups;
}

}  // namespace

IoStatus ResolveHostWithin(const std::string& host, std::uint16_t port, int timeoutMs,
                           const CancelFlag* cancel, std::vector<SocketAddress>& addresses,
                           SocketError& error) {
    // An address literal needs no lookup: it is converted at once, on this thread.
    SocketError notLiteral;
    addresses = LookUp(host, port, AI_NUMERICHOST, notLiteral);
    if (!addresses.empty()) return IoStatus::Done;
    if (IsCancelled(cancel)) {
        error = sys::ErrorFor(sys::kCancelled);
        return IoStatus::Failed;
    }
    // As if this lookup, too, had run out of time.
    if (leftBehindLookups.load() >= kMaxLeftBehind) return IoStatus::TimedOut;
    const Deadline deadline(timeoutMs);
    auto lookup = std::make_shared<Lookup>();
    const bool started = StartDetachedThread([lookup, host, port] {
        SocketError lookupError;
        auto found = LookUp(host, port, 0, lookupError);
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->addresses = std::move(found);
        lookup->error = std::move(lookupError);
        lookup->done = true;
        if (lookup->leftBehind) --leftBehindLookups;
        lookup->finished.notify_all();
    });
    if (!started) {
        error = {0, "No thread for the name lookup"};
        return IoStatus::Failed;
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    for (;;) {
        if (lookup->done) break;
        if (IsCancelled(cancel)) {
            LeaveBehind(*lookup);
            error = sys::ErrorFor(sys::kCancelled);
            return IoStatus::Failed;
        }
        const int wait = NextWait(deadline, cancel);
        if (wait == 0) {
            LeaveBehind(*lookup);
            return IoStatus::TimedOut;
        }
        if (wait < 0) {
            lookup->finished.wait(lock);
        } else {
            lookup->finished.wait_for(lock, std::chrono::milliseconds(wait));
        }
    }
    if (lookup->addresses.empty()) {
        error = lookup->error;
        return IoStatus::Failed;
    }
    addresses = std::move(lookup->addresses);
    return IoStatus::Done;
}

TcpSocket::~TcpSocket() { Close(); }

TcpSocket::TcpSocket(TcpSocket&& other) noexcept
    : cancel_(other.cancel_), handle_(std::exchange(other.handle_, NoHandle<decltype(handle_)>())) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        cancel_ = other.cancel_;
        handle_ = std::exchange(other.handle_, NoHandle<decltype(handle_)>());
    }
    return *this;
}

bool TcpSocket::IsOpen() const { return AsNative(handle_) != sys::kNone; }

void TcpSocket::Close() {
    if (IsOpen()) {
        sys::CloseNative(AsNative(handle_));
        handle_ = NoHandle<decltype(handle_)>();
    }
}

IoStatus TcpSocket::Connect(const SocketAddress& address, int timeoutMs, SocketError& error) {
    Close();
    if (library_.StartError() != 0) {
        error = sys::ErrorFor(library_.StartError());
        return IoStatus::Failed;
    }
    const Deadline deadline(timeoutMs);
    const auto* target = reinterpret_cast<const sockaddr*>(address.bytes);
    sys::Native socket = ::socket(target->sa_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == sys::kNone) {
        error = sys::ErrorFor(sys::LastError());
        return IoStatus::Failed;
    }
    handle_ = static_cast<decltype(handle_)>(socket);
    // Non-blocking, so that the wait below ends the moment the connect completes and a
    // connect that never completes is simply closed: no thread is needed for the time-out.
    if (!sys::MakeNonBlocking(socket)) {
        error = sys::ErrorFor(sys::LastError());
        Close();
        return IoStatus::Failed;
    }
    // Small writes (the request head, a TLS handshake's last flight) leave at once rather
    // than wait for the server's delayed acknowledgement of the write before them.
    const int noDelay = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    if (::connect(socket, target, address.length) == 0) return IoStatus::Done;
    int code = sys::LastError();
    if (!sys::ConnectPending(code)) {
        error = sys::ErrorFor(code);
        Close();
        return IoStatus::Failed;
    }
    IoStatus waited = WaitUntil(socket, true, deadline, cancel_, error);
    if (waited == IoStatus::Done) {
        int outcome = 0;
        socklen_t length = sizeof outcome;
        if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&outcome),
                       &length) != 0) {
            outcome = sys::LastError();
        }
        if (outcome == 0) return IoStatus::Done;
        error = sys::ErrorFor(outcome);
        waited = IoStatus::Failed;
    }
    Close();
    return waited;
}

IoStatus TcpSocket::SendAll(const void* data, std::size_t size, int timeoutMs,
                            SocketError& error) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const int piece = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
        const auto sent = ::send(AsNative(handle_), bytes, piece, sys::SendFlags());
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<std::size_t>(sent);
            continue;
        }
        int code = sys::LastError();
        if (sys::Interrupted(code)) continue;
        if (sys::ClosedByPeer(code)) return IoStatus::Closed;
        if (!sys::WouldBlock(code)) {
            error = sys::ErrorFor(code);
            return IoStatus::Failed;
        }
        IoStatus waited = WaitUntil(AsNative(handle_), true, Deadline(timeoutMs), cancel_, error);
        if (waited != IoStatus::Done) return waited;
    }
    return IoStatus::Done;
}

IoStatus TcpSocket::Receive(void* buffer, std::size_t size, int timeoutMs, std::size_t& received,
                            SocketError& error) {
    received = 0;
    const Deadline deadline(timeoutMs);
    for (;;) {
        IoStatus waited = WaitUntil(AsNative(handle_), false, deadline, cancel_, error);
        if (waited != IoStatus::Done) return waited;
        const int piece = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
        const auto got = ::recv(AsNative(handle_), static_cast<char*>(buffer), piece, 0);
        if (got > 0) {
            received = static_cast<std::size_t>(got);
            return IoStatus::Done;
        }
        if (got == 0) return IoStatus::Closed;
        int code = sys::LastError();
        if (!sys::Interrupted(code) && !sys::WouldBlock(code)) {
            error = sys::ErrorFor(code);
            return IoStatus::Failed;
        }
    }
}

TcpListener::~TcpListener() { Close(); }

void TcpListener::Close() {
    socket_.Close();
    port_ = 0;
}

bool TcpListener::Listen(bool ipv6, int backlog, SocketError& error) {
    Close();
    if (socket_.library_.StartError() != 0) {
        error = sys::ErrorFor(socket_.library_.StartError());
        return false;
    }
    sockaddr_storage address{};
    socklen_t length;
    if (ipv6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
        v6.sin6_family = AF_INET6;
        v6.sin6_addr = in6addr_loopback;
        length = sizeof v6;
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(address);
        v4.sin_family = AF_INET;
        v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof v4;
    }
    sys::Native socket = ::socket(address.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == sys::kNone) {
        error = sys::ErrorFor(sys::LastError());
        return false;
    }
    socket_.handle_ = static_cast<decltype(socket_.handle_)>(socket);
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(socket, backlog) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        !sys::MakeNonBlocking(socket)) {
        error = sys::ErrorFor(sys::LastError());
        Close();
        return false;
    }
    port_ = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                       : reinterpret_cast<sockaddr_in&>(address).sin_port);
    return true;
}

IoStatus TcpListener::Accept(TcpSocket& connection, int timeoutMs, SocketError& error) {
    const Deadline deadline(timeoutMs);
    const auto listening = AsNative(socket_.handle_);
    for (;;) {
        IoStatus waited = WaitUntil(listening, false, deadline, socket_.cancel_, error);
        if (waited != IoStatus::Done) return waited;
        sys::Native accepted = ::accept(listening, nullptr, nullptr);
        if (accepted != sys::kNone) {
            connection.Close();
            connection.handle_ = static_cast<decltype(connection.handle_)>(accepted);
            if (!sys::MakeNonBlocking(accepted)) {
                error = sys::ErrorFor(sys::LastError());
                connection.Close();
                return IoStatus::Failed;
            }
            return IoStatus::Done;
        }
        int code = sys::LastError();
        if (!sys::Interrupted(code) && !sys::WouldBlock(code)) {
            error = sys::ErrorFor(code);
            return IoStatus::Failed;
        }
    }
}

}  // namespace platform

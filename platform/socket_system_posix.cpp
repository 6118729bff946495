#include "platform/socket_system.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace platform::socket_system {

int Start() { return 0; }
void Stop() {}

int LastError() { return errno; }

SocketError ErrorFor(int code) { return {code, std::strerror(code)}; }

SocketError ResolveErrorFor(int result) {
    if (result == EAI_SYSTEM) return ErrorFor(errno);
    return {result, gai_strerror(result)};
}

void CloseNative(Native socket) { ::close(socket); }

bool MakeNonBlocking(Native socket) {
    int flags = fcntl(socket, F_GETFL, 0);
    return flags != -1 && fcntl(socket, F_SETFL, flags | O_NONBLOCK) != -1;
}

bool ConnectPending(int code) { return code == EINPROGRESS; }
bool WouldBlock(int code) { return code == EAGAIN || code == EWOULDBLOCK; }
bool Interrupted(int code) { return code == EINTR; }
bool ClosedByPeer(int code) { return code == EPIPE || code == ECONNRESET; }

int Wait(Native socket, bool forWriting, int timeoutMs) {
    pollfd entry{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    int result = ::poll(&entry, 1, timeoutMs < 0 ? -1 : timeoutMs);
    return result > 0 ? 1 : result;
}

int SendFlags() { return MSG_NOSIGNAL; }

}  // namespace platform::socket_system

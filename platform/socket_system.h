// Private to the sockets module: the few calls in which Windows Sockets and POSIX sockets
// differ. Everything else in sockets.cpp is written once for both.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#endif

#include "platform/sockets.h"

namespace platform::socket_system {

#ifdef _WIN32
using Native = SOCKET;
inline const Native kNone = INVALID_SOCKET;
inline constexpr int kCancelled = WSAECANCELLED;
#else
using Native = int;
inline const Native kNone = -1;
inline constexpr int kCancelled = ECANCELED;
#endif

// Starts / stops the system library (a no-op on POSIX); Start returns 0 or an error number.
int Start();
void Stop();

int LastError();
SocketError ErrorFor(int code);
// A failure of getaddrinfo, whose codes are not the socket error numbers on POSIX.
SocketError ResolveErrorFor(int result);

void CloseNative(Native socket);
bool MakeNonBlocking(Native socket);
bool ConnectPending(int code);
bool WouldBlock(int code);
bool Interrupted(int code);
// A send failed because the peer closed or reset the connection.
bool ClosedByPeer(int code);
// Waits for readability, or writability / a failed connect when `forWriting`:
// 1 ready, 0 timed out, -1 failed. A negative `timeoutMs` waits without bound.
int Wait(Native socket, bool forWriting, int timeoutMs);
// Flags for send: no signal on a broken connection.
int SendFlags();

}  // namespace platform::socket_system

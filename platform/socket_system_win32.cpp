#include "platform/socket_system.h"

#include <windows.h>

namespace platform::socket_system {

int Start() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}

void Stop() { WSACleanup(); }

int LastError() { return WSAGetLastError(); }

SocketError ErrorFor(int code) {
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    // The system's texts end with a line break that a message does not want.
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) --length;
    return {code, std::string(text, length)};
}

// getaddrinfo reports Windows Sockets error numbers directly.
SocketError ResolveErrorFor(int result) { return ErrorFor(result); }

void CloseNative(Native socket) { closesocket(socket); }

bool MakeNonBlocking(Native socket) {
    u_long on = 1;
    return ioctlsocket(socket, FIONBIO, &on) == 0;
}

bool ConnectPending(int code) { return code == WSAEWOULDBLOCK || code == WSAEINPROGRESS; }
bool WouldBlock(int code) { return code == WSAEWOULDBLOCK; }
bool Interrupted(int code) { return code == WSAEINTR; }
bool ClosedByPeer(int code) { return code == WSAECONNRESET || code == WSAECONNABORTED; }

int Wait(Native socket, bool forWriting, int timeoutMs) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    // A connect that fails shows in the exception set, not the write set.
    int result = select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr,
                        forWriting ? &failed : nullptr, timeoutMs < 0 ? nullptr : &limit);
    if (result == SOCKET_ERROR) return -1;
    return result > 0 ? 1 : 0;
}

int SendFlags() { return 0; }

}  // namespace platform::socket_system

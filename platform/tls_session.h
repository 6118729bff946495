// Private to the TLS layer: what each system's TLS backend provides, and the failures it
// reports, in the same words on every system.
#pragma once

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "platform/connection.h"

namespace platform::tls {

// A TLS client session over `transport` for `host`; the handshake runs with the first send
// or receive. Null, with `error` set (kind TlsUnavailable), when the system's TLS can't start.
std::unique_ptr<Connection> StartSession(std::unique_ptr<Connection> transport,
                                         const std::string& host, SocketError& error);

enum class CertificateProblem { UnknownIssuer, SelfSigned, OtherName, Expired, NotYetValid,
                                Revoked, Other };

inline SocketError CertificateFailure(CertificateProblem problem, int code,
                                      const std::string& codeText) {
    const char* why = "Certificate not accepted";
    switch (problem) {
        case CertificateProblem::UnknownIssuer: why = "Certificate not trusted: unknown issuer"; break;
        case CertificateProblem::SelfSigned: why = "Certificate not trusted: self-signed"; break;
        case CertificateProblem::OtherName: why = "Certificate is for another name"; break;
        case CertificateProblem::Expired: why = "Certificate has expired"; break;
        case CertificateProblem::NotYetValid: why = "Certificate is not valid yet"; break;
        case CertificateProblem::Revoked: why = "Certificate has been revoked"; break;
        case CertificateProblem::Other: break;
    }
    return {code, std::string(why) + " (code " + codeText + ")", FailureKind::Certificate};
}

// `what` says what failed, e.g. "TLS handshake failed".
inline SocketError TlsFailure(const std::string& what, int code, const std::string& codeText) {
    return {code, what + " (code " + codeText + ")", FailureKind::Tls};
}

inline SocketError TlsUnavailable(int code, const std::string& codeText) {
    return {code, "The system's TLS could not be started (code " + codeText + ")",
            FailureKind::TlsUnavailable};
}

// The end of a time-out that starts now; none (the latest time) for 0 or less.
inline std::chrono::steady_clock::time_point DeadlineIn(int timeoutMs) {
    return timeoutMs > 0 ? std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)
                         : std::chrono::steady_clock::time_point::max();
}

// The transport's time-out for a wait that must end by `deadline`: at least 1 ms so that it
// still polls, and 0 (no bound) when there is no deadline.
inline int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    if (deadline == std::chrono::steady_clock::time_point::max()) return 0;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 1, 0x7fffffff));
}

}  // namespace platform::tls

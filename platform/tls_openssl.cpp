// The TLS layer natively: OpenSSL, driven through memory buffers so that every byte goes
// over the transport connection with its time-outs.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <chrono>
#include <cstdio>

#include "platform/tls_session.h"

namespace platform::tls {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kPieceSize = 32768;  // transport reads, bounding what waits in OpenSSL

struct ContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

// TLS 1.2 with forward secrecy and authenticated encryption only; TLS 1.3's suites are all
// of that kind and stay as OpenSSL offers them.
constexpr char kTls12Suites[] = "ECDHE+AESGCM:ECDHE+CHACHA20:DHE+AESGCM:DHE+CHACHA20:!aNULL";

// One context for the process: the trust store is loaded once, from the default verify
// paths (so SSL_CERT_FILE and SSL_CERT_DIR apply). Null when OpenSSL cannot start.
SSL_CTX* SharedContext() {
    static const std::unique_ptr<SSL_CTX, ContextFree> context = [] {
        std::unique_ptr<SSL_CTX, ContextFree> made(SSL_CTX_new(TLS_client_method()));
        if (made && (SSL_CTX_set_min_proto_version(made.get(), TLS1_2_VERSION) != 1 ||
                     SSL_CTX_set_cipher_list(made.get(), kTls12Suites) != 1 ||
                     SSL_CTX_set_default_verify_paths(made.get()) != 1))
            made.reset();
        if (made) SSL_CTX_set_verify(made.get(), SSL_VERIFY_PEER, nullptr);
        return made;
    }();
    return context.get();
}

std::string Hex(unsigned long code) {
    char text[20];
    std::snprintf(text, sizeof text, "0x%08lX", code);
    return text;
}

CertificateProblem ProblemOf(long verifyResult) {
    switch (verifyResult) {
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
            return CertificateProblem::UnknownIssuer;
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
            return CertificateProblem::SelfSigned;
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return CertificateProblem::OtherName;
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return CertificateProblem::Expired;
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return CertificateProblem::NotYetValid;
        case X509_V_ERR_CERT_REVOKED:
            return CertificateProblem::Revoked;
        default:
            return CertificateProblem::Other;
    }
}

class OpenSslConnection : public Connection {
public:
    OpenSslConnection(std::unique_ptr<Connection> transport, SSL* ssl)
        : transport_(std::move(transport)), ssl_(ssl) {}
    ~OpenSslConnection() override { SSL_free(ssl_); }
    OpenSslConnection(const OpenSslConnection&) = delete;
    OpenSslConnection& operator=(const OpenSslConnection&) = delete;

    IoStatus SendAll(const void* data, std::size_t size, int timeoutMs,
                     SocketError& error) override {
        if (const IoStatus ready = Handshake(timeoutMs, error); ready != IoStatus::Done)
            return ready == IoStatus::Closed ? HandshakeClosed(error) : ready;
        const auto* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const int piece = static_cast<int>(std::min(size, kPieceSize));
            int written = 0;
            const IoStatus status = Run([&] { return written = SSL_write(ssl_, bytes, piece); },
                                        DeadlineIn(timeoutMs), error);
            if (status == IoStatus::Closed) {
                error = {0, "The server closed the TLS connection", FailureKind::Socket};
                return IoStatus::Failed;
            }
            if (status != IoStatus::Done) return status;
            bytes += written;
            size -= static_cast<std::size_t>(written);
        }
        return IoStatus::Done;
    }

    IoStatus Receive(void* buffer, std::size_t size, int timeoutMs, std::size_t& received,
                     SocketError& error) override {
        received = 0;
        if (const IoStatus ready = Handshake(timeoutMs, error); ready != IoStatus::Done)
            return ready == IoStatus::Closed ? HandshakeClosed(error) : ready;
        const int wanted = static_cast<int>(std::min(size, kPieceSize));
        int read = 0;
        const IoStatus status =
            Run([&] { return read = SSL_read(ssl_, buffer, wanted); }, DeadlineIn(timeoutMs), error);
        if (status == IoStatus::Done) received = static_cast<std::size_t>(read);
        return status;
    }

private:
    // The whole handshake within one time-out; done once.
    IoStatus Handshake(int timeoutMs, SocketError& error) {
        if (SSL_is_init_finished(ssl_)) return IoStatus::Done;
        // The client's last handshake flight stays queued and leaves with the first data.
        return Run([&] { return SSL_do_handshake(ssl_); }, DeadlineIn(timeoutMs), error, false);
    }

    static IoStatus HandshakeClosed(SocketError& error) {
        error = TlsFailure("TLS handshake failed: the server closed the connection", 0, "0");
        return IoStatus::Failed;
    }

    // Calls `step` until it succeeds, moving OpenSSL's output to the transport after every
    // call (so alerts reach the server even when the step failed; after success only when
    // `sendNow`) and feeding it the transport's input when it asks for more, every wait
    // ending by `deadline`. Closed: the server closed, with or without a TLS close.
    template <class Step>
    IoStatus Run(Step step, Clock::time_point deadline, SocketError& error, bool sendNow = true) {
        for (;;) {
            ERR_clear_error();
            const int result = step();
            const int failure = result > 0 ? SSL_ERROR_NONE : SSL_get_error(ssl_, result);
            if (failure == SSL_ERROR_NONE && !sendNow) return IoStatus::Done;
            const unsigned long reason = ERR_peek_last_error();
            SocketError sendError;
            const IoStatus flushed = Flush(deadline, sendError);
            if (failure == SSL_ERROR_SSL || failure == SSL_ERROR_SYSCALL)
                return Failed(reason, error);
            if (flushed != IoStatus::Done) {
                error = sendError;
                return flushed;
            }
            if (failure == SSL_ERROR_NONE) return IoStatus::Done;
            if (failure == SSL_ERROR_ZERO_RETURN) return IoStatus::Closed;
            if (failure != SSL_ERROR_WANT_READ) return Failed(reason, error);
            if (Clock::now() >= deadline) return IoStatus::TimedOut;
            char piece[kPieceSize];
            std::size_t received = 0;
            const IoStatus status = transport_->Receive(piece, sizeof piece,
                                                        MillisecondsUntil(deadline), received, error);
            if (status != IoStatus::Done) return status;
            BIO_write(SSL_get_rbio(ssl_), piece, static_cast<int>(received));
        }
    }

    IoStatus Flush(Clock::time_point deadline, SocketError& error) {
        BIO* output = SSL_get_wbio(ssl_);
        char* pending = nullptr;
        const long size = BIO_get_mem_data(output, &pending);
        if (size <= 0) return IoStatus::Done;
        const IoStatus status =
            transport_->SendAll(pending, static_cast<std::size_t>(size), MillisecondsUntil(deadline),
                                error);
        (void)BIO_reset(output);
        return status;
    }

    IoStatus Failed(unsigned long reason, SocketError& error) const {
        const long verified = SSL_get_verify_result(ssl_);
        if (verified != X509_V_OK) {
            error = CertificateFailure(ProblemOf(verified), static_cast<int>(verified),
                                       std::to_string(verified));
            return IoStatus::Failed;
        }
        const char* text = reason != 0 ? ERR_reason_error_string(reason) : nullptr;
        error = TlsFailure(text ? std::string("TLS failed: ") + text : "TLS failed",
                           static_cast<int>(reason), Hex(reason));
        return IoStatus::Failed;
    }

    std::unique_ptr<Connection> transport_;
    SSL* ssl_;
};

}  // namespace

std::unique_ptr<Connection> StartSession(std::unique_ptr<Connection> transport,
                                         const std::string& host, SocketError& error) {
    SSL_CTX* context = SharedContext();
    SSL* ssl = context ? SSL_new(context) : nullptr;
    BIO* input = BIO_new(BIO_s_mem());
    BIO* output = BIO_new(BIO_s_mem());
    if (!ssl || !input || !output) {
        const unsigned long reason = ERR_get_error();
        BIO_free(input);
        BIO_free(output);
        SSL_free(ssl);
        error = TlsUnavailable(static_cast<int>(reason), Hex(reason));
        return nullptr;
    }
    BIO_set_mem_eof_return(input, -1);  // an empty input means "wait for more"
    SSL_set_bio(ssl, input, output);
    SSL_set_connect_state(ssl);
    // An address literal is checked as an address and sent without SNI; a name as a name,
    // and only against the subjectAltName: a name found in the Common Name alone is refused.
    X509_VERIFY_PARAM* check = SSL_get0_param(ssl);
    X509_VERIFY_PARAM_set_hostflags(
        check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS | X509_CHECK_FLAG_NEVER_CHECK_SUBJECT);
    if (X509_VERIFY_PARAM_set1_ip_asc(check, host.c_str()) != 1) {
        SSL_set_tlsext_host_name(ssl, host.c_str());
        X509_VERIFY_PARAM_set1_host(check, host.c_str(), host.size());
    }
    return std::make_unique<OpenSslConnection>(std::move(transport), ssl);
}

}  // namespace platform::tls

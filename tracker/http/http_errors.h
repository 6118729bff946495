// Every error that the HTTP client raises. All derive from EHttpError, so a
// caller catches them all with one handler; the message of each kind is fixed here.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

class EHttpError : public std::runtime_error {
public:
    explicit EHttpError(const std::string& message) : std::runtime_error(message) {}
};

// A URL whose scheme is neither http nor https, with no port to fall back on.
class EUnknownProtocol : public EHttpError {
public:
    EUnknownProtocol() : EHttpError("Unknown Protocol") {}
};

// https, when the system's TLS cannot be started at all.
class ETransportUnavailable : public EHttpError {
public:
    ETransportUnavailable() : EHttpError("Transport is not available") {}
};

// A URL that cannot be sent as written: a control character would end the request line
// early and put lines of its own into the request; a port above 65535 names no port.
class EInvalidUrl : public EHttpError {
public:
    explicit EInvalidUrl(const std::string& reason) : EHttpError("Invalid URL: " + reason) {}
};

// The server's certificate was not accepted; the message says why, the system's code after it.
class ECertificateError : public EHttpError {
public:
    ECertificateError(int code, const std::string& message) : EHttpError(message), code_(code) {}
    int LastError() const { return code_; }

private:
    int code_;
};

// TLS failed for another reason than the certificate; the message carries the system's code.
class ETlsError : public EHttpError {
public:
    ETlsError(int code, const std::string& message) : EHttpError(message), code_(code) {}
    int LastError() const { return code_; }

private:
    int code_;
};

// A URL with an empty host, and no earlier request to take the host from.
class EHostRequired : public EHttpError {
public:
    EHostRequired() : EHttpError("") {}
};

// Resolution, connect, send or receive failed; carries the system's error number.
class ESocketError : public EHttpError {
public:
    ESocketError(int code, const std::string& text)
        : EHttpError("Socket Error # " + std::to_string(code) + "\r\n" + text), code_(code) {}
    int LastError() const { return code_; }

private:
    int code_;
};

class EConnectTimeout : public EHttpError {
public:
    EConnectTimeout() : EHttpError("Connect timed out.") {}
};

// No data came from the server within the time-out.
class EReadTimeout : public EHttpError {
public:
    EReadTimeout() : EHttpError("Read timed out.") {}
};

class EConnClosedGracefully : public EHttpError {
public:
    EConnClosedGracefully() : EHttpError("Connection Closed Gracefully.") {}
};

// One received line of more than 16384 bytes.
class ELineTooLong : public EHttpError {
public:
    ELineTooLong() : EHttpError("Max line length exceeded.") {}
};

// The answer's head has more lines, or more bytes, than the client keeps.
class EHeaderTooLarge : public EHttpError {
public:
    EHeaderTooLarge() : EHttpError("Answer head too large.") {}
};

// The answer's body is larger than the client keeps.
class EBodyTooLarge : public EHttpError {
public:
    EBodyTooLarge() : EHttpError("Answer body too large.") {}
};

// An answer judged a failure: the message is its status line; it carries the code and the
// body that came with it.
class EHttpProtocolError : public EHttpError {
public:
    EHttpProtocolError(int code, const std::string& statusLine, std::string body)
        : EHttpError(statusLine), code_(code), body_(std::move(body)) {}
    int ErrorCode() const { return code_; }
    const std::string& ErrorMessage() const { return body_; }

private:
    int code_;
    std::string body_;
};

#include "tracker/http/http_client.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "platform/deadline.h"
#include "platform/text.h"
#include "platform/whole_number.h"
#include "tracker/http/http_errors.h"

namespace {

using platform::Deadline;
using platform::EqualNoCase;
using platform::IoStatus;
using platform::ParseWholeNumber;
using platform::SocketError;
using platform::Trim;

constexpr std::size_t kPieceSize = 32768;  // body writes and socket reads
constexpr std::size_t kMaxFoldedLine = 1024;

[[noreturn]] void ThrowSocketError(const SocketError& error) {
    switch (error.kind) {
        case platform::FailureKind::Tls:
            throw ETlsError(error.code, error.text);
        case platform::FailureKind::Certificate:
            throw ECertificateError(error.code, error.text);
        case platform::FailureKind::TlsUnavailable:
            throw ETransportUnavailable();
        case platform::FailureKind::Socket:
            break;
    }
    throw ESocketError(error.code, error.text);
}

// One header line of the request; a line longer than 1024 characters is folded at a blank,
// tab or comma into continuation lines that begin with a blank.
void AddHeader(std::string& head, const std::string& name, const std::string& value) {
    if (value.empty()) return;
    std::string line = name + ": " + value;
    std::size_t keep = name.size() + 2;  // never fold inside the name
    while (line.size() > kMaxFoldedLine) {
        const auto at = line.find_last_of(" \t,", kMaxFoldedLine - 1);
        if (at == std::string::npos || at < keep) break;
        const std::size_t cut = line[at] == ',' ? at + 1 : at;
        head += line.substr(0, cut) + "\r\n";
        const auto rest = line.find_first_not_of(" \t", cut);
        if (rest == std::string::npos) return;
        std::string continuation(1, ' ');
        continuation.append(line, rest, std::string::npos);
        line = std::move(continuation);
        keep = 1;
    }
    head += line + "\r\n";
}

// The whole exchange, from the start of the connect to the last byte of the answer, takes at
// most three time-outs, so that a server sending a byte now and then cannot hold the caller
// (the player's window thread) for long: each wait gets its own time-out or what is left of
// the exchange, whichever is less (everything that is left when `timeoutMs` is 0). Past the
// exchange's end: EReadTimeout.
int NextWait(const Deadline& exchange, int timeoutMs) {
    const int left = exchange.Remaining();
    if (left == 0) throw EReadTimeout();
    return timeoutMs > 0 ? std::min(timeoutMs, left) : left;
}

// Receives the answer into a body, never past the bound of what is kept.
class BodySink {
public:
    explicit BodySink(std::string& target) : target_(target) {}
    std::size_t Kept() const { return kept_; }
    void Append(const char* data, std::size_t size) {
        if (kept_ + size > THttpClient::kMaxBodyBytes) {
            target_.append(data, THttpClient::kMaxBodyBytes - kept_);
            throw EBodyTooLarge();
        }
        target_.append(data, size);
        kept_ += size;
    }

private:
    std::string& target_;
    std::size_t kept_ = 0;
};

// Lines and bytes from the connection; every wait is bounded by the read time-out and by
// what is left of the exchange.
class Reader {
public:
    Reader(platform::Connection& socket, int timeoutMs, const Deadline& exchange)
        : socket_(socket), timeoutMs_(timeoutMs), exchange_(exchange) {}

    // The next line without its CR LF; false when the server closed before any byte of it.
    bool ReadLine(std::string& line) {
        std::size_t scanned = 0;  // bytes after start_ known to hold no LF; Fill may move start_
        for (;;) {
            const auto end = buffered_.find('\n', start_ + scanned);
            if (end != std::string::npos) {
                if (end - start_ > THttpClient::kMaxLineLength) throw ELineTooLong();
                line.assign(buffered_, start_, end - start_);
                start_ = end + 1;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return true;
            }
            scanned = buffered_.size() - start_;
            if (scanned > THttpClient::kMaxLineLength) throw ELineTooLong();
            if (!Fill()) {
                if (scanned == 0) return false;
                line.assign(buffered_, start_, std::string::npos);  // the last, unended line
                start_ = buffered_.size();
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return true;
            }
        }
    }

    // Up to `count` bytes into `sink`; false when the server closed before all had come.
    bool ReadBytes(std::uint64_t count, BodySink& sink) {
        while (count > 0) {
            if (start_ == buffered_.size() && !Fill()) return false;
            const std::size_t piece =
                static_cast<std::size_t>(std::min<std::uint64_t>(count, buffered_.size() - start_));
            sink.Append(buffered_.data() + start_, piece);
            start_ += piece;
            count -= piece;
        }
        return true;
    }

    void ReadToClose(BodySink& sink) {
        ReadBytes(std::numeric_limits<std::uint64_t>::max(), sink);
    }

private:
    // Receives one piece; false when the server has closed the connection.
    bool Fill() {
        if (closed_) return false;
        if (start_ == buffered_.size()) {
            buffered_.clear();
            start_ = 0;
        } else if (start_ > kPieceSize) {
            buffered_.erase(0, start_);
            start_ = 0;
        }
        char piece[kPieceSize];
        std::size_t received = 0;
        SocketError error;
        switch (socket_.Receive(piece, sizeof piece, NextWait(exchange_, timeoutMs_), received, error)) {
            case IoStatus::Done:
                buffered_.append(piece, received);
                return true;
            case IoStatus::Closed:
                closed_ = true;
                return false;
            case IoStatus::TimedOut:
                throw EReadTimeout();
            case IoStatus::Failed:
                break;
        }
        ThrowSocketError(error);
    }

    platform::Connection& socket_;
    const int timeoutMs_;
    const Deadline& exchange_;
    std::string buffered_;
    std::size_t start_ = 0;
    bool closed_ = false;
};

struct Header {
    std::string name;
    std::string value;
};

const std::string* FindHeader(const std::vector<Header>& headers, const std::string& name) {
    for (const Header& header : headers)
        if (EqualNoCase(header.name, name)) return &header.value;
    return nullptr;
}

std::string HeaderValue(const std::vector<Header>& headers, const std::string& name) {
    const std::string* value = FindHeader(headers, name);
    return value ? *value : "";
}

// Content-Length (decimal) and chunk sizes (hexadecimal). Values too large for the bound of
// a body are clipped: they end in EBodyTooLarge all the same.
constexpr platform::NumberGrammar kLengthText{
    .lowest = 0, .highest = THttpClient::kMaxBodyBytes, .clipAbove = true};
constexpr platform::NumberGrammar kChunkSizeText{
    .bareHex = true, .lowest = 0, .highest = THttpClient::kMaxBodyBytes, .clipAbove = true};

// A chunk-size line: the text before its first blank (or ";" extension), read as hex;
// 0 when it is no hexadecimal number.
std::uint64_t ParseChunkSize(std::string_view line) {
    const auto size = ParseWholeNumber(line.substr(0, line.find_first_of(" ;\t")), kChunkSizeText);
    return static_cast<std::uint64_t>(size.value_or(0));
}

std::unique_ptr<platform::Connection> ConnectTo(platform::Connector& connector,
                                                const THttpTarget& target, int timeoutMs) {
    std::unique_ptr<platform::Connection> connection;
    SocketError error;
    switch (connector.Connect({target.scheme, target.host, target.port}, timeoutMs, connection,
                              error)) {
        case IoStatus::Done:
            return connection;
        case IoStatus::TimedOut:
            throw EConnectTimeout();
        default:
            ThrowSocketError(error);
    }
}

std::string RequestHead(const THttpTarget& target, const std::string& contentType,
                        std::int64_t contentLength, const std::string& cookie) {
    std::string head = "POST " + target.target + " HTTP/1.0\r\n";
    AddHeader(head, "Connection", "keep-alive");
    AddHeader(head, "Content-Type", contentType);
    AddHeader(head, "Content-Length", std::to_string(contentLength));
    AddHeader(head, "Host", target.HostHeader());
    AddHeader(head, "Accept", "text/html, */*");
    AddHeader(head, "Accept-Encoding", "identity");
    AddHeader(head, "User-Agent", "Mozilla/3.0 (compatible; Quillon)");
    AddHeader(head, "Cookie", cookie);
    return head + "\r\n";
}

void Send(platform::Connection& connection, const char* data, std::size_t size, int timeoutMs,
          const Deadline& exchange) {
    SocketError error;
    switch (connection.SendAll(data, size, NextWait(exchange, timeoutMs), error)) {
        case IoStatus::Done:
            return;
        case IoStatus::TimedOut:
            throw EReadTimeout();
        case IoStatus::Closed:
            throw EConnClosedGracefully();
        case IoStatus::Failed:
            break;
    }
    ThrowSocketError(error);
}

// The head as one write, then the body from its start in pieces.
void SendRequest(platform::Connection& connection, const std::string& head,
                 TMultipartFormStream& body, int timeoutMs, const Deadline& exchange) {
    Send(connection, head.data(), head.size(), timeoutMs, exchange);
    body.Rewind();
    char piece[kPieceSize];
    while (const std::size_t count = body.Read(piece, sizeof piece))
        Send(connection, piece, count, timeoutMs, exchange);
}

// Counts the lines of all heads of one answer against the bounds.
class HeadBounds {
public:
    void Count(const std::string& line) {
        bytes_ += line.size() + 2;
        if (++lines_ > THttpClient::kMaxHeadLines || bytes_ > THttpClient::kMaxHeadBytes)
            throw EHeaderTooLarge();
    }

private:
    std::size_t lines_ = 0;
    std::size_t bytes_ = 0;
};

// Header lines up to the empty line, or to the server's close; continuation lines join the
// line before with one blank.
std::vector<Header> ReadHeaderLines(Reader& reader, HeadBounds& bounds) {
    std::vector<Header> headers;
    std::string line;
    while (reader.ReadLine(line) && !line.empty()) {
        bounds.Count(line);
        if ((line[0] == ' ' || line[0] == '\t') && !headers.empty()) {
            std::string& value = headers.back().value;
            value += ' ';
            value += Trim(line, " \t");
            continue;
        }
        const auto colon = line.find(':');
        std::string_view value;
        if (colon != std::string::npos) value = std::string_view(line).substr(colon + 1);
        headers.push_back({line.substr(0, colon), std::string(Trim(value))});
    }
    return headers;
}

// The body in the first way that applies: chunked, Content-Length, up to the close. A body
// that the close cuts short of its Content-Length is kept as far as it came; the result says
// how far, and nullopt when it came whole.
std::optional<THttpClient::TCutShort> ReadBody(Reader& reader, const std::vector<Header>& headers,
                                               BodySink& sink) {
    if (HeaderValue(headers, "Transfer-Encoding").find("chunked") != std::string::npos) {
        std::string line;
        for (;;) {
            if (!reader.ReadLine(line)) throw EConnClosedGracefully();
            const std::uint64_t size = ParseChunkSize(line);
            if (size == 0) break;
            if (!reader.ReadBytes(size, sink) || !reader.ReadLine(line))
                throw EConnClosedGracefully();
        }
        reader.ReadLine(line);  // the line that ends the chunked body
        return std::nullopt;
    }
    const std::int64_t length =
        ParseWholeNumber(HeaderValue(headers, "Content-Length"), kLengthText).value_or(-1);
    if (length > 0 && !reader.ReadBytes(static_cast<std::uint64_t>(length), sink))
        return THttpClient::TCutShort{sink.Kept(), static_cast<std::uint64_t>(length)};
    if (length < 0) reader.ReadToClose(sink);
    return std::nullopt;
}

}  // namespace

THttpClient::THttpClient() : THttpClient(platform::MakeSystemConnector()) {}
THttpClient::THttpClient(std::unique_ptr<platform::Connector> connector)
    : connector_(std::move(connector)) {}
THttpClient::~THttpClient() = default;

int THttpClient::LastStatusCode() const {
    const auto blank = lastStatusLine_.find(' ');
    if (blank == std::string::npos) return -1;
    std::string_view rest = Trim(std::string_view(lastStatusLine_).substr(blank + 1));
    rest = rest.substr(0, rest.find(' '));
    return static_cast<int>(ParseWholeNumber(rest, {.sign = true}).value_or(-1));
}

void THttpClient::PostForm(const std::string& url, TMultipartFormStream& body,
                           std::string& buffer) {
    lastCutShort_.reset();
    lastPostAnswered_ = false;
    lastRetryAfter_.clear();
    const THttpTarget target = ParseHttpUrl(url, previous_.get());
    previous_ = std::make_unique<THttpTarget>(target);
    const int readTimeout = ConnectTimeout > 0 ? ConnectTimeout : kDefaultReadTimeoutMs;
    const Deadline exchange(3LL * readTimeout);

    // Each post opens a connection of its own and closes it when the exchange ends, whatever
    // the answer says about keeping it alive: the next post would never use it.
    const auto connection = ConnectTo(*connector_, target, NextWait(exchange, ConnectTimeout));
    const std::string cookie =
        cookies_ ? cookies_->CookieHeaderFor(target.host, target.target,
                                             std::chrono::system_clock::now(),
                                             target.scheme == "https")
                 : "";
    SendRequest(*connection, RequestHead(target, body.FormContentType(), body.Size(), cookie),
                body, readTimeout, exchange);

    Reader reader(*connection, readTimeout, exchange);
    HeadBounds bounds;
    std::vector<Header> headers;
    do {  // interim 100 answers are skipped
        std::string statusLine;
        if (!reader.ReadLine(statusLine)) throw EConnClosedGracefully();
        bounds.Count(statusLine);
        lastStatusLine_ = statusLine;
        headers = ReadHeaderLines(reader, bounds);
        if (!cookies_) cookies_ = std::make_unique<TCookieStore>();
        for (const Header& header : headers)
            if (EqualNoCase(header.name, "Set-cookie") || EqualNoCase(header.name, "Set-cookie2"))
                cookies_->AddFromHeader(header.value, target.host, std::chrono::system_clock::now(),
                                        target.scheme == "https");
    } while (LastStatusCode() == 100);
    lastPostAnswered_ = true;
    lastRetryAfter_ = HeaderValue(headers, "Retry-After");

    // Only a 2xx answer without Location is a success; the body of any other answer goes to
    // the error, never to the caller's buffer.
    const int code = LastStatusCode();
    const bool success = HeaderValue(headers, "Location").empty() && code >= 200 && code <= 299;
    std::string failedBody;
    BodySink sink(success ? buffer : failedBody);
    // 204 and 304 answers have no body: waiting for one would only run into the time-out.
    if (code != 204 && code != 304) {
        const auto cut = ReadBody(reader, headers, sink);
        if (success) lastCutShort_ = cut;
    }
    if (!success) throw EHttpProtocolError(code, lastStatusLine_, std::move(failedBody));
}

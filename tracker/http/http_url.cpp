#include "tracker/http/http_url.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/whole_number.h"
#include "tracker/http/http_errors.h"

namespace {

// A port number, or 80 when the text is no decimal number.
std::uint16_t PortFrom(const std::string& text) {
    const auto port =
        platform::ParseWholeNumber(text, {.lowest = 0, .highest = 65535, .clipAbove = true});
    if (port > 65535) throw EInvalidUrl("port " + text + " is above 65535.");
    return static_cast<std::uint16_t>(port.value_or(80));
}

// Bytes below 0x20 and 0x7F never reach the request line or the Host line.
void RefuseControlCharacters(const std::string& url) {
    const auto bad = std::find_if(url.begin(), url.end(), [](unsigned char c) {
        return c < 0x20 || c == 0x7F;
    });
    if (bad == url.end()) return;
    throw EInvalidUrl("it holds a control character (code " +
                      std::to_string(static_cast<unsigned char>(*bad)) + ") at position " +
                      std::to_string(bad - url.begin() + 1) + ".");
}

// "#" and what follows it are dropped up to a "?" after it, or to the end.
std::string WithoutFragment(const std::string& path) {
    const auto hash = path.find('#');
    if (hash == std::string::npos) return path;
    const auto query = path.find('?', hash);
    return path.substr(0, hash) + (query == std::string::npos ? "" : path.substr(query));
}

// A reference without scheme and authority, against the previous target.
std::string ResolvePath(const std::string& reference, const std::string& base) {
    if (reference.empty()) return base;
    if (reference.front() == '/') return reference;
    const std::string basePath = base.substr(0, base.find('?'));
    if (reference.front() == '?') return basePath + reference;
    return basePath.substr(0, basePath.rfind('/') + 1) + reference;
}

}  // namespace

std::string THttpTarget::HostHeader() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    std::string header = ipv6 ? "[" + host + "]" : host;
    const char* defaultPort = scheme == "https" ? "443" : "80";
    if (!portText.empty() && portText != defaultPort) header += ":" + portText;
    return header;
}

THttpTarget ParseHttpUrl(const std::string& url, const THttpTarget* previous) {
    RefuseControlCharacters(url);
    std::string text = url;
    std::replace(text.begin(), text.end(), '\\', '/');

    const auto schemeEnd = text.find("://");
    if (schemeEnd == std::string::npos) {
        if (previous == nullptr) throw EUnknownProtocol();
        THttpTarget result = *previous;
        result.target = WithoutFragment(ResolvePath(text, previous->target));
        return result;
    }
    const std::string scheme = platform::AsciiLower(text.substr(0, schemeEnd));

    // The authority ends at the path, and also at a query or fragment that follows the host
    // directly ("http://host?x=1"), which would otherwise be taken for part of the host.
    const auto authorityStart = schemeEnd + 3;
    const auto authorityEnd = std::min(text.find_first_of("/?#", authorityStart), text.size());
    std::string authority = text.substr(authorityStart, authorityEnd - authorityStart);
    const auto at = authority.find('@');
    if (at != std::string::npos) authority.erase(0, at + 1);  // user information: never sent

    THttpTarget result;
    result.scheme = scheme;
    std::string afterHost;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        result.host = authority.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        afterHost = close == std::string::npos ? "" : authority.substr(close + 1);
    } else {
        const auto colon = authority.find(':');
        result.host = authority.substr(0, colon);
        afterHost = colon == std::string::npos ? "" : authority.substr(colon);
    }
    const bool hasPort = !afterHost.empty() && afterHost.front() == ':';
    if (hasPort) result.portText = afterHost.substr(1);

    const bool hostGiven = !result.host.empty();
    if (!hostGiven) {
        if (previous == nullptr) throw EHostRequired();
        result.host = previous->host;
    }
    if (hasPort) {
        result.port = PortFrom(result.portText);
    } else if ((scheme == "http" || scheme == "https") && hostGiven) {
        result.port = scheme == "https" ? 443 : 80;
    } else if (previous != nullptr) {
        result.port = previous->port;
        result.portText = previous->portText;
    } else {
        throw EUnknownProtocol();
    }

    std::string path = authorityEnd < text.size() ? text.substr(authorityEnd) : "";
    if (path.empty() || path.front() != '/') path = "/" + path;
    result.target = WithoutFragment(path);
    return result;
}

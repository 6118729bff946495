#include "tracker/http/http_url.h"

#include <algorithm>
#include <cctype>
#include <string_view>

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

bool IsDecimalDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return c >= '0' && c <= '9';
    });
}

bool IsHexDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); });
}

// A host whose last label is a number is taken for an address by the system's resolver, in
// one of its many forms ("127.1", "0177.0.0.1", "0x7f.1", "2130706433"), and each form names
// another address than a certificate check reads from it.
bool LooksNumeric(std::string_view host) {
    if (!host.empty() && host.back() == '.') host.remove_suffix(1);
    const std::string_view last = host.substr(host.rfind('.') + 1);
    const bool hex = last.size() >= 2 && last[0] == '0' && (last[1] == 'x' || last[1] == 'X') &&
                     IsHexDigits(last.substr(2));
    return hex || IsDecimalDigits(last);
}

// Four decimal numbers from 0 to 255, without leading zeros: the one form that every reader
// takes for the same address.
bool IsDottedQuad(std::string_view host) {
    for (int part = 0; part < 4; ++part) {
        const auto dot = host.find('.');
        const bool last = part == 3;
        if (last != (dot == std::string_view::npos)) return false;
        const std::string_view number = host.substr(0, dot);
        if (!IsDecimalDigits(number) || number.size() > 3 ||
            (number.size() > 1 && number[0] == '0') || std::stoi(std::string(number)) > 255)
            return false;
        if (!last) host.remove_prefix(dot + 1);
    }
    return true;
}

// Eight groups of one to four hex digits, or fewer with one "::" standing for the rest; the
// last two may be written as a dotted quad.
bool IsIpv6Address(std::string_view text) {
    if (text.empty()) return false;
    int groups = 0;
    bool elided = false;
    std::size_t at = 0;
    if (text.substr(0, 2) == "::") {
        elided = true;
        at = 2;
    }
    while (at < text.size()) {
        const auto end = std::min(text.find(':', at), text.size());
        const std::string_view group = text.substr(at, end - at);
        if (end == text.size() && group.find('.') != std::string_view::npos) {
            if (!IsDottedQuad(group)) return false;
            groups += 2;
            at = end;
            break;
        }
        if (group.empty() || group.size() > 4 || !IsHexDigits(group)) return false;
        ++groups;
        at = end;
        if (at == text.size()) break;
        if (text.substr(at, 2) == "::") {
            if (elided) return false;
            elided = true;
            at += 2;
        } else {
            ++at;
            if (at == text.size()) return false;  // a lone ":" at the end
        }
    }
    return elided ? groups < 8 : groups == 8;
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
    // Any other scheme would be sent as plain http, password and all: "htps" is a typing error.
    if (scheme != "http" && scheme != "https")
        throw EInvalidUrl("unknown scheme \"" + text.substr(0, schemeEnd) + "\".");

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
        if (close == std::string::npos || !IsIpv6Address(result.host))
            throw EInvalidUrl("[" + result.host + "] is no IPv6 address.");
        afterHost = authority.substr(close + 1);
    } else {
        const auto colon = authority.find(':');
        result.host = authority.substr(0, colon);
        afterHost = colon == std::string::npos ? "" : authority.substr(colon);
        // The address connected to must be the address the certificate is checked for.
        if (LooksNumeric(result.host) && !IsDottedQuad(result.host))
            throw EInvalidUrl("the host \"" + result.host +
                              "\" is no address of four decimal numbers from 0 to 255.");
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
    } else if (hostGiven) {
        result.port = scheme == "https" ? 443 : 80;
    } else {  // the previous request's host, and its port
        result.port = previous->port;
        result.portText = previous->portText;
    }

    std::string path = authorityEnd < text.size() ? text.substr(authorityEnd) : "";
    if (path.empty() || path.front() != '/') path = "/" + path;
    result.target = WithoutFragment(path);
    return result;
}

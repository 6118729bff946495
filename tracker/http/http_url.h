// Where a URL sends the request: the parsing rules of the HTTP client. Nothing is escaped;
// the target goes into the request line byte for byte.
#pragma once

#include <cstdint>
#include <string>

struct THttpTarget {
    std::string scheme = "http";  // lower case
    std::string host;      // brackets of an IPv6 literal removed
    std::string portText;  // as written in the URL; empty when it gives none
    std::uint16_t port = 80;
    std::string target;    // the request line's target: "/" and the path, no fragment
    // "Host" header value: the host (an IPv6 literal in brackets), and ":" and the port text
    // unless it is absent or exactly the scheme's default ("80", or "443" for https).
    std::string HostHeader() const;
};

// Parses `url`; a relative URL or an empty host take the missing parts from `previous` (the
// last request's target; nullptr before any). Throws EInvalidUrl (a control character, a
// scheme other than http and https, a port above 65535, a numeric host other than four
// decimal numbers, a bracketed host that is no IPv6 address), EUnknownProtocol (a relative
// URL with no previous) or EHostRequired.
THttpTarget ParseHttpUrl(const std::string& url, const THttpTarget* previous);

// TCookieStore: the cookies that servers set, kept in memory for the life of the client.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class TCookieStore {
public:
    using Time = std::chrono::system_clock::time_point;

    // At most this many cookies are kept; a new one beyond it pushes out the oldest.
    static constexpr std::size_t kMaxCookies = 64;

    // Stores the cookie of one "Set-cookie" value received from `host`. Without a domain
    // it belongs to `host`. A domain is taken when it is `host` itself, or, for a host name,
    // a domain with an inner dot that `host` is within; any other drops the cookie, as does
    // a control character anywhere in the value. An expiry in the past removes the stored
    // cookie of that name. Over plain http (not `overTls`) a Secure cookie is neither taken
    // nor replaced or removed: anyone on the path could write it.
    void AddFromHeader(const std::string& setCookie, const std::string& host, Time now,
                       bool overTls = false);

    // The "Cookie" header's value for a request to `host` and `target`, "" when no cookie
    // matches. Expired cookies are dropped first; Secure ones go only over TLS (`overTls`).
    std::string CookieHeaderFor(const std::string& host, const std::string& target, Time now,
                                bool overTls = false);

    std::size_t Count() const { return cookies_.size(); }

private:
    struct Cookie {
        std::string name;
        std::string value;
        std::string domain;  // lower case, no leading "."
        std::string path = "/";
        // Whole seconds: the far dates that servers use ("31 Dec 9999") lie beyond what
        // `Time` can count.
        std::optional<std::chrono::sys_seconds> expires;
        bool secure = false;
    };
    bool ShadowsSecureCookie(const Cookie& cookie) const;
    std::vector<Cookie> cookies_;
};

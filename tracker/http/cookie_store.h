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
    // it belongs to `host`; a domain that `host` is not within drops it. An expiry in the
    // past removes the stored cookie of that name.
    void AddFromHeader(const std::string& setCookie, const std::string& host, Time now);

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
        std::optional<Time> expires;
        bool secure = false;
    };
    std::vector<Cookie> cookies_;
};

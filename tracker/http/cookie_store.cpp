#include "tracker/http/cookie_store.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace {

std::string Trim(std::string_view text) { return std::string(platform::Trim(text, " \t")); }

bool IsDigits(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// An address literal: IPv6 (it has a colon) or IPv4 (nothing but digits and dots).
bool IsAddress(const std::string& host) {
    return host.find(':') != std::string::npos ||
           std::all_of(host.begin(), host.end(),
                       [](unsigned char c) { return std::isdigit(c) || c == '.'; });
}

// A domain attribute names more than one label: "example.com", not "com".
bool HasInnerDot(const std::string& domain) {
    const auto dot = domain.find('.', 1);
    return dot != std::string::npos && dot + 1 < domain.size();
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](unsigned char c) { return c < 0x20 || c == 0x7F; });
}

// The host is the domain itself or a name within it: "www.example.com" is within
// "example.com", "badexample.com" is not. An address is within nothing but itself.
bool WithinDomain(const std::string& host, const std::string& domain) {
    const std::string name = platform::AsciiLower(host);
    if (domain.empty() || name.size() < domain.size()) return false;
    if (name == domain) return true;
    if (IsAddress(name)) return false;
    return name.size() > domain.size() &&
           name.compare(name.size() - domain.size(), domain.size(), domain) == 0 &&
           name[name.size() - domain.size() - 1] == '.';
}

// A time of day, "10:18:14": one or two digits each; anything glued on after the seconds
// (a fraction) is ignored.
bool ParseTimeOfDay(const std::string& word, int& hour, int& minute, int& second) {
    int* fields[] = {&hour, &minute, &second};
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && (at == word.size() || word[at++] != ':')) return false;
        const std::size_t start = at;
        int value = 0;
        for (; at < word.size() && at - start < 2 && std::isdigit(static_cast<unsigned char>(word[at])); ++at)
            value = value * 10 + (word[at] - '0');
        if (at == start) return false;
        *fields[i] = value;
    }
    return true;
}

// Dates as servers write them ("Wed, 09 Jun 2027 10:18:14 GMT", "Wednesday, 09-Jun-27
// 10:18:14 GMT", "Wed Jun  9 10:18:14 2027"): the fields are found by their shape.
std::optional<std::chrono::sys_seconds> ParseCookieDate(const std::string& text) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    int day = -1, month = -1, year = -1, hour = -1, minute = 0, second = 0;
    std::string token;
    auto take = [&](const std::string& word) {
        if (word.empty()) return;
        int h, m, s;
        if (hour < 0 && ParseTimeOfDay(word, h, m, s)) {
            hour = h, minute = m, second = s;
        } else if (IsDigits(word) && word.size() <= 2 && day < 0) {
            day = std::atoi(word.c_str());
        } else if (IsDigits(word) && year < 0) {
            year = std::atoi(word.c_str());
            if (word.size() <= 2) year += year < 70 ? 2000 : 1900;
        } else if (month < 0 && word.size() >= 3) {
            for (int i = 0; i < 12; ++i)
                if (platform::AsciiLower(word.substr(0, 3)) == kMonths[i]) month = i + 1;
        }
    };
    for (char c : text) {
        if (c == ' ' || c == ',' || c == '-' || c == '\t') {
            take(token);
            token.clear();
        } else {
            token += c;
        }
    }
    take(token);
    if (day < 1 || day > 31 || month < 1 || year < 1601 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    using namespace std::chrono;
    // Later years mean "for ever" as much as 9999 does.
    const year_month_day date{std::chrono::year{std::min(year, 9999)},
                              std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) return std::nullopt;
    return sys_days{date} + hours{hour} + minutes{minute} + seconds{second};
}

std::chrono::sys_seconds Seconds(TCookieStore::Time time) {
    return std::chrono::floor<std::chrono::seconds>(time);
}

}  // namespace

void TCookieStore::AddFromHeader(const std::string& setCookie, const std::string& host,
                                 Time now, bool overTls) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto semicolon = setCookie.find(';', start);
        parts.push_back(Trim(setCookie.substr(start, semicolon - start)));
        if (semicolon == std::string::npos) break;
        start = semicolon + 1;
    }
    const auto equals = parts.front().find('=');
    if (equals == std::string::npos || equals == 0) return;
    // Name and value go back to the server in a header line of ours.
    if (HasControlCharacter(parts.front())) return;

    Cookie cookie;
    cookie.name = Trim(parts.front().substr(0, equals));
    cookie.value = Trim(parts.front().substr(equals + 1));
    const std::string ownHost = platform::AsciiLower(host);
    cookie.domain = ownHost;
    std::optional<std::chrono::sys_seconds> maxAgeExpiry;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto split = parts[i].find('=');
        const std::string key = platform::AsciiLower(Trim(parts[i].substr(0, split)));
        const std::string value = split == std::string::npos ? "" : Trim(parts[i].substr(split + 1));
        if (key == "domain" && !value.empty()) {
            const std::string domain =
                platform::AsciiLower(value.front() == '.' ? value.substr(1) : value);
            // Neither a bare top-level name nor a part of an address may widen the cookie.
            if (domain != ownHost && (IsAddress(ownHost) || !HasInnerDot(domain))) return;
            cookie.domain = domain;
        } else if (key == "path" && !value.empty() && value.front() == '/') {
            cookie.path = value;
        } else if (key == "expires") {
            cookie.expires = ParseCookieDate(value);
        } else if (key == "max-age") {
            const bool negative = !value.empty() && value.front() == '-';
            const std::string digits = negative ? value.substr(1) : value;
            if (IsDigits(digits))
                maxAgeExpiry = negative ? Seconds(now)
                                        : Seconds(now) + std::chrono::seconds(std::atol(digits.c_str()));
        } else if (key == "secure") {
            cookie.secure = true;
        }
    }
    if (maxAgeExpiry) cookie.expires = maxAgeExpiry;  // Max-Age wins over Expires
    if (!WithinDomain(host, cookie.domain)) return;
    if (!overTls && (cookie.secure || ShadowsSecureCookie(cookie))) return;

    const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) {
        return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
    });
    const bool expired = cookie.expires && *cookie.expires <= Seconds(now);
    if (same != cookies_.end()) {
        if (expired)
            cookies_.erase(same);
        else
            *same = std::move(cookie);
        return;
    }
    if (expired) return;
    if (cookies_.size() == kMaxCookies) cookies_.erase(cookies_.begin());
    cookies_.push_back(std::move(cookie));
}

// A cookie of the same name that a Secure one already holds: same or wider domain either way,
// and a path within the Secure one's.
bool TCookieStore::ShadowsSecureCookie(const Cookie& cookie) const {
    return std::any_of(cookies_.begin(), cookies_.end(), [&](const Cookie& stored) {
        return stored.secure && stored.name == cookie.name &&
               (WithinDomain(cookie.domain, stored.domain) ||
                WithinDomain(stored.domain, cookie.domain)) &&
               cookie.path.compare(0, stored.path.size(), stored.path) == 0;
    });
}

std::string TCookieStore::CookieHeaderFor(const std::string& host, const std::string& target,
                                          Time now, bool overTls) {
    std::erase_if(cookies_, [&](const Cookie& c) { return c.expires && *c.expires <= Seconds(now); });
    const std::string path = target.substr(0, target.find('?'));
    const std::string directory = path.substr(0, path.rfind('/') + 1);
    std::string header;
    for (const Cookie& cookie : cookies_) {
        if (cookie.value.empty() || (cookie.secure && !overTls) || !WithinDomain(host, cookie.domain) ||
            directory.compare(0, cookie.path.size(), cookie.path) != 0)
            continue;
        if (!header.empty()) header += "; ";
        header += cookie.name + "=" + cookie.value;
    }
    return header;
}

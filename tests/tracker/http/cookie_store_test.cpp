#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tracker/http/cookie_store.h"

namespace {

using namespace std::chrono;
// 8 December 2026, 12:00:00 UTC.
const TCookieStore::Time kNow = sys_days{year{2026} / December / 8} + hours{12};

}  // namespace

TEST(CookieStore, DomainOfTheCookieMustHoldTheHost) {
    TCookieStore store;
    store.AddFromHeader("own=1", "www.example.com", kNow);
    store.AddFromHeader("parent=2; Domain=.example.com", "www.example.com", kNow);
    store.AddFromHeader("foreign=3; domain=other.com", "www.example.com", kNow);
    store.AddFromHeader("lookalike=4; domain=ample.com", "www.example.com", kNow);
    EXPECT_EQ(store.Count(), 2u);
    EXPECT_EQ(store.CookieHeaderFor("www.example.com", "/x", kNow), "own=1; parent=2");
    EXPECT_EQ(store.CookieHeaderFor("mail.example.com", "/x", kNow), "parent=2");
    // A name that merely contains the domain is another site.
    EXPECT_EQ(store.CookieHeaderFor("badexample.com", "/x", kNow), "");
    EXPECT_EQ(store.CookieHeaderFor("WWW.Example.COM", "/x", kNow), "own=1; parent=2");
}

TEST(CookieStore, PathValueAndSecureSelectWhatIsSent) {
    TCookieStore store;
    store.AddFromHeader("root=r", "h", kNow);
    store.AddFromHeader("deep=d; path=/a/b/", "h", kNow);
    store.AddFromHeader("empty=; path=/", "h", kNow);
    store.AddFromHeader("tls=t; Secure", "h", kNow, true);
    store.AddFromHeader(" spaced = s ; path=/a", "h", kNow);
    store.AddFromHeader("novalue", "h", kNow);
    EXPECT_EQ(store.CookieHeaderFor("h", "/a/b/c.php?x=/a/b/", kNow), "root=r; deep=d; spaced=s");
    EXPECT_EQ(store.CookieHeaderFor("h", "/a/c.php?next=/a/b/", kNow), "root=r; spaced=s");
    EXPECT_EQ(store.CookieHeaderFor("h", "/", kNow), "root=r");
    EXPECT_EQ(store.CookieHeaderFor("h", "/", kNow, true), "root=r; tls=t");
}

TEST(CookieStore, ExpiryRemovesCookiesAndANewValueReplacesTheOld) {
    TCookieStore store;
    store.AddFromHeader("a=1; expires=Wed, 09 Dec 2026 10:18:14 GMT", "h", kNow);
    store.AddFromHeader("b=2; Expires=Tuesday, 08-Dec-26 12:00:30 GMT", "h", kNow);
    store.AddFromHeader("c=3; max-age=60; expires=Thu, 01 Jan 1970 00:00:00 GMT", "h", kNow);
    store.AddFromHeader("d=4; expires=Mon Dec  7 10:00:00 2026", "h", kNow);  // already past
    store.AddFromHeader("e=5; expires=not a date", "h", kNow);                // a session cookie
    EXPECT_EQ(store.CookieHeaderFor("h", "/", kNow), "a=1; b=2; c=3; e=5");
    EXPECT_EQ(store.CookieHeaderFor("h", "/", kNow + seconds{45}), "a=1; c=3; e=5");
    EXPECT_EQ(store.CookieHeaderFor("h", "/", kNow + minutes{2}), "a=1; e=5");
    EXPECT_EQ(store.CookieHeaderFor("h", "/", kNow + days{2}), "e=5");

    store.AddFromHeader("e=new", "h", kNow);
    EXPECT_EQ(store.CookieHeaderFor("h", "/", kNow), "e=new");
    store.AddFromHeader("e=gone; max-age=0", "h", kNow);
    EXPECT_EQ(store.Count(), 0u);
}

TEST(CookieStore, KeepsABoundedNumberOfCookies) {
    TCookieStore store;
    for (std::size_t i = 0; i < TCookieStore::kMaxCookies + 10; ++i)
        store.AddFromHeader(std::string("n").append(std::to_string(i)).append("=v"), "h", kNow);
    EXPECT_EQ(store.Count(), TCookieStore::kMaxCookies);
    const std::string header = store.CookieHeaderFor("h", "/", kNow);
    EXPECT_EQ(header.find("n9="), std::string::npos);  // the oldest went first
    EXPECT_NE(header.find("n73=v"), std::string::npos);
}

TEST(CookieStore, WhatIsStoredAndWhereItGoesBack) {
    struct Case {
        std::string setCookie, from, to, sent;
    };
    const std::vector<Case> cases = {
        // Far dates mean "keep it"; they lie beyond what a clock in nanoseconds can count.
        {"far=1; expires=Fri, 31 Dec 9999 23:59:59 GMT", "h", "h", "far=1"},
        {"farther=1; expires=Sat, 01 Jan 275760 00:00:00 GMT", "h", "h", "farther=1"},
        // A control character would end our Cookie line early.
        {"cr=a\rb", "h", "h", ""},
        {"lf=a\nX-Injected: 1", "h", "h", ""},
        {"tab=a\tb", "h", "h", ""},
        {"del=a\x7F", "h", "h", ""},
        // A domain widens a cookie only to a name of two labels or more, never by address.
        {"tld=1; Domain=com", "www.example.com", "other.com", ""},
        {"tld=1; Domain=.com", "www.example.com", "www.example.com", ""},
        {"site=1; Domain=.example.com", "www.example.com", "mail.example.com", "site=1"},
        {"part=1; Domain=0.0.1", "127.0.0.1", "10.0.0.1", ""},
        {"part=1; Domain=0.0.1", "127.0.0.1", "127.0.0.1", ""},
        {"exact=1; Domain=127.0.0.1", "127.0.0.1", "127.0.0.1", "exact=1"},
        {"own=1; Domain=nas", "nas", "nas", "own=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setCookie);
        TCookieStore store;
        store.AddFromHeader(c.setCookie, c.from, kNow);
        EXPECT_EQ(store.CookieHeaderFor(c.to, "/", kNow), c.sent);
    }
}

TEST(CookieStore, PlainHttpNeitherSetsNorTouchesSecureCookies) {
    struct Case {
        std::string overTls, thenSetCookie;
        bool thenOverTls;
        std::string sent;
    };
    const std::vector<Case> cases = {
        {"", "s=1; Secure", false, ""},
        {"", "s=1; Secure", true, "s=1"},
        {"s=1; Secure", "s=2", false, "s=1"},
        {"s=1; Secure", "s=2; Secure", false, "s=1"},
        {"s=1; Secure", "s=; max-age=0", false, "s=1"},
        {"s=1; Secure", "s=2; Domain=example.com; path=/a", false, "s=1"},
        {"s=1; Secure; Domain=example.com", "s=2", false, "s=1"},
        {"s=1; Secure", "s=2", true, "s=2"},
        {"s=1; Secure", "s=; max-age=0", true, ""},
        {"s=1; Secure", "t=2", false, "s=1; t=2"},
        {"s=1; Secure; path=/a/", "s=2; path=/", false, "s=1; s=2"},
        {"s=1", "s=2", false, "s=2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.overTls + " then " + c.thenSetCookie);
        TCookieStore store;
        if (!c.overTls.empty()) store.AddFromHeader(c.overTls, "www.example.com", kNow, true);
        store.AddFromHeader(c.thenSetCookie, "www.example.com", kNow, c.thenOverTls);
        EXPECT_EQ(store.CookieHeaderFor("www.example.com", "/a/x", kNow, true), c.sent);
    }
}

#include <gtest/gtest.h>

#include "tracker/http/http_errors.h"
#include "tracker/http/http_url.h"

TEST(HttpUrl, HostPortAndTargetOfAbsoluteUrls) {
    struct Case {
        std::string url, host, portText;
        int port;
        std::string target, hostHeader;
    };
    const std::vector<Case> cases = {
        {"http://host", "host", "", 80, "/", "host"},
        {"http://host:8080/a/b.php?x=1#top", "host", "8080", 8080, "/a/b.php?x=1", "host:8080"},
        {"http://host:80/x", "host", "80", 80, "/x", "host"},
        {"http://host:080/x", "host", "080", 80, "/x", "host:080"},
        {"http://host:abc/x", "host", "abc", 80, "/x", "host:abc"},
        {"http://host:65535/x", "host", "65535", 65535, "/x", "host:65535"},
        {"HTTP://Host/x", "Host", "", 80, "/x", "Host"},
        {"http:\\\\host\\x.php", "host", "", 80, "/x.php", "host"},
        {"http://me:pw@host:81/in", "host", "81", 81, "/in", "host:81"},
        {"http://[::1]:8080/six", "::1", "8080", 8080, "/six", "[::1]:8080"},
        {"http://[2001:db8::7]/", "2001:db8::7", "", 80, "/", "[2001:db8::7]"},
        {"http://host/a b/c d.php?q=%20 é", "host", "", 80, "/a b/c d.php?q=%20 é", "host"},
        {"http://host/p#frag?y=2", "host", "", 80, "/p?y=2", "host"},
        {"http://host#top", "host", "", 80, "/", "host"},
        {"http://10.0.255.0/x", "10.0.255.0", "", 80, "/x", "10.0.255.0"},
        {"http://[::ffff:192.0.2.1]/", "::ffff:192.0.2.1", "", 80, "/", "[::ffff:192.0.2.1]"},
        {"http://[1:2:3:4:5:6:7:8]/", "1:2:3:4:5:6:7:8", "", 80, "/", "[1:2:3:4:5:6:7:8]"},
        {"http://v2.example.com1/", "v2.example.com1", "", 80, "/", "v2.example.com1"},
        {"https://host/x", "host", "", 443, "/x", "host"},
        {"HTTPS://host:443/x", "host", "443", 443, "/x", "host"},
        {"https://host:80/x", "host", "80", 80, "/x", "host:80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const THttpTarget target = ParseHttpUrl(c.url, nullptr);
        EXPECT_EQ(target.host, c.host);
        EXPECT_EQ(target.portText, c.portText);
        EXPECT_EQ(target.port, c.port);
        EXPECT_EQ(target.target, c.target);
        EXPECT_EQ(target.HostHeader(), c.hostHeader);
    }
}

TEST(HttpUrl, WithoutAPreviousRequestIncompleteUrlsFail) {
    EXPECT_THROW(ParseHttpUrl("x.php", nullptr), EUnknownProtocol);
    EXPECT_THROW(ParseHttpUrl(" ", nullptr), EUnknownProtocol);
    EXPECT_THROW(ParseHttpUrl("", nullptr), EUnknownProtocol);
    EXPECT_THROW(ParseHttpUrl("http:///x", nullptr), EHostRequired);
    EXPECT_THROW(ParseHttpUrl("http://user@/x", nullptr), EHostRequired);
}

TEST(HttpUrl, IncompleteUrlsTakeTheMissingPartsFromThePreviousRequest) {
    const THttpTarget previous = ParseHttpUrl("http://site:8080/dir/sub/page.php?a=1", nullptr);
    struct Case {
        std::string url, host;
        int port;
        std::string target;
    };
    const std::vector<Case> cases = {
        {"other.php", "site", 8080, "/dir/sub/other.php"},
        {"/root.php", "site", 8080, "/root.php"},
        {"?b=2", "site", 8080, "/dir/sub/page.php?b=2"},
        {"", "site", 8080, "/dir/sub/page.php?a=1"},
        {" ", "site", 8080, "/dir/sub/ "},
        {"x.php#frag", "site", 8080, "/dir/sub/x.php"},
        {"http:///new.php", "site", 8080, "/new.php"},
        {"http://:81/new.php", "site", 81, "/new.php"},
        {"http://elsewhere/x", "elsewhere", 80, "/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const THttpTarget target = ParseHttpUrl(c.url, &previous);
        EXPECT_EQ(target.host, c.host);
        EXPECT_EQ(target.port, c.port);
        EXPECT_EQ(target.target, c.target);
    }
}

TEST(HttpUrl, UnknownSchemesAndAmbiguousAddressesAreRefused) {
    const THttpTarget previous = ParseHttpUrl("http://site:8080/dir/page.php", nullptr);
    const std::string quad = " is no address of four decimal numbers from 0 to 255.";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"htps://host:8443/x", "unknown scheme \"htps\"."},
        {"FTP://host/x", "unknown scheme \"FTP\"."},
        {"gopher://host:70/x", "unknown scheme \"gopher\"."},
        {"https://0177.0.0.1/", "the host \"0177.0.0.1\"" + quad},
        {"https://127.1/", "the host \"127.1\"" + quad},
        {"http://2130706433/", "the host \"2130706433\"" + quad},
        {"http://0x7f.0.0.1/", "the host \"0x7f.0.0.1\"" + quad},
        {"http://host.0x7F/", "the host \"host.0x7F\"" + quad},
        {"http://127.0.0.256/", "the host \"127.0.0.256\"" + quad},
        {"http://1.2.3.4.5/", "the host \"1.2.3.4.5\"" + quad},
        {"http://127.0.0.1./", "the host \"127.0.0.1.\"" + quad},
        {"http://[::1/", "[::1] is no IPv6 address."},
        {"http://[1:2:3:4:5:6:7:8:9]/", "[1:2:3:4:5:6:7:8:9] is no IPv6 address."},
        {"http://[1::2::3]/", "[1::2::3] is no IPv6 address."},
        {"http://[12345::]/", "[12345::] is no IPv6 address."},
        {"http://[127.0.0.1]/", "[127.0.0.1] is no IPv6 address."},
        {"http://[fe80::1%25eth0]/", "[fe80::1%25eth0] is no IPv6 address."},
    };
    for (const auto& [url, reason] : cases) {
        SCOPED_TRACE(url);
        for (const THttpTarget* before : {static_cast<const THttpTarget*>(nullptr), &previous}) {
            try {
                ParseHttpUrl(url, before);
                ADD_FAILURE() << "accepted";
            } catch (const EInvalidUrl& error) {
                EXPECT_EQ(error.what(), "Invalid URL: " + reason);
            }
        }
    }
}

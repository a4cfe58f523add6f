// --serve's address: what is taken, what is refused, and which addresses only this machine
// reaches (the page says when it can be reached from the network).
#include "serve_address.h"

#include <gtest/gtest.h>

namespace {

TEST(ServeAddress, ReadsPortAddressAndPortAndBracketedIpv6) {
    struct Case {
        const char* text;
        const char* host; // nullptr: refused
        int port;
    };
    for (const Case c : {
             Case{"8080", "127.0.0.1", 8080},
             Case{"0", "127.0.0.1", 0},
             Case{"0.0.0.0:80", "0.0.0.0", 80},
             Case{"localhost:65535", "localhost", 65535},
             Case{"[::1]:8080", "::1", 8080},
             Case{"[::]:8080", "::", 8080},
             Case{"65536", nullptr, 0},
             Case{"-1", nullptr, 0},
             Case{"80x", nullptr, 0},
             Case{"", nullptr, 0},
             Case{":8080", nullptr, 0},
             Case{"::1:8080", nullptr, 0}, // a bare IPv6 address: which part is the port?
             Case{"[::1]8080", nullptr, 0},
             Case{"[not-an-address]:80", nullptr, 0},
             Case{"a b:80", nullptr, 0},
         }) {
        const std::optional<vantrel::ServeAddress> address = vantrel::ParseServeAddress(c.text);
        ASSERT_EQ(address.has_value(), c.host != nullptr) << c.text;
        if (!address)
            continue;
        EXPECT_EQ(address->host, c.host) << c.text;
        EXPECT_EQ(address->port, c.port) << c.text;
    }
}

TEST(ServeAddress, OnlyLoopbackAddressesCountAsThisMachineAlone) {
    for (const char* host : {"127.0.0.1", "127.3.4.5", "::1", "localhost"})
        EXPECT_TRUE(vantrel::IsLoopback(host)) << host;
    for (const char* host : {"0.0.0.0", "::", "192.168.1.20", "128.0.0.1", "::ffff:10.0.0.1",
                             "example.org", "localhost.example.org"})
        EXPECT_FALSE(vantrel::IsLoopback(host)) << host;
}

TEST(ServeAddress, PageUrlBracketsIpv6) {
    EXPECT_EQ(vantrel::PageUrl("127.0.0.1", 8080), "http://127.0.0.1:8080/");
    EXPECT_EQ(vantrel::PageUrl("::1", 80), "http://[::1]:80/");
}

} // namespace

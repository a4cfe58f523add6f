// rtl_tcp's pieces on their own: the address as --rtl-tcp takes it, the header, the commands,
// and a server that cannot be used: one line with the reason, or, when the run waits for it,
// one line said once and the samples once it is there.
#include "fake_rtl_tcp_server.h"
#include "file_error.h"
#include "rtl_tcp_source.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using radio_test::Command;

struct AddressCase {
    const char* text;
    const char* host; // nullptr: refused
    const char* port;
};

TEST(RtlTcpAddress, ReadAsHostAndPortOrRefused) {
    const AddressCase cases[] = {
        {"127.0.0.1:1234", "127.0.0.1", "1234"},
        {"radio.local:7373", "radio.local", "7373"},
        {"radio.local", "radio.local", "1234"},
        {"[::1]:1235", "::1", "1235"},
        {"[fe80::1]", "fe80::1", "1234"},
        {"::1:1234", nullptr, nullptr},
        {":1234", nullptr, nullptr},
        {"host:", nullptr, nullptr},
        {"host:0", nullptr, nullptr},
        {"host:65536", nullptr, nullptr},
        {"host:12a", nullptr, nullptr},
        {"[::1", nullptr, nullptr},
        {"[::1]1234", nullptr, nullptr},
    };
    for (const AddressCase& c : cases) {
        if (c.host == nullptr) {
            EXPECT_THROW(vantrel::ParseRtlTcpAddress(c.text), std::invalid_argument) << c.text;
            continue;
        }
        const vantrel::RtlTcpAddress address = vantrel::ParseRtlTcpAddress(c.text);
        EXPECT_EQ(address.host, c.host) << c.text;
        EXPECT_EQ(address.port, c.port) << c.text;
    }
}

TEST(RtlTcpHeader, BigEndianNumbersAfterTheMagicInAnyPieces) {
    const std::string bytes = radio_test::RtlTcpHeaderBytes(5, 29) + "IQ";
    for (std::size_t piece = 1; piece <= bytes.size(); ++piece) {
        vantrel::RtlTcpHeader header;
        std::size_t taken = 0;
        for (std::size_t at = 0; at < bytes.size() && !header.whole(); at += piece) {
            const std::size_t size = std::min(piece, bytes.size() - at);
            const std::size_t took =
                header.Take({reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, size});
            taken += took;
            EXPECT_TRUE(took == size || header.whole()) << "piece " << piece;
        }
        ASSERT_TRUE(header.whole()) << "piece " << piece;
        EXPECT_EQ(taken, 12U) << "piece " << piece;
        EXPECT_EQ(header.tuner(), 5U);
        EXPECT_EQ(header.tunerName(), "R820T");
        EXPECT_EQ(header.gainCount(), 29U);
    }
}

TEST(RtlTcpCommands, AutomaticGainSendsNoGain) {
    const std::vector<std::uint8_t> bytes = vantrel::RtlTcpCommands({433.92e6, 2.4e6, {}});
    EXPECT_EQ(radio_test::CommandsIn(bytes),
              (std::vector<Command>{{0x02, 2400000}, {0x01, 433920000}, {0x03, 0}, {0x08, 0}}));
    EXPECT_THROW(vantrel::RtlTcpCommands({5e9, 2.4e6, {}}), std::invalid_argument);
}

// The first error Read throws within `limit`, or "" when none.
std::string FirstError(vantrel::IqSource& source, std::chrono::duration<double> limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    try {
        while (std::chrono::steady_clock::now() < until)
            source.Read();
    } catch (const vantrel::FileError& error) {
        return error.what();
    }
    return "";
}

struct Unusable {
    const char* name;
    radio_test::Connection connection;
    bool wait;
    const char* error; // after "rtl_tcp 127.0.0.1:PORT: "
};

void PrintTo(const Unusable& c, std::ostream* os) {
    *os << c.name;
}

radio_test::Connection Saying(std::string header, std::chrono::milliseconds holdOpen = {}) {
    radio_test::Connection connection;
    connection.header = std::move(header);
    connection.holdOpen = holdOpen;
    return connection;
}

class UnusableServer : public testing::TestWithParam<Unusable> {};

TEST_P(UnusableServer, IsOneLineWithTheReason) {
    const Unusable& c = GetParam();
    radio_test::FakeRtlTcpServer server({c.connection});
    std::vector<std::string> notices;
    vantrel::LiveRadioSettings settings;
    settings.waitAtStart = c.wait;
    settings.notice = [&notices](std::string_view line) { notices.emplace_back(line); };
    settings.silenceSeconds = 0.5;
    vantrel::RtlTcpSource source(server.address(), {169.45e6, 2.4e6, {}}, settings);
    EXPECT_EQ(FirstError(source, 5s), "rtl_tcp " + server.address() + ": " + c.error);
    EXPECT_EQ(notices, std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Servers, UnusableServer,
    testing::Values(
        Unusable{"another_protocol", Saying("SSH-2.0-OpenSSH_9.2\r\n"), false,
                 "not an rtl_tcp server (its first bytes are not \"RTL0\")"},
        Unusable{"another_protocol_though_waited_for", Saying("HTTP/1.1 400 Bad Request\r\n"), true,
                 "not an rtl_tcp server (its first bytes are not \"RTL0\")"},
        Unusable{"closed_within_the_header", Saying(std::string("RTL0\0\0", 6)), false,
                 "the server closed the connection"},
        Unusable{"silent", Saying("", 1500ms), false,
                 "no rtl_tcp header 0.5 s after connecting (rtl_tcp serves one client at a "
                 "time)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtlTcpSource, NothingListeningIsOneLineWithTheSystemsReason) {
    int port = 0;
    {
        radio_test::FakeRtlTcpServer gone({}, 0ms);
        port = gone.port();
    } // the port is closed again
    std::vector<std::string> notices;
    vantrel::LiveRadioSettings settings;
    settings.notice = [&notices](std::string_view line) { notices.emplace_back(line); };
    const std::string address = "127.0.0.1:" + std::to_string(port);
    vantrel::RtlTcpSource source(address, {169.45e6, 2.4e6, {}}, settings);
    EXPECT_EQ(FirstError(source, 5s), "rtl_tcp " + address + ": Connection refused");
    EXPECT_EQ(notices, std::vector<std::string>{});
}

TEST(RtlTcpSource, WaitedForUntilItListensSaidOnce) {
    const std::vector<std::uint8_t> samples = {1, 2, 3, 4, 5, 6, 7, 8};
    radio_test::FakeRtlTcpServer server({radio_test::Serving(samples)}, 1200ms);
    std::vector<std::string> notices;
    vantrel::LiveRadioSettings settings;
    settings.waitAtStart = true;
    settings.notice = [&notices](std::string_view line) { notices.emplace_back(line); };
    vantrel::RtlTcpSource source(server.address(), {169.45e6, 2.4e6, {}}, settings);
    std::vector<char> got;
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (got.size() < samples.size() && std::chrono::steady_clock::now() < until) {
        const auto piece = source.Read();
        ASSERT_TRUE(piece.has_value());
        EXPECT_LE(piece->size(), 262144U);
        got.insert(got.end(), piece->begin(), piece->end());
    }
    EXPECT_EQ(got, std::vector<char>(samples.begin(), samples.end()));
    EXPECT_EQ(notices, std::vector<std::string>{"rtl_tcp " + server.address() +
                                                ": Connection refused; waiting for it"});
    EXPECT_EQ(source.breaks(), 0U);
}

} // namespace

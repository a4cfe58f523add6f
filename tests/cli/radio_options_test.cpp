// --rtl-tcp, --soapy and --gain: what each takes and refuses, naming the option; the radio they
// open, tuned as asked (to a fake rtl_tcp server, whose commands show the gain).
#include "fake_rtl_tcp_server.h"
#include "radio_options.h"

#include <CLI/CLI.hpp>

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace std::chrono_literals;
using vantrel::decode::RadioOptions;

struct ParseCase {
    std::vector<std::string> args;
    const char* error; // part of the parse error, or of the combination's problem; nullptr: none
};

// Parses `args`; the parse error or the problem of the combination, "" when none.
std::string ProblemOf(const std::vector<std::string>& args, RadioOptions& radio) {
    CLI::App app;
    vantrel::decode::AddRadioOptions(app, radio);
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        return error.what();
    }
    return vantrel::decode::RadioProblem(radio).value_or("");
}

TEST(RadioOptions, TakenOrRefusedNamingTheOption) {
    const ParseCase cases[] = {
        {{"--rtl-tcp", "127.0.0.1:1234"}, nullptr},
        {{"--rtl-tcp", "[::1]:1234", "--gain", "29.7"}, nullptr},
        {{"--soapy", "driver=rtlsdr", "--gain", "auto"}, nullptr},
        {{"--soapy", ""}, nullptr},
        {{"--rtl-tcp", "host:99999"}, "--rtl-tcp: the port is a number from 1 to 65535"},
        {{"--rtl-tcp", "::1"}, "--rtl-tcp: an IPv6 address goes in brackets"},
        {{"--rtl-tcp", "h:1", "--gain", "-3"}, "--gain: a gain in dB from 0 to 100, or auto"},
        {{"--rtl-tcp", "h:1", "--gain", "loud"}, "--gain: a gain in dB from 0 to 100, or auto"},
        {{"--rtl-tcp", "h:1", "--soapy", "driver=rtlsdr"}, "give one of them"},
        {{"--gain", "20"}, "--gain is the gain of the radio of --rtl-tcp or --soapy"},
    };
    for (const ParseCase& c : cases) {
        RadioOptions radio;
        const std::string problem = ProblemOf(c.args, radio);
        std::string args;
        for (const std::string& a : c.args)
            args += a + ' ';
        if (c.error == nullptr)
            EXPECT_EQ(problem, "") << args;
        else
            EXPECT_NE(problem.find(c.error), std::string::npos) << args << ": " << problem;
    }
}

TEST(RadioOptions, HelpIsOneLineEachInTheRadioGroup) {
    CLI::App app;
    RadioOptions radio;
    vantrel::decode::AddRadioOptions(app, radio);
    std::istringstream help(app.help());
    std::vector<std::string> lines;
    bool inGroup = false;
    for (std::string line; std::getline(help, line);) {
        if (!line.empty() && line.back() == ':')
            inGroup = line == "Radio:";
        else if (inGroup && line.find("--") != std::string::npos)
            lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 3U) << app.help();
    for (const std::string& line : lines)
        EXPECT_LE(line.size(), 100U) << line;
}

TEST(RadioOptions, OpenTheRadioTheyName) {
    RadioOptions none;
    EXPECT_EQ(vantrel::decode::OpenLiveIqSource(none, 169.45e6, 2.4e6, {}), nullptr);

    RadioOptions soapy;
    soapy.soapy = "driver=rtlsdr";
    const auto device = vantrel::decode::OpenLiveIqSource(soapy, 169.45e6, 2.4e6, {});
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->name(), "SoapySDR driver=rtlsdr");
    EXPECT_EQ(device->format(), channelizer::IqFormat::F32);

    radio_test::FakeRtlTcpServer server({radio_test::Serving({})});
    RadioOptions rtlTcp;
    rtlTcp.rtlTcp = server.address();
    rtlTcp.gain = "20";
    const auto source = vantrel::decode::OpenLiveIqSource(rtlTcp, 169.45e6, 2.4e6, {});
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->format(), channelizer::IqFormat::U8);
    EXPECT_EQ(source->sampleRate(), 2.4e6);
    EXPECT_EQ(source->centerHz(), 169.45e6);
    // Read until the server has served its connection (it then vanishes: said, not thrown).
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (source->breaks() == 0 && std::chrono::steady_clock::now() < until)
        source->Read();
    server.Stop();
    ASSERT_EQ(server.received().size(), 1U);
    const std::vector<radio_test::Command> tuned = {
        {0x02, 2400000}, {0x01, 169450000}, {0x03, 1}, {0x04, 200}, {0x08, 0}};
    EXPECT_EQ(radio_test::CommandsIn(server.received()[0]), tuned);
}

} // namespace

// A SoapySDR device that is not there: one line with SoapySDR's own description, and nothing
// of the library's own on standard error; or, when the run waits for it, that line said once.
#include "file_error.h"
#include "soapy_source.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;

constexpr const char* Missing = "driver=vantrel_missing";

TEST(SoapySource, MissingDeviceIsOneLineWithSoapySdrsReason) {
    vantrel::SoapySource source(Missing, {169.45e6, 2.4e6, {}}, {});
    EXPECT_EQ(source.name(), std::string("SoapySDR ") + Missing);
    testing::internal::CaptureStderr();
    std::string error;
    try {
        source.Read();
    } catch (const vantrel::FileError& e) {
        error = e.what();
    }
    const std::string library = testing::internal::GetCapturedStderr();
    EXPECT_EQ(error, std::string("SoapySDR ") + Missing + ": SoapySDR::Device::make() no match");
    EXPECT_EQ(library, "");
}

TEST(SoapySource, MissingDeviceWaitedForIsSaidOnce) {
    std::vector<std::string> notices;
    vantrel::LiveRadioSettings settings;
    settings.waitAtStart = true;
    settings.notice = [&notices](std::string_view line) { notices.emplace_back(line); };
    vantrel::SoapySource source(Missing, {169.45e6, 2.4e6, {}}, settings);
    // Long enough for several tries (after 0.2 and 0.4 s), each read a tenth of a second.
    const auto until = std::chrono::steady_clock::now() + 1s;
    int reads = 0;
    while (std::chrono::steady_clock::now() < until) {
        const auto piece = source.Read();
        ASSERT_TRUE(piece.has_value());
        EXPECT_TRUE(piece->empty());
        ++reads;
    }
    EXPECT_GE(reads, 5);
    EXPECT_EQ(notices, std::vector<std::string>{std::string("SoapySDR ") + Missing +
                                                ": SoapySDR::Device::make() no match; "
                                                "waiting for it"});
    EXPECT_EQ(source.breaks(), 0U);
}

} // namespace

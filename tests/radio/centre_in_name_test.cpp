#include "centre_in_name.h"

#include "case_name.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace {

struct NameCase {
    std::string path;
    std::optional<double> centre;
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << c.path;
}

class CentreOfName : public testing::TestWithParam<NameCase> {};

TEST_P(CentreOfName, AsTheProgramsWriteIt) {
    EXPECT_EQ(vantrel::CentreInName(GetParam().path), GetParam().centre);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CentreOfName,
    testing::Values(NameCase{"SDRSharp_20260101_120000Z_169450000Hz_IQ.wav", 169.45e6},
                    NameCase{"/data/HDSDR_20260101_120000Z_169450kHz_RF.wav", 169.45e6},
                    NameCase{"01-Jan-2026 120000.000 446.00625MHz.wav", 446.00625e6},
                    NameCase{"SDRuno_20260101_120000_27.255MHZ.wav", 27.255e6},
                    // Its folder names a frequency, the file none.
                    NameCase{"/captures/169450000Hz/capture.wav", std::nullopt},
                    NameCase{"capture.wav", std::nullopt},
                    // Two different ones: neither is trusted.
                    NameCase{"band_169450000Hz_to_170000000Hz.wav", std::nullopt},
                    NameCase{"band_169450000Hz_169.45MHz.wav", 169.45e6},
                    // A unit must end its word, a number must start one.
                    NameCase{"test_12Hzx.wav", std::nullopt},
                    NameCase{"v2_169450000Hz.wav", 169.45e6},
                    NameCase{"rev169450000Hz.wav", std::nullopt},
                    NameCase{"a_1.2.3MHz.wav", std::nullopt}),
    [](const auto& info) { return case_name::Words(info.param.path); });

} // namespace

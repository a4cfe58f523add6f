// IQ bytes to samples: each format's scaling, and pieces cut anywhere (inside a value, between
// I and Q) giving what the whole gives, with a cut pair's bytes held.
#include "iq_samples.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using channelizer::IqConverter;
using channelizer::IqFormat;
using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::complex<float>>;

Bytes FloatBytes(std::initializer_list<float> values) {
    Bytes bytes;
    for (const float v : values) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, 4);
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    return bytes;
}

struct ScaleCase {
    const char* name;
    IqFormat format;
    Bytes bytes;
    Samples expected;
};

void PrintTo(const ScaleCase& c, std::ostream* os) {
    *os << c.name;
}

class Scale : public testing::TestWithParam<ScaleCase> {};

TEST_P(Scale, FullScaleIsOne) {
    IqConverter converter(GetParam().format);
    Samples samples;
    converter.Convert(GetParam().bytes, samples);
    ASSERT_EQ(samples.size(), GetParam().expected.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        EXPECT_FLOAT_EQ(samples[i].real(), GetParam().expected[i].real()) << i;
        EXPECT_FLOAT_EQ(samples[i].imag(), GetParam().expected[i].imag()) << i;
    }
    EXPECT_EQ(converter.heldBytes(), 0U);
}

const float Inf = std::numeric_limits<float>::infinity();
const float NaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Formats, Scale,
    testing::Values(
        // rtl_sdr: 0 and 255 are the ends, zero lies between 127 and 128.
        ScaleCase{
            "u8", IqFormat::U8, {0, 255, 127, 128}, {{-1, 1}, {-0.5F / 127.5F, 0.5F / 127.5F}}},
        ScaleCase{
            "s8", IqFormat::S8, {0x80, 0x7f, 0, 0xff}, {{-1, 127 / 128.0F}, {0, -1 / 128.0F}}},
        ScaleCase{"s16",
                  IqFormat::S16,
                  {0x00, 0x80, 0xff, 0x7f, 0x01, 0x00, 0xff, 0xff},
                  {{-1, 32767 / 32768.0F}, {1 / 32768.0F, -1 / 32768.0F}}},
        ScaleCase{"f32",
                  IqFormat::F32,
                  FloatBytes({0.25F, -1.5F, 3e9F, -3e9F}),
                  {{0.25F, -1.5F}, {1e6F, -1e6F}}},
        // Garbage in a float capture is silence, not a poisoned filter.
        ScaleCase{"f32_not_finite",
                  IqFormat::F32,
                  FloatBytes({NaN, Inf, -Inf, 0.5F}),
                  {{0, 0}, {0, 0.5F}}}),
    [](const auto& info) { return std::string(info.param.name); });

class Pieces : public testing::TestWithParam<const char*> {};

TEST_P(Pieces, AnyCutGivesTheWhole) {
    const IqFormat format = channelizer::IqFormatNamed(GetParam()).value();
    Bytes bytes(4 * 8 * 7 + 3); // several pairs and a cut one at the end
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    IqConverter whole(format);
    Samples expected;
    whole.Convert(bytes, expected);
    for (std::size_t piece = 1; piece <= 9; ++piece) {
        IqConverter converter(format);
        Samples samples;
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            converter.Convert(std::span(bytes).subspan(at, std::min(piece, bytes.size() - at)),
                              samples);
        ASSERT_EQ(samples.size(), expected.size()) << "pieces of " << piece;
        for (std::size_t i = 0; i < samples.size(); ++i)
            ASSERT_EQ(samples[i], expected[i]) << "pieces of " << piece << ", sample " << i;
        EXPECT_EQ(converter.heldBytes(), bytes.size() % converter.pairBytes());
    }
    EXPECT_EQ(expected.size(), bytes.size() / whole.pairBytes());
}

INSTANTIATE_TEST_SUITE_P(Formats, Pieces, testing::Values("u8", "s8", "s16", "f32"),
                         [](const auto& info) { return std::string(info.param); });

TEST(IqFormatNamed, EveryTableNameAndNoOther) {
    for (const channelizer::IqFormatInfo& info : channelizer::IqFormats)
        EXPECT_EQ(channelizer::IqFormatNamed(info.name), info.format) << info.name;
    EXPECT_EQ(channelizer::IqFormatNamed("U8"), std::nullopt);
    EXPECT_EQ(channelizer::IqFormatNamed("wav"), std::nullopt);
}

} // namespace

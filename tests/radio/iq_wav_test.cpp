#include "iq_wav.h"

#include "case_name.h"
#include "wav_bytes.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace {

using channelizer::IqFormat;
using vantrel::IqWavHeader;
using vantrel::ReadIqWavHeader;
using wav_bytes::Chunk;
using wav_bytes::Format;
using wav_bytes::Put;

std::string Riff(const std::string& chunks, const std::string& magic = "RIFF") {
    std::string wav = magic;
    Put(wav, 4 + chunks.size(), 4);
    return wav + "WAVE" + chunks;
}

std::string Data(std::uint32_t announced, std::size_t held = 8) {
    std::string data = "data";
    Put(data, announced, 4);
    return data + std::string(held, '\x7f');
}

struct HeaderCase {
    std::string name;
    std::string bytes;
    IqFormat format;
    double rate;
    std::optional<double> centre;
    std::optional<std::uint64_t> dataBytes;
};

std::string XmlAuxi() {
    return Chunk("auxi", "<SDR-XML-Root><Definition SampleRate=\"2400000\" "
                         "RadioCenterFreq=\"169450000\" UTC=\"0\"></Definition></SDR-XML-Root>");
}

std::string Extensible(int subTag) {
    std::string fmt;
    for (const auto& [value, bytes] : std::initializer_list<std::pair<std::uint64_t, int>>{
             {0xFFFE, 2},
             {2, 2},
             {2400000, 4},
             {2400000 * 2 * 4, 4},
             {8, 2},
             {32, 2},
             {22, 2},
             {32, 2},
             {3, 4},
             {static_cast<std::uint64_t>(subTag), 2}})
        Put(fmt, value, bytes);
    fmt.append(14, '\0'); // the rest of the format's identifier
    return Chunk("fmt ", fmt);
}

std::string Rf64(std::uint64_t dataBytes) {
    std::string ds64;
    Put(ds64, 0, 8);
    Put(ds64, dataBytes, 8);
    Put(ds64, 0, 8);
    Put(ds64, 0, 4);
    return Riff(Chunk("ds64", ds64) + Format(1, 2, 1000000, 16) + Data(0xFFFFFFFF), "RF64");
}

// Failures name the case, not its bytes.
void PrintTo(const HeaderCase& c, std::ostream* out) {
    *out << c.name;
}

class ReadsHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(ReadsHeader, FormatRateCentreAndLength) {
    const HeaderCase& c = GetParam();
    const IqWavHeader header = ReadIqWavHeader(c.bytes);
    ASSERT_EQ(header.status, IqWavHeader::Status::Ready) << header.problem;
    EXPECT_EQ(header.start.format, c.format);
    EXPECT_EQ(header.start.sampleRate, c.rate);
    EXPECT_EQ(header.start.centreHz, c.centre);
    EXPECT_EQ(header.start.dataBytes, c.dataBytes);
    EXPECT_EQ(c.bytes.substr(static_cast<std::size_t>(header.start.dataOffset)),
              std::string(8, '\x7f'));
}

INSTANTIATE_TEST_SUITE_P(
    IqWav, ReadsHeader,
    testing::Values(
        HeaderCase{"s16 with a binary auxi",
                   Riff(Format(1, 2, 1000000, 16) + wav_bytes::Auxi(446100000) + Data(8)),
                   IqFormat::S16, 1e6, 446.1e6, 8},
        HeaderCase{"u8 without auxi", Riff(Format(1, 2, 2048000, 8) + Data(8)), IqFormat::U8,
                   2.048e6, std::nullopt, 8},
        HeaderCase{"float extensible, auxi after data's format",
                   Riff(Extensible(3) + XmlAuxi() + Data(8)), IqFormat::F32, 2.4e6, 169.45e6, 8},
        HeaderCase{"auxi of zeros names no centre",
                   Riff(Format(1, 2, 1000000, 16) + wav_bytes::Auxi(0) + Data(8)), IqFormat::S16,
                   1e6, std::nullopt, 8},
        HeaderCase{"auxi before fmt, a LIST chunk between",
                   Riff(wav_bytes::Auxi(27000000) + Chunk("LIST", "INFOabc") +
                        Format(1, 2, 1000000, 16) + Data(8)),
                   IqFormat::S16, 1e6, 27e6, 8},
        HeaderCase{"still written: length 0", Riff(Format(1, 2, 1000000, 16) + Data(0)),
                   IqFormat::S16, 1e6, std::nullopt, std::nullopt},
        HeaderCase{"RF64 length from ds64", Rf64(std::uint64_t{6} << 30), IqFormat::S16, 1e6,
                   std::nullopt, std::uint64_t{6} << 30}),
    [](const auto& info) { return case_name::Words(info.param.name); });

struct RefusedCase {
    std::string name;
    std::string bytes;
    std::string problem;
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusesHeader : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusesHeader, InOneLine) {
    const IqWavHeader header = ReadIqWavHeader(GetParam().bytes);
    EXPECT_EQ(header.status, IqWavHeader::Status::Invalid);
    EXPECT_NE(header.problem.find(GetParam().problem), std::string::npos) << header.problem;
}

INSTANTIATE_TEST_SUITE_P(
    IqWav, RefusesHeader,
    testing::Values(
        RefusedCase{"mono", Riff(Format(1, 1, 48000, 16) + Data(8)),
                    "a WAV of 1 channel: --iq wav reads I and Q as its two channels"},
        RefusedCase{"four channels", Riff(Format(1, 4, 48000, 16) + Data(8)), "4 channels"},
        RefusedCase{"24-bit", Riff(Format(1, 2, 48000, 24) + Data(8)), "24-bit integers"},
        RefusedCase{"64-bit float", Riff(Format(3, 2, 48000, 64) + Data(8)), "64-bit floats"},
        RefusedCase{"not a WAV", std::string("\x7f\x80\x81\x7e\x7f\x80\x81\x7e\x7f\x80\x81\x7e"),
                    "not a WAV file"},
        RefusedCase{"RIFF of another kind", "RIFF" + std::string(4, '\0') + "AVI LIST",
                    "not a WAV file"},
        RefusedCase{"samples before their format", Riff(Data(8)), "samples before their format"},
        RefusedCase{"rate 0", Riff(Format(1, 2, 0, 16) + Data(8)), "sample rate is 0"}),
    [](const auto& info) { return case_name::Words(info.param.name); });

// A WAV arriving in pieces is read only once its samples begin: every shorter start waits.
TEST(IqWav, EveryStartBeforeTheSamplesWaits) {
    const std::string wav =
        Riff(Format(1, 2, 1000000, 16) + wav_bytes::Auxi(446100000) + Data(8, 0));
    for (std::size_t size = 0; size < wav.size(); ++size)
        ASSERT_EQ(ReadIqWavHeader(wav.substr(0, size)).status, IqWavHeader::Status::Incomplete)
            << size << " bytes";
    EXPECT_EQ(ReadIqWavHeader(wav).status, IqWavHeader::Status::Ready);
}

} // namespace

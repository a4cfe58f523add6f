// Sound read as it arrives: the WAV header of a file still being written, and samples from
// frames cut anywhere.
#include "../harness/wav_bytes.h"
#include "sound_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using vantrel::PcmFormat;
using vantrel::PcmSamples;
using vantrel::ReadWavHeader;
using vantrel::SoundStream;
using vantrel::WavHeader;

using wav_bytes::Chunk;
using wav_bytes::Format;
using wav_bytes::Le;

struct HeaderCase {
    const char* name;
    std::string bytes;
    WavHeader::Status status;
    int rate = 0;
    int bytesPerSample = 0;
    bool isFloat = false;
    std::uint64_t dataOffset = 0;
    std::optional<std::uint64_t> dataBytes;
};

TEST(WavHeader, Cases) {
    const std::string mono16 = Format(1, 1, 48000, 16);
    const std::string extensibleFloat = Format(0xFFFE, 2, 8000, 32) + Le(22, 2) + Le(32, 2) +
                                        Le(3, 4) + Le(3, 2) + std::string(14, 'x');
    const std::string ds64 = Chunk("ds64", Le(0, 8) + Le(5000, 8) + Le(0, 8) + Le(0, 4), 28);
    const std::vector<HeaderCase> cases = {
        {"announced length", wav_bytes::Header(mono16, 1000), WavHeader::Status::Ready, 48000, 2,
         false, 44, 1000},
        {"zero length: as long as it grows", wav_bytes::Header(mono16, 0), WavHeader::Status::Ready,
         48000, 2, false, 44, std::nullopt},
        {"largest length: unknown", wav_bytes::Header(mono16, 0xFFFFFFFF), WavHeader::Status::Ready,
         48000, 2, false, 44, std::nullopt},
        {"odd chunk before the data, padded",
         wav_bytes::Header(mono16, 10, Chunk("LIST", "abc", 3)), WavHeader::Status::Ready, 48000, 2,
         false, 56, 10},
        {"extensible float", wav_bytes::Header(extensibleFloat, 0), WavHeader::Status::Ready, 8000,
         4, true, 68, std::nullopt},
        {"RF64 length in ds64", wav_bytes::Header(mono16, 0xFFFFFFFF, ds64, "RF64"),
         WavHeader::Status::Ready, 48000, 2, false, 80, 5000},
        {"cut in the format", wav_bytes::Header(mono16, 0).substr(0, 30),
         WavHeader::Status::Incomplete, 0, 0, false, 0, std::nullopt},
        {"cut before the data length", wav_bytes::Header(mono16, 0).substr(0, 40),
         WavHeader::Status::Incomplete, 0, 0, false, 0, std::nullopt},
        {"cut in a chunk before the data",
         wav_bytes::Header(mono16, 0, Chunk("LIST", std::string(100, 'x'), 100)).substr(0, 80),
         WavHeader::Status::Incomplete, 0, 0, false, 0, std::nullopt},
        {"not RIFF", "FORM" + wav_bytes::Header(mono16, 0).substr(4), WavHeader::Status::Invalid, 0,
         0, false, 0, std::nullopt},
        {"mu-law", wav_bytes::Header(Format(7, 1, 8000, 8), 0), WavHeader::Status::Invalid, 0, 0,
         false, 0, std::nullopt},
        {"rate too low", wav_bytes::Header(Format(1, 1, 4000, 16), 0), WavHeader::Status::Invalid,
         0, 0, false, 0, std::nullopt},
        {"no channels", wav_bytes::Header(Format(1, 0, 8000, 16), 0), WavHeader::Status::Invalid, 0,
         0, false, 0, std::nullopt},
        {"data before format", "RIFF" + Le(0, 4) + "WAVEdata" + Le(0, 4),
         WavHeader::Status::Invalid, 0, 0, false, 0, std::nullopt},
        {"chunk too long to be a header", wav_bytes::Header(mono16, 0, "junk" + Le(0x7FFFFFFF, 4)),
         WavHeader::Status::Invalid, 0, 0, false, 0, std::nullopt},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const WavHeader header = ReadWavHeader(c.bytes);
        ASSERT_EQ(header.status, c.status) << header.problem;
        if (c.status == WavHeader::Status::Invalid) {
            EXPECT_FALSE(header.problem.empty());
        }
        if (c.status != WavHeader::Status::Ready)
            continue;
        EXPECT_EQ(header.start.format.sampleRate, c.rate);
        EXPECT_EQ(header.start.format.bytesPerSample, c.bytesPerSample);
        EXPECT_EQ(header.start.format.isFloat, c.isFloat);
        EXPECT_EQ(header.start.dataOffset, c.dataOffset);
        EXPECT_EQ(header.start.dataBytes, c.dataBytes);
    }
}

struct SampleCase {
    const char* name;
    PcmFormat format;
    int channel;
    std::string bytes;
    std::vector<float> samples;
};

// Every stored form to the same scale, the chosen channel of interleaved frames, and the
// same samples whatever the pieces the bytes arrive in.
TEST(PcmSamples, FormsAndCuts) {
    float nan = 0;
    const std::uint32_t nanBits = 0x7FC00000;
    std::memcpy(&nan, &nanBits, sizeof nan);
    float half = 0.5F;
    std::string halfBytes(4, '\0');
    std::memcpy(halfBytes.data(), &half, 4);
    std::string nanBytes(4, '\0');
    std::memcpy(nanBytes.data(), &nanBits, 4);
    const std::vector<SampleCase> cases = {
        {"8-bit unsigned",
         {8000, 1, 1, false},
         0,
         std::string("\x80\xC0\x00", 3),
         {0.0F, 0.5F, -1.0F}},
        {"16-bit", {8000, 1, 2, false}, 0, Le(0x4000, 2) + Le(0x8000, 2), {0.5F, -1.0F}},
        {"24-bit", {8000, 1, 3, false}, 0, Le(0xC00000, 3) + Le(0x200000, 3), {-0.5F, 0.25F}},
        {"32-bit", {8000, 1, 4, false}, 0, Le(0x40000000, 4), {0.5F}},
        {"float, NaN taken as 0", {8000, 1, 4, true}, 0, halfBytes + nanBytes, {0.5F, 0.0F}},
        {"second of two channels",
         {8000, 2, 2, false},
         1,
         Le(0x1000, 2) + Le(0x4000, 2) + Le(0x1000, 2) + Le(0xC000, 2),
         {0.5F, -0.5F}},
    };
    for (const SampleCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            PcmSamples samples(c.format, c.channel);
            std::vector<float> out;
            samples.Add(std::string_view(c.bytes).substr(0, cut), out);
            samples.Add(std::string_view(c.bytes).substr(cut), out);
            EXPECT_EQ(out, c.samples) << "cut at " << cut;
            EXPECT_FALSE(samples.Partial());
        }
    }
}

// A WAV's announced data is all that is sound: a chunk after it is not read as samples; a
// header that claims nothing is read as long as bytes come. Split anywhere, header included.
TEST(SoundStream, WavDataAsAnnouncedOrAsItGrows) {
    const std::string samples = Le(0x4000, 2) + Le(0x2000, 2);
    const std::string trailer = Chunk("LIST", "ab", 2);
    for (const bool announced : {true, false}) {
        const std::string bytes =
            wav_bytes::Header(Format(1, 1, 8000, 16), announced ? samples.size() : 0) + samples +
            trailer;
        for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
            SoundStream stream = SoundStream::Wav();
            std::vector<float> out;
            ASSERT_TRUE(stream.Add(bytes.substr(0, cut), out));
            ASSERT_TRUE(stream.Add(bytes.substr(cut), out));
            EXPECT_EQ(stream.sampleRate(), 8000);
            ASSERT_GE(out.size(), 2U) << "cut at " << cut;
            EXPECT_EQ(out[0], 0.5F);
            EXPECT_EQ(out[1], 0.25F);
            EXPECT_EQ(out.size(), announced ? 2U : 2U + trailer.size() / 2) << "cut at " << cut;
            EXPECT_EQ(stream.DataComplete(), announced);
        }
    }
    SoundStream broken = SoundStream::Wav();
    std::vector<float> out;
    EXPECT_FALSE(broken.Add(std::string("RIFF\0\0\0\0AIFF", 12), out));
    EXPECT_FALSE(broken.problem().empty());
}

} // namespace

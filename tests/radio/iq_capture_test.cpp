#include "capture_bytes.h"
#include "file_error.h"
#include "gzip_bytes.h"
#include "iq_capture.h"
#include "scratch_folder.h"
#include "wav_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vantrel::CaptureLayout;
using vantrel::IqCapture;

// Bytes handed out `size` at a time, with an empty piece (nothing came yet) between each two.
IqCapture::ArrivingBytes Trickle(const std::string& bytes, std::size_t size) {
    return [bytes, size, at = std::size_t{0},
            pause = false]() mutable -> std::optional<std::string_view> {
        if (at >= bytes.size())
            return std::nullopt;
        pause = !pause;
        if (pause)
            return std::string_view();
        const std::string_view piece = std::string_view(bytes).substr(at, size);
        at += piece.size();
        return piece;
    };
}

std::string ReadAll(IqCapture& capture) {
    std::string read;
    while (const std::optional<std::span<const char>> piece = capture.Read())
        read.append(piece->data(), piece->size());
    return read;
}

std::string Samples(std::size_t count) {
    std::string samples;
    for (std::size_t i = 0; i < count; ++i)
        samples += static_cast<char>(i * 7);
    return samples;
}

// A WAV trickling in: its header read whatever the pieces, then its samples and nothing of
// the chunk after them, and what it says of itself.
TEST(IqCapture, WavInPiecesGivesItsSamplesOnly) {
    const std::string samples = Samples(4000);
    const std::string wav =
        wav_bytes::Wav(samples, 1000000, 446100000) + wav_bytes::Chunk("LIST", "INFOtail");
    for (const std::size_t size : {1U, 3U, 97U, 100000U}) {
        IqCapture capture("rx.wav", {}, Trickle(wav, size));
        ASSERT_TRUE(capture.ready());
        EXPECT_EQ(ReadAll(capture), samples) << size;
        EXPECT_EQ(capture.format(), channelizer::IqFormat::S16);
        EXPECT_EQ(capture.sampleRate(), 1e6);
        EXPECT_EQ(capture.centerHz(), 446.1e6);
        EXPECT_FALSE(capture.endedEarly());
        EXPECT_EQ(capture.SecondsAhead(std::nullopt), 0.001);
    }
}

TEST(IqCapture, WavShorterThanItsHeaderSaysEndedEarly) {
    const std::string samples = Samples(4000);
    IqCapture capture("rx.wav", {}, Trickle(wav_bytes::Wav(samples, 1000000, 0, 8000), 512));
    EXPECT_EQ(ReadAll(capture), samples);
    EXPECT_TRUE(capture.endedEarly());
    EXPECT_EQ(capture.announcedBytes(), 8000U);
}

struct CentreCase {
    const char* what;
    std::optional<std::uint32_t> auxi;
    std::optional<double> option;
    double centre;
};

// The user's centre over the auxi chunk's, the auxi chunk's over the name's.
TEST(IqCapture, CentreFromTheOptionThenAuxiThenName) {
    const std::string name = "SDRSharp_20260101_120000Z_169450000Hz_IQ.wav";
    for (const CentreCase& c : {CentreCase{"name alone", std::nullopt, std::nullopt, 169.45e6},
                                CentreCase{"auxi over name", 169400000, std::nullopt, 169.4e6},
                                CentreCase{"option over both", 169400000, 169.5e6, 169.5e6}}) {
        CaptureLayout layout;
        layout.centreHz = c.option;
        IqCapture capture(name, layout, Trickle(wav_bytes::Wav(Samples(8), 1000000, c.auxi), 64));
        EXPECT_EQ(capture.centerHz(), c.centre) << c.what;
    }
    CaptureLayout raw;
    raw.raw = channelizer::IqFormat::U8;
    raw.sampleRate = 2.4e6;
    IqCapture named("/tmp/rtl_169450000Hz.u8", raw, Trickle(Samples(8), 8));
    EXPECT_EQ(named.centerHz(), 169.45e6);
    EXPECT_EQ(named.SecondsAhead(4800000), 1.0);
}

TEST(IqCapture, WavRefusedOrCutInItsHeaderSaysWhy) {
    const std::string wav = wav_bytes::Wav(Samples(8), 1000000, 169400000);
    EXPECT_THROW(IqCapture("cut.wav", {}, Trickle(wav.substr(0, 40), 7)), vantrel::FileError);
    EXPECT_THROW(IqCapture("empty.wav", {}, Trickle("", 7)), vantrel::FileError);
    EXPECT_THROW(IqCapture("raw.wav", {}, Trickle(Samples(100), 7)), vantrel::FileError);
}

class CaptureBytes : public testing_files::ScratchFolder {};

// A compressed capture is read whole, in order; one left half read is let go at once.
TEST_F(CaptureBytes, GzipReadOnceInOrderAndLetGo) {
    std::string content;
    for (int i = 0; i < 300000; ++i)
        content += static_cast<char>(i * 31 % 251);
    WriteFile(PathOf("band.u8.gz"), gzip_bytes::Gzip(content));
    vantrel::CaptureBytes bytes(PathOf("band.u8.gz"));
    EXPECT_EQ(bytes.compression(), vantrel::Compression::Gzip);
    EXPECT_EQ(bytes.size(), std::nullopt);
    std::string read;
    while (const std::optional<std::string_view> piece = bytes.Next())
        read.append(*piece);
    EXPECT_EQ(read, content);

    vantrel::CaptureBytes half(PathOf("band.u8.gz"));
    ASSERT_TRUE(half.Next());
}

TEST_F(CaptureBytes, DamagedGzipFailsAfterWhatCameBefore) {
    const std::string content(600000, 'x');
    const std::string packed = gzip_bytes::Gzip(content);
    WriteFile(PathOf("cut.u8.gz"), packed.substr(0, packed.size() - 8));
    vantrel::CaptureBytes bytes(PathOf("cut.u8.gz"));
    std::size_t read = 0;
    try {
        while (const std::optional<std::string_view> piece = bytes.Next())
            read += piece->size();
        FAIL() << "a cut gzip read to its end";
    } catch (const vantrel::FileError& error) {
        EXPECT_NE(error.description().find("gzip data"), std::string::npos);
    }
    EXPECT_GT(read, 0U);
}

} // namespace

// Follow mode's decode fed as a live input feeds it: a WAV still being written, its header
// claiming no data, read as a sample source, whose first call must be final when its
// transmission ends (not when the next call comes), with where and when it was heard; and a
// bit text whose open record is made final by a pause, the pause given as a time so no test
// waits for a clock.
#include "../harness/wav_bytes.h"
#include "encoder.h"
#include "live_sound.h"
#include "live_text.h"
#include "modulator.h"
#include "sound_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

using vantrel::LiveSound;
using vantrel::LiveText;
using vantrel::RecordEvents;
using vantrel::StreamRecord;

using wav_bytes::Le;

// A 16-bit mono WAV header as a recorder writes it before it knows the length: zeros.
std::string GrowingWavHeader(int rate) {
    return wav_bytes::Header(wav_bytes::Format(1, 1, rate, 16), 0);
}

std::string Pcm16(const std::vector<float>& samples) {
    std::string bytes;
    for (const float sample : samples)
        bytes += Le(
            static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(sample * 32767))), 2);
    return bytes;
}

encoder::Header From(std::uint32_t from) {
    encoder::Header header;
    header.from = from;
    return header;
}

struct Collected {
    std::vector<StreamRecord> records;
    RecordEvents events;
    Collected() {
        events.recordEnd = [this](const StreamRecord& record) { records.push_back(record); };
    }
};

// Two calls with a second of silence after each; the bytes of the first call and its silence,
// then the rest, each in pieces of odd sizes.
TEST(LiveSound, GrowingWavRecordIsFinalWhenItsTransmissionEnds) {
    constexpr int Rate = 48000;
    modulator::Recording recording;
    recording.sampleRate = Rate;
    recording.ebN0Db = 20;
    modulator::Modulator sound(recording);
    sound.Silence(0.3);
    sound.Transmission("101010101010101010101010" + encoder::CallBlock(From(0x111)) + "0101");
    sound.Silence(1.0);
    const std::size_t firstPart = static_cast<std::size_t>(sound.seconds() * Rate) * 2;
    const double secondStart = sound.seconds();
    sound.Transmission("101010101010101010101010" + encoder::CallBlock(From(0x222)) + "0101");
    sound.Silence(1.0);
    const std::string bytes = GrowingWavHeader(Rate) + Pcm16(sound.Finish());

    Collected collected;
    LiveSound live(collected.events, demod::Polarity::Auto);
    // The bytes come as far as `until`: the first call and its silence in pieces growing from
    // 7 bytes, the rest in pieces of 4097.
    std::size_t at = 0;
    std::size_t until = 44 + firstPart;
    std::size_t piece = 7;
    vantrel::StreamedSound source(
        "live.wav", vantrel::SoundStream::Wav(), [&]() -> std::optional<std::string_view> {
            if (at == bytes.size())
                return std::nullopt;
            const std::string_view next =
                std::string_view(bytes).substr(at, std::min(piece, until - at));
            at += next.size();
            if (until < bytes.size())
                piece = piece * 3 + 1;
            return next;
        });
    const auto readUntil = [&] {
        while (at < until) {
            const std::optional<std::span<const float>> samples = source.Read();
            ASSERT_TRUE(samples.has_value());
            live.Feed(*samples, source.sampleRate());
        }
    };
    readUntil();
    ASSERT_EQ(collected.records.size(), 1U) << "the first call waited for the next one";
    until = bytes.size();
    piece = 4097;
    readUntil();
    ASSERT_EQ(collected.records.size(), 2U) << "the second call waited for the end of the input";
    EXPECT_FALSE(source.Read().has_value());
    live.Finish();
    ASSERT_EQ(collected.records.size(), 2U);

    EXPECT_EQ(collected.records[0].info.FromAddr, "1111");
    EXPECT_EQ(collected.records[1].info.FromAddr, "1222");
    for (const StreamRecord& record : collected.records) {
        ASSERT_TRUE(record.heard.has_value());
        EXPECT_FALSE(record.finalTime.empty());
        EXPECT_EQ(record.heard->utc.size(), std::string("2026-12-07T14:04:38.527Z").size());
        EXPECT_LE(record.heard->utc, record.finalTime); // both UTC: text order is time order
    }
    // Heard where it was sent: the second call's pattern after its own start, not the first's.
    EXPECT_NEAR(collected.records[0].heard->seconds, 0.3 + 24.0 / 1200, 0.05);
    EXPECT_NEAR(collected.records[1].heard->seconds, secondStart + 24.0 / 1200, 0.05);
    // The wall-clock time the second transmission began is later than the first's by the sound
    // between them, give or take the time the test took to feed it.
    EXPECT_GT(collected.records[1].heard->utc, collected.records[0].heard->utc);
}

// A bit text that stops: its record is final after the pause, not before; a pause inside a
// block ends it with what has come, and what comes after is decoded on.
TEST(LiveText, BitTextRecordIsFinalAfterAPause) {
    Collected collected;
    LiveText live(collected.events, false);
    const LiveText::Clock::time_point start{};
    const std::string first = encoder::CallBlock(From(0x111));
    live.Add(first + "\r\n", start);
    live.Quiet(start + LiveText::BitPause / 2);
    EXPECT_TRUE(collected.records.empty());
    live.Quiet(start + LiveText::BitPause);
    ASSERT_EQ(collected.records.size(), 1U);

    const std::string second = encoder::CallBlock(From(0x222));
    const std::string third = encoder::CallBlock(From(0x333));
    live.Add(second + "\r\n" + third.substr(0, 20), start + LiveText::BitPause * 2);
    live.Quiet(start + LiveText::BitPause * 3 - LiveText::Clock::duration(1));
    EXPECT_EQ(collected.records.size(), 1U);
    live.Quiet(start + LiveText::BitPause * 3);
    ASSERT_EQ(collected.records.size(), 2U);
    EXPECT_EQ(collected.records[1].info.FromAddr, "1222");
    EXPECT_FALSE(collected.records[1].heard.has_value());
    live.Add(third.substr(20) + "\r\n", start + LiveText::BitPause * 4);
    live.Finish();
    ASSERT_EQ(collected.records.size(), 3U);
    EXPECT_EQ(collected.records[2].info.FromAddr, "1333");
}

} // namespace

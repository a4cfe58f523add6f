// The automatic polarity is the receiver's: of 33 single-block calls at 10 dB Eb/N0, five read
// better turned round (an unlisted country code that reads as a listed one, an acknowledgement
// that reads as a status), the first of them first. A batch run weighs the whole file and reads
// every call as the forced true polarity does; a live run weighs what it has heard so far, so
// only the first call, with nothing before it, reads the other way round.
#include "../harness/scratch_folder.h"
#include "../harness/wav_bytes.h"
#include "encoder.h"
#include "live_sound.h"
#include "modulator.h"
#include "recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 48000;
constexpr std::uint32_t CallCount = 33;
const std::set<std::uint32_t> Ambiguous = {0, 4, 12, 21, 30};

// Country 40 reads, turned round, as 23 (listed); function 20 (an acknowledgement) as 43 (a
// status): either way round the check passes, and turned round names more.
encoder::Header CallHeader(std::uint32_t i) {
    const bool ambiguous = Ambiguous.contains(i);
    return {ambiguous ? 20U : encoder::NormalCall, ambiguous ? 40U : 10U, 1, 0x100 + i, 0x200 + i};
}

std::vector<float> CallsHeard(bool inverted) {
    modulator::Recording recording;
    recording.sampleRate = Rate;
    recording.ebN0Db = 10;
    recording.seed = 28;
    modulator::Modulator sound(recording);
    modulator::Impairments impairments;
    impairments.inverted = inverted;
    for (std::uint32_t i = 0; i < CallCount; ++i) {
        sound.Silence(0.3);
        sound.Transmission("101010101010101010101010" + encoder::CallBlock(CallHeader(i)) + "0101",
                           impairments);
    }
    sound.Silence(0.3);
    return sound.Finish();
}

// The calls read as sent: a NO FEC block, unbroken, from the call's sender.
std::set<std::uint32_t> CallsReadRight(const std::vector<vantrel::StreamRecord>& records) {
    std::set<std::uint32_t> right;
    for (const vantrel::StreamRecord& r : records)
        if (!r.noPattern && !r.fec && !r.info.Corrupted && r.info.FromAddr.size() == 4)
            right.insert(static_cast<std::uint32_t>(std::stoul(r.info.FromAddr, nullptr, 16)) -
                         0x1100);
    return right;
}

class ReceiverPolarity : public testing_files::ScratchFolder {
protected:
    std::set<std::uint32_t> Decode(const std::vector<float>& audio, bool live,
                                   demod::Polarity polarity) {
        std::vector<vantrel::StreamRecord> records;
        vantrel::RecordEvents events;
        events.recordEnd = [&](const vantrel::StreamRecord& r) { records.push_back(r); };
        if (live) {
            vantrel::LiveSound sound(events, polarity);
            for (std::size_t at = 0; at < audio.size(); at += 4800)
                sound.Feed(
                    std::span(audio).subspan(at, std::min<std::size_t>(4800, audio.size() - at)),
                    Rate);
            sound.Finish();
            return CallsReadRight(records);
        }
        std::string bytes = wav_bytes::Header(wav_bytes::Format(1, 1, Rate, 16), audio.size() * 2);
        for (const float sample : audio)
            bytes += wav_bytes::Le(static_cast<std::uint16_t>(std::lround(sample * 32767)), 2);
        WriteFile(PathOf("calls.wav"), bytes);
        const vantrel::Recording recording =
            vantrel::OpenRecording(PathOf("calls.wav"), polarity, 0);
        vantrel::StreamWhole(
            *recording.bits,
            vantrel::WholeOptions(recording, modETSI300230::SyncRule::WholeFile, {}), events);
        return CallsReadRight(records);
    }
};

TEST_F(ReceiverPolarity, OneCallDoesNotTurnTheReceiver) {
    for (const bool inverted : {false, true}) {
        const std::vector<float> audio = CallsHeard(inverted);
        for (const bool live : {false, true}) {
            SCOPED_TRACE(std::string(inverted ? "inverted" : "normal") + (live ? ", live" : ""));
            const std::set<std::uint32_t> told =
                Decode(audio, live, inverted ? demod::Polarity::Inverted : demod::Polarity::Normal);
            ASSERT_GE(told.size(), CallCount - 2); // the noise may cost a call, not more
            std::set<std::uint32_t> expected = told;
            if (live)
                expected.erase(0); // heard first, with nothing before it to outweigh it
            EXPECT_EQ(Decode(audio, live, demod::Polarity::Auto), expected);
        }
    }
}

} // namespace

// Sound files to bits and to the map of where each bit was heard.
#include "demodulate_sound.h"

#include "../harness/scratch_folder.h"
#include "encoder.h"
#include "modulator.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using testing_files::ScratchFolder;

constexpr int Rate = 16000;

struct Placed {
    std::string block;
    double startSeconds;
    double levelDbfs; // peak of the tones
    double ebN0Db = 0;
};

std::string Keyed(const std::string& block) {
    return "101010101010101010101010" + block + "0101";
}

void WriteWav(const std::string& path, const std::vector<float>& audio) {
    SF_INFO info{};
    info.samplerate = Rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    sf_writef_float(file, audio.data(), static_cast<sf_count_t>(audio.size()));
    sf_close(file);
}

class DemodulateWholeTest : public ScratchFolder {
protected:
    // Three calls with silence and speech between them, each at its own level, all under the
    // same noise.
    void SetUp() override {
        ScratchFolder::SetUp();
        modulator::Recording recording;
        recording.sampleRate = Rate;
        recording.ebN0Db = 17;
        recording.seed = 5;
        modulator::Modulator sound(recording);
        const encoder::Header headers[] = {{encoder::NormalCall, 10, 1, 0x234, 0x567},
                                           {18, 10, 1, 0x567, 0x234},
                                           {encoder::NormalCall, 12, 3, 0x101, 0x001}};
        const double levels[] = {-6, -11, -16};
        sound.Silence(0.75);
        for (int i = 0; i < 3; ++i) {
            placed_.push_back({encoder::CallBlock(headers[i]), sound.seconds(), levels[i]});
            modulator::Impairments impairments;
            impairments.levelDbfs = levels[i];
            sound.Transmission(Keyed(placed_.back().block), impairments);
            sound.Silence(0.5);
            sound.Voice(0.7, -20);
            sound.Silence(0.4);
        }
        // The noise is set against the mean power of all transmissions; a sine's power is
        // half its peak squared.
        for (Placed& p : placed_)
            p.ebN0Db = recording.ebN0Db + 10 * std::log10(0.5 * std::pow(10.0, p.levelDbfs / 10) /
                                                          sound.signalPower());
        path_ = PathOf("calls.wav");
        WriteWav(path_, sound.Finish());
    }

    std::vector<Placed> placed_;
    std::string path_;
};

// The transmissions lie end to end over the joined bits, and every bit finds its own.
void ExpectMapCoversTheBits(const vantrel::DemodulatedSound& file) {
    std::uint64_t next = 0;
    for (const vantrel::HeardTransmission& t : file.Transmissions.transmissions()) {
        EXPECT_EQ(t.firstBit, next);
        EXPECT_GT(t.bitCount, 0U);
        EXPECT_EQ(file.Transmissions.Find(t.firstBit), &t);
        EXPECT_EQ(file.Transmissions.Find(t.firstBit + t.bitCount - 1), &t);
        EXPECT_GE(t.endSeconds, t.startSeconds);
        next += t.bitCount;
    }
    EXPECT_EQ(next, file.Bits.size());
    EXPECT_EQ(file.Transmissions.Find(next), nullptr);
}

TEST_F(DemodulateWholeTest, TheMapTellsWhereEachBlockWasHeard) {
    vantrel::AudioFile audio = vantrel::AudioFile::Open(path_);
    const vantrel::DemodulatedSound file = vantrel::DemodulateWhole(audio);
    EXPECT_FALSE(file.EndedEarly);
    ExpectMapCoversTheBits(file);
    std::vector<const vantrel::HeardTransmission*> found;
    for (std::size_t i = 0; i < placed_.size(); ++i) {
        SCOPED_TRACE(i);
        // The whole block lies inside one transmission: the one that started where it was sent.
        const std::size_t at = file.Bits.find(placed_[i].block);
        ASSERT_NE(at, std::string::npos);
        const vantrel::HeardTransmission* heard = file.Transmissions.Find(at);
        ASSERT_NE(heard, nullptr);
        EXPECT_EQ(file.Transmissions.Find(at + placed_[i].block.size() - 1), heard);
        EXPECT_NEAR(heard->startSeconds, placed_[i].startSeconds, 0.05);
        // The RMS of a sine is 3 dB below its peak.
        EXPECT_NEAR(heard->levelDbfs, placed_[i].levelDbfs - 3.0, 2.0);
        EXPECT_FALSE(heard->inverted);
        found.push_back(heard);
    }
    // The same noise under all three, 5 dB apart (about 20, 15 and 10 dB): each estimate near
    // its own, and the quieter the call, the lower.
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_NEAR(found[i]->ebN0Db, placed_[i].ebN0Db, 3.5) << i;
    EXPECT_GT(found[0]->ebN0Db, found[1]->ebN0Db + 2);
    EXPECT_GT(found[1]->ebN0Db, found[2]->ebN0Db + 2);
}

TEST_F(DemodulateWholeTest, ACutFileKeepsWhatCameBefore) {
    vantrel::AudioFile wholeAudio = vantrel::AudioFile::Open(path_);
    const vantrel::DemodulatedSound whole = vantrel::DemodulateWhole(wholeAudio);
    const std::string bytes = ReadFile(path_);
    // Cut in the middle of the second call, 72 bits into it, before its block is complete
    // (float samples behind a header of 80 bytes at most).
    const double cutSeconds = placed_[1].startSeconds + 0.06;
    const auto keep = static_cast<std::size_t>(cutSeconds * Rate) * sizeof(float) + 80;
    vantrel::AudioFile cutAudio = vantrel::AudioFile::FromMemory(bytes.substr(0, keep), "cut");
    const vantrel::DemodulatedSound cut = vantrel::DemodulateWhole(cutAudio);
    EXPECT_TRUE(cut.EndedEarly);
    ExpectMapCoversTheBits(cut);
    // All up to the second call is as in the whole file; of the second call, its start.
    ASSERT_FALSE(cut.Transmissions.transmissions().empty());
    const vantrel::HeardTransmission& last = cut.Transmissions.transmissions().back();
    EXPECT_NEAR(last.startSeconds, placed_[1].startSeconds, 0.05);
    EXPECT_GT(last.bitCount, 40U);
    EXPECT_LE(last.bitCount, 74U);
    const std::string before = cut.Bits.substr(0, last.firstBit);
    EXPECT_EQ(whole.Bits.substr(0, before.size()), before);
    EXPECT_NE(before.find(placed_[0].block), std::string::npos);
    EXPECT_EQ(cut.Bits.find(placed_[1].block), std::string::npos);
}

} // namespace

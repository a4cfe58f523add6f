// Sound decoded as a scanner hears it: single-block calls, FEC or not in any order, with
// silence, speech and noise between them, every one found in the order it was heard; and a
// call whose carrier drops in its data ends there without taking the next call with it.
#include "encoder.h"
#include "modulator.h"
#include "recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using encoder::Sync;

constexpr int Rate = 48000;

// A 16-bit PCM WAV file of `audio`.
void WriteWav(const fs::path& path, const std::vector<float>& audio) {
    std::ofstream out(path, std::ios::binary);
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.put(static_cast<char>((value >> (8 * i)) & 0xFFU));
    };
    const auto dataBytes = static_cast<std::uint32_t>(audio.size() * 2);
    out << "RIFF";
    put(36 + dataBytes, 4);
    out << "WAVEfmt ";
    put(16, 4);
    put(1, 2); // PCM
    put(1, 2); // mono
    put(Rate, 4);
    put(Rate * 2, 4);
    put(2, 2);
    put(16, 2);
    out << "data";
    put(dataBytes, 4);
    for (const float sample : audio)
        put(static_cast<std::uint16_t>(
                static_cast<std::int16_t>(std::lround(std::clamp(sample, -1.0F, 1.0F) * 32767.0F))),
            2);
}

std::string Keyed(const std::string& block) {
    return "101010101010101010101010" + block + "0101";
}

struct Sent {
    std::string toAddr; // as the record shows it
    bool fec = false;
};

class SoundOrder : public testing::Test {
protected:
    void TearDown() override { fs::remove(path_); }

    // Decodes the recording as vantrel-decode does a sound file.
    std::vector<vantrel::StreamRecord> Decode(std::vector<float> audio,
                                              demod::Polarity polarity = demod::Polarity::Auto) {
        WriteWav(path_, audio);
        const vantrel::Recording recording = vantrel::OpenRecording(path_.string(), polarity, 0);
        std::vector<vantrel::StreamRecord> records;
        vantrel::RecordEvents events;
        events.details = true;
        events.recordEnd = [&](const vantrel::StreamRecord& r) { records.push_back(r); };
        vantrel::StreamWhole(
            *recording.bits,
            vantrel::WholeOptions(recording, modETSI300230::SyncRule::WholeFile, {}), events);
        return records;
    }

    static void ExpectCalls(const std::vector<vantrel::StreamRecord>& records,
                            const std::vector<Sent>& sent) {
        ASSERT_EQ(records.size(), sent.size());
        for (std::size_t i = 0; i < sent.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_FALSE(records[i].noPattern);
            EXPECT_EQ(records[i].info.ToAddr, sent[i].toAddr);
            EXPECT_EQ(records[i].fec, sent[i].fec);
            EXPECT_FALSE(records[i].info.Corrupted);
        }
    }

    fs::path path_ = fs::temp_directory_path() /
                     ("sound-order-" + std::to_string(::getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".wav");
};

// Calls with their own addresses, FEC or not as `fec` says, each followed by silence or
// speech, under noise at 14 dB Eb/N0.
std::vector<float> Calls(const std::vector<bool>& fec, std::vector<Sent>& sent, bool inverted,
                         std::uint64_t seed) {
    modulator::Recording recording;
    recording.sampleRate = Rate;
    recording.ebN0Db = 14;
    recording.seed = seed;
    modulator::Modulator sound(recording);
    sound.Silence(0.3);
    for (std::size_t i = 0; i < fec.size(); ++i) {
        const encoder::Header header{encoder::NormalCall, 10, 1, 0x200 + static_cast<unsigned>(i),
                                     0x300 + static_cast<unsigned>(i) * 7};
        char toAddr[8];
        std::snprintf(toAddr, sizeof toAddr, "%X%03X", header.common, header.to);
        sent.push_back({toAddr, fec[i]});
        modulator::Impairments impairments;
        impairments.inverted = inverted;
        impairments.levelDbfs = -6 - static_cast<double>(i % 3) * 4;
        sound.Transmission(Keyed(encoder::CallBlock(header, fec[i] ? Sync::Fec : Sync::NoFec)),
                           impairments);
        if (i % 2 == 0)
            sound.Silence(0.4);
        else
            sound.Voice(0.6, -14);
        sound.Silence(0.2);
    }
    return sound.Finish();
}

// The whole-file rule would decode only the NO FEC calls, and the FEC calls before the last
// of them never: sound takes every pattern as it arrives.
TEST_F(SoundOrder, EveryCallInTheOrderHeardFecOrNot) {
    std::mt19937 random(19);
    std::vector<bool> fec;
    for (int i = 0; i < 12; ++i)
        fec.push_back((random() & 1U) != 0);
    fec[0] = true; // a FEC call before NO FEC ones: the case the rule passes over
    fec[1] = false;
    std::vector<Sent> sent;
    const std::vector<float> audio = Calls(fec, sent, false, 3);
    // The polarity told: a lone SYNC FEC call reads, by its pattern alone, as an inverted
    // SYNC NO FEC call, which is what the automatic choice has to tell apart.
    ExpectCalls(Decode(audio, demod::Polarity::Normal), sent);
}

// Recordings of FEC calls only, in either polarity, with the polarity told.
TEST_F(SoundOrder, FecOnlyRecordingsInBothPolarities) {
    for (const bool inverted : {false, true}) {
        SCOPED_TRACE(inverted);
        std::vector<Sent> sent;
        const std::vector<float> audio = Calls({true, true, true, true}, sent, inverted, 7);
        ExpectCalls(Decode(audio, inverted ? demod::Polarity::Inverted : demod::Polarity::Normal),
                    sent);
    }
}

// A short data call whose carrier drops after two of its six data codewords, then a whole
// call: the first ends with its transmission, its missing codewords read as missing, and the
// second call is decoded whole from its own pattern.
TEST_F(SoundOrder, ACallCutByItsTransmissionsEndEndsThere) {
    modulator::Recording recording;
    recording.sampleRate = Rate;
    recording.ebN0Db = 20;
    modulator::Modulator sound(recording);
    const encoder::Header cut{encoder::ShortData, 10, 1, 0x234, 0x567};
    const std::string full = encoder::ShortDataBlock(cut, "THE CARRIER FADES AWAY HERE....");
    const std::size_t kept = modETSI300230::SyncLength + 3 * 64; // header and two data codewords
    ASSERT_GT(full.size(), kept + 3 * 64);
    sound.Silence(0.3);
    sound.Transmission("101010101010101010101010" + full.substr(0, kept));
    sound.Silence(0.5);
    const encoder::Header whole{encoder::NormalCall, 10, 1, 0x111, 0x222};
    sound.Transmission(Keyed(encoder::CallBlock(whole)));
    sound.Silence(0.3);

    const std::vector<vantrel::StreamRecord> records = Decode(sound.Finish());
    ASSERT_EQ(records.size(), 2U);
    const vantrel::StreamRecord& first = records[0];
    EXPECT_TRUE(first.info.Corrupted);
    EXPECT_TRUE(first.detail.shortData);
    int complete = 0;
    int missing = 0;
    for (const modETSI300230::CodewordCheck& check : first.detail.codewords)
        (check.complete ? complete : missing) += 1;
    EXPECT_EQ(complete, 3); // the header and the two data codewords sent
    EXPECT_EQ(missing, first.detail.dataFollowing + 1 - 2);
    EXPECT_EQ(records[1].info.ToAddr, "1222");
    EXPECT_FALSE(records[1].info.Corrupted);
    EXPECT_FALSE(records[1].noPattern);
}

} // namespace

// Writes the bundled sample recordings: "0"/"1" text files as a demodulator would leave them,
// and a sound recording of the same calls as a receiver would give it.
// Usage: make-samples FOLDER
//        make-samples --one-block FILE   (one valid block alone, for the tests)
#include "encoder.h"
#include "modulator.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using encoder::Header;
using encoder::Sync;

class Recording {
public:
    explicit Recording(std::uint32_t seed) : rng_(seed) {}

    // Random bits, as the demodulator produces between transmissions.
    Recording& Noise(int bits) {
        for (int i = 0; i < bits; ++i)
            bits_ += (rng_() & 1U) ? '1' : '0';
        return *this;
    }
    Recording& Add(const std::string& bits) {
        bits_ += bits;
        return *this;
    }
    const std::string& bits() const { return bits_; }

private:
    std::mt19937 rng_;
    std::string bits_;
};

const std::string Rmc =
    encoder::NmeaSentence("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W") +
    "\r\n";
const std::string Gga =
    encoder::NmeaSentence("GPGGA,092750,5321.6802,N,00630.3372,W,1,08,1.03,61.7,M,55.2,M,,") +
    "\r\n";

bool Write(const std::string& folder, const std::string& name, const std::string& text) {
    std::ofstream out(folder + "/" + name, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

// A radio keys up: alternating bits for the receiver to lock on, the block, a few bits more
// while the transmitter lets go.
std::string Keyed(const std::string& block) {
    std::string bits;
    for (int i = 0; i < 24; ++i)
        bits += (i % 2 == 0) ? '1' : '0';
    return bits + block + "0101";
}

// 16-bit mono PCM WAV at `sampleRate`, rounded here rather than by the library, so the bytes
// depend on nothing but the samples.
bool WriteWav(const std::string& folder, const std::string& name, const std::vector<float>& audio,
              int sampleRate) {
    std::vector<short> pcm(audio.size());
    std::transform(audio.begin(), audio.end(), pcm.begin(), [](float sample) {
        return static_cast<short>(std::lrint(std::clamp(sample, -1.0F, 1.0F) * 32767.0F));
    });
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const std::string path = folder + "/" + name;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    const auto frames = static_cast<sf_count_t>(pcm.size());
    const bool written = sf_writef_short(file, pcm.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--one-block") {
        std::ofstream out(argv[2], std::ios::binary);
        out << encoder::CallBlock({encoder::NormalCall, 10, 1, 0x234, 0x567});
        return out ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-samples FOLDER | make-samples --one-block FILE\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Header base{encoder::NormalCall, 10, 1, 0x234, 0x567};
    bool ok = true;

    // A radio calls another, which acknowledges; lines of 64 characters, CR LF.
    Recording calls(1);
    calls.Noise(300)
        .Add(encoder::CallBlock(base))
        .Noise(180)
        .Add(encoder::CallBlock({18, 10, 1, 0x567, 0x234})) // General Ack back
        .Noise(250);
    ok &= Write(folder, "two-calls.txt", encoder::Wrap(calls.bits(), 64));

    // The same call and acknowledgement as sound from a receiver, 8 kHz mono: the two radios
    // at different levels, tones and clocks a little off, speech and silence around them,
    // and a noisy channel (Eb/N0 15 dB).
    {
        const int rate = 8000;
        modulator::Recording recording;
        recording.sampleRate = rate;
        recording.ebN0Db = 15;
        recording.seed = 11;
        modulator::Modulator sound(recording);
        modulator::Impairments caller;
        caller.levelDbfs = -9;
        caller.lowToneOffsetHz = 12;
        caller.highToneOffsetHz = 8;
        caller.clockOffset = 0.004;
        caller.highToneGainDb = -2;
        modulator::Impairments answer;
        answer.levelDbfs = -14;
        answer.lowToneOffsetHz = -10;
        answer.highToneOffsetHz = -15;
        answer.clockOffset = -0.006;
        answer.highToneGainDb = 3;
        sound.Silence(0.4);
        sound.Voice(1.2, -15);
        sound.Silence(0.3);
        sound.Transmission(Keyed(encoder::CallBlock(base)), caller);
        sound.Silence(0.6);
        sound.Transmission(Keyed(encoder::CallBlock({18, 10, 1, 0x567, 0x234})), answer);
        sound.Silence(0.3);
        sound.Voice(0.8, -18);
        sound.Silence(0.4);
        ok &= WriteWav(folder, "two-calls.wav", sound.Finish(), rate);
    }

    // An extended-address call: the first header is addressed to FFF, the second one holds the
    // real addressee on another common address.
    Recording extended(2);
    extended.Noise(200)
        .Add(encoder::ExtendedBlock({encoder::ExternalAddressing, 15, 0x8, 0x123, 0xFFF},
                                    {encoder::NormalCall, 17, 0x2A, 0x050, 0x9C4}))
        .Noise(200);
    ok &= Write(folder, "extended-call.txt", encoder::Wrap(extended.bits(), 64));

    // Status messages from three radios, with the FEC sync pattern, lines of 80 characters, LF.
    Recording status(3);
    status.Noise(120)
        .Add(encoder::CallBlock({33, 12, 3, 0x101, 0x001}, Sync::Fec))
        .Noise(90)
        .Add(encoder::CallBlock({40, 12, 3, 0x102, 0x001}, Sync::Fec))
        .Noise(140)
        .Add(encoder::CallBlock({47, 12, 3, 0x103, 0x001}, Sync::Fec))
        .Noise(60);
    ok &= Write(folder, "status-messages.txt", encoder::Wrap(status.bits(), 80, "\n"));

    // GPS positions as short data: a valid $GPRMC and a valid $GPGGA.
    Recording gps(4);
    gps.Noise(150)
        .Add(encoder::ShortDataBlock({encoder::ShortData, 15, 0x4, 0x011, 0x001}, Rmc))
        .Noise(220)
        .Add(encoder::ShortDataBlock({encoder::ShortData, 9, 0x4, 0x012, 0x001}, Gga))
        .Noise(100);
    ok &= Write(folder, "gps-positions.txt", encoder::Wrap(gps.bits(), 64));

    // A position whose checksum was damaged at the sender, and a block hit by interference.
    std::string brokenRmc = Rmc;
    brokenRmc[brokenRmc.find('*') + 1] = '0';
    std::string hit = encoder::HeaderCodeword({encoder::NormalCall, 10, 1, 0x567, 0x234});
    hit = encoder::Corrupt(encoder::Corrupt(hit, 30), 31);
    Recording damaged(5);
    damaged.Noise(180)
        .Add(encoder::ShortDataBlock({encoder::ShortData, 15, 0x4, 0x011, 0x001}, brokenRmc))
        .Noise(160)
        .Add(encoder::Block(Sync::NoFec, {hit}))
        .Noise(120);
    ok &= Write(folder, "damaged.txt", encoder::Wrap(damaged.bits(), 64));

    // A short text message over extended addressing.
    Recording text(6);
    text.Noise(100)
        .Add(encoder::Block(
            Sync::NoFec,
            [] {
                std::vector<std::string> words{
                    encoder::HeaderCodeword({encoder::NormalCall, 10, 1, 0x234, 0xFFF}),
                    encoder::HeaderCodeword({encoder::ShortData, 10, 2, 0x234, 0x0C8})};
                for (auto& w : encoder::ShortDataCodewords("CALL BASE ON CH 2"))
                    words.push_back(w);
                return words;
            }()))
        .Noise(100);
    ok &= Write(folder, "text-message.txt", encoder::Wrap(text.bits(), 64));

    if (!ok) {
        std::fprintf(stderr, "make-samples: could not write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}

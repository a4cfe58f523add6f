// What the band processing is for, end to end, for the tests and the bench: calls made by the
// test encoder, FM-modulated onto carriers in a capture by the test radio, and every
// channel's audio from the band receiver demodulated and decoded, each channel by its own FFSK
// demodulator (automatic polarity with the decoder's content score, as the programs run it).
// Beside it the audio path: one channel taken from the same capture the way a single-channel
// receiver program does it (mixed down, decimated, filtered, discriminated, no squelch) and
// demodulated the same way, for comparison.
#pragma once

#include "band_receiver.h"
#include "demodulator.h"
#include "encoder.h"
#include "iq_maker.h"
#include "modETSI300230.h"
#include "modulator.h"

#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace band_calls {

using Record = modETSI300230::BlockInfo;

// Alternating bits ending in "0", so the "1" a sync pattern opens with continues them.
inline std::string Preamble(std::size_t length = 40) {
    std::string bits;
    for (std::size_t i = 0; i < length; ++i)
        bits += (length - i) % 2 == 0 ? '1' : '0';
    return bits;
}

// Call number `n`: a different address for each, every third a short data transfer.
inline std::string CallBits(std::size_t n) {
    encoder::Header h;
    h.country = static_cast<std::uint32_t>(n % 32);
    h.from = static_cast<std::uint32_t>(0x100 + 37 * n);
    h.to = static_cast<std::uint32_t>(0x200 + 53 * n);
    if (n % 3 == 2) {
        h.function = encoder::ShortData;
        return encoder::ShortDataBlock(h, "UNIT " + std::to_string(n));
    }
    return encoder::CallBlock(h);
}

// The decoder's records of a bit text, without the logs (they show the bits around the block,
// which differ between a sent text and a demodulated one).
inline std::vector<Record> Records(const std::string& bits) {
    std::vector<Record> records;
    std::int32_t count = 0;
    modETSI300230::DecodeStream(bits, records, count);
    records.resize(static_cast<std::size_t>(std::max(count, 0)));
    for (Record& r : records)
        r.Log = {};
    return records;
}

// FFSK audio of call `n` at 48 kHz, peak 1.0: preamble, block, a few bits after.
inline std::vector<float> CallAudio(std::size_t n, std::uint64_t seed) {
    modulator::Recording recording;
    recording.seed = seed;
    modulator::Impairments full;
    full.levelDbfs = 0;
    return modulator::Modulate(Preamble() + CallBits(n) + "01010101", recording, full);
}

// Speech-like audio at 48 kHz: the test modulator's voice, peak about 1.0.
inline std::vector<float> SpeechAudio(double seconds, std::uint64_t seed) {
    modulator::Recording recording;
    recording.seed = seed;
    modulator::Modulator voice(recording);
    voice.Voice(seconds, 0);
    return voice.Finish();
}

struct Call {
    double hz = 0;
    Record record;
    bool operator==(const Call&) const = default;
};

struct Heard {
    std::vector<Call> calls;
    channelizer::ListeningCounts counts;
    std::map<double, std::vector<double>> opened; // channel Hz: when its squelch opened (s)
    bool usedBank = false;
};

// The band receiver with a demodulator per channel, fed complex samples.
// A channel's demodulator and the bits it gave, as a band receiver's channel opens.
struct Listener {
    Listener()
        : demodulator(channelizer::AudioRate, demod::Polarity::Auto,
                      modETSI300230::SignallingScore),
          sink{[this](std::string_view b) { bits += b; }, {}} {}
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    demod::Demodulator demodulator;
    std::string bits;
    demod::Sink sink;
};

class BandDecoder {
public:
    BandDecoder(const channelizer::BandPlan& plan, channelizer::ReceiverSettings settings = {})
        : receiver_(plan,
                    {[this](const channelizer::Channel& c, double seconds) {
                         heard_.opened[c.hz].push_back(seconds);
                     },
                     [this](const channelizer::Channel& c, std::span<const float> audio) {
                         Listener& l = Of(c);
                         l.demodulator.Feed(audio, l.sink);
                     },
                     [this](const channelizer::Channel& c, double) {
                         // The channel's transmission is over: its calls are decoded now, so
                         // that nothing but the calls is kept however long the capture.
                         Listener& l = Of(c);
                         l.demodulator.Finish(l.sink);
                         for (Record& record : Records(l.bits))
                             heard_.calls.push_back({c.hz, record});
                         l.bits.clear();
                     }},
                    settings) {}

    void Feed(std::span<const std::complex<float>> samples) { receiver_.Feed(samples); }

    Heard Finish() {
        receiver_.Finish();
        heard_.counts = receiver_.counts();
        heard_.usedBank = receiver_.usesBank();
        return heard_;
    }

private:
    Listener& Of(const channelizer::Channel& channel) {
        return listeners_.try_emplace(channel.hz).first->second;
    }

    std::map<double, Listener> listeners_;
    Heard heard_;
    channelizer::BandReceiver receiver_;
};

inline Heard DecodeBand(std::span<const std::complex<float>> iq, const channelizer::BandPlan& plan,
                        channelizer::ReceiverSettings settings = {}, std::size_t piece = 65536) {
    BandDecoder decoder(plan, settings);
    for (std::size_t at = 0; at < iq.size(); at += piece)
        decoder.Feed(iq.subspan(at, std::min(piece, iq.size() - at)));
    return decoder.Finish();
}

// The audio path: the channel at `offsetHz` of the capture received alone, as a
// single-channel receiver program does (mixed down, decimated to 25 kHz with liquid's
// decimator, filtered to the channel, discriminated, always open), into one demodulator.
inline std::vector<Record> DecodeAudioPath(std::span<const std::complex<float>> iq,
                                           double sampleRate, double offsetHz) {
    constexpr double ChannelRate = 25000;
    const auto decimation = static_cast<unsigned>(std::lround(sampleRate / ChannelRate));
    nco_crcf mixer = nco_crcf_create(LIQUID_NCO);
    nco_crcf_set_frequency(mixer, static_cast<float>(2 * std::numbers::pi * offsetHz / sampleRate));
    firdecim_crcf decimator = firdecim_crcf_create_kaiser(decimation, 8, 60);
    firfilt_crcf filter = firfilt_crcf_create_kaiser(31, 8000 / ChannelRate, 60, 0);
    freqdem discriminator = freqdem_create(static_cast<float>(2 * 2500 / ChannelRate));
    std::vector<std::complex<float>> mixed(decimation);
    std::vector<float> audio;
    for (std::size_t at = 0; at + decimation <= iq.size(); at += decimation) {
        nco_crcf_mix_block_down(mixer, const_cast<std::complex<float>*>(iq.data() + at),
                                mixed.data(), decimation);
        std::complex<float> channel;
        firdecim_crcf_execute(decimator, mixed.data(), &channel);
        firfilt_crcf_push(filter, channel);
        firfilt_crcf_execute(filter, &channel);
        float sample = 0;
        freqdem_demodulate(discriminator, channel, &sample);
        audio.push_back(sample);
    }
    nco_crcf_destroy(mixer);
    firdecim_crcf_destroy(decimator);
    firfilt_crcf_destroy(filter);
    freqdem_destroy(discriminator);
    std::string bits;
    demod::Demodulator demodulator(ChannelRate, demod::Polarity::Auto,
                                   modETSI300230::SignallingScore);
    const demod::Sink sink{[&](std::string_view b) { bits += b; }, {}};
    demodulator.Feed(audio, sink);
    demodulator.Finish(sink);
    return Records(bits);
}

} // namespace band_calls

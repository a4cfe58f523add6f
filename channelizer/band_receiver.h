// The chain from a captured band to the audio of its channels: ChannelBank or ChannelMixer
// (cutting) -> Squelch (is anything on the channel?) -> FmAudio (discriminator and audio
// filter) -> the caller, which hands each channel's audio to an FFSK demodulator of its own.
// The channel is cut and its power measured in blocks of 10 ms; a closed channel costs that
// and nothing more. When a channel opens, its audio starts with the block before the one that
// opened it, so the start of a transmission (the preamble the demodulator locks on to) is
// not lost to the squelch.
#pragma once

#include "band_plan.h"
#include "channel_bank.h"
#include "channel_mixer.h"
#include "fm_audio.h"
#include "liquid_dsp.h"
#include "squelch.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <variant>
#include <vector>

namespace channelizer {

// Called from Feed and Finish; any member may be empty.
struct ChannelEvents {
    // The channel's squelch opened: its audio follows, the first sample heard `seconds` into
    // the capture (the filters' delay taken off).
    std::function<void(const Channel&, double seconds)> opened;
    // Audio of an open channel at AudioRate, in order.
    std::function<void(const Channel&, std::span<const float> audio)> audio;
    // The channel closed after the audio handed on: the squelch, or the end of the capture.
    std::function<void(const Channel&, double seconds)> closed;
};

enum class Channeliser { Auto, Bank, Mixer };

// Auto takes the mixer for at most this many channels (and for channels off one raster), the
// filter bank for more: at 2.4 MS/s one mixed channel costs about 60 % of the whole bank, two
// more than it (bench/band_bench channelisers).
inline constexpr std::size_t MixerChannelLimit = 1;

inline constexpr double BlockSeconds = 0.01;

struct ReceiverSettings {
    SquelchSettings squelch = {};
    Channeliser channeliser = Channeliser::Auto;
};

// How much was listened to: blocks of every channel, and those the squelch let through.
struct ListeningCounts {
    std::uint64_t blocks = 0;
    std::uint64_t listened = 0;
    std::uint64_t openings = 0;
};

class BandReceiver {
public:
    BandReceiver(const BandPlan& plan, ChannelEvents events, ReceiverSettings settings = {});
    // The channeliser hands its frames back to this object: it stays where it was made.
    BandReceiver(const BandReceiver&) = delete;
    BandReceiver& operator=(const BandReceiver&) = delete;

    // Complex samples of the capture at its rate, in pieces of any size.
    void Feed(std::span<const Complex> samples);
    // The capture has ended: every open channel hands on what it has and closes.
    void Finish();

    bool usesBank() const { return std::holds_alternative<ChannelBank>(channeliser_); }
    const ListeningCounts& counts() const { return counts_; }
    double floorDb(std::size_t channel) const { return squelches_[channel].floorDb(); }

private:
    void TakeFrame(std::span<const Complex> frame);
    void EndBlock();
    void Listen(std::size_t channel, std::span<const Complex> samples);
    double Seconds(std::uint64_t frames) const;

    BandPlan plan_;
    ChannelEvents events_;
    std::variant<ChannelBank, ChannelMixer> channeliser_;
    FrameSink sink_;
    double delaySeconds_ = 0;
    std::size_t blockFrames_;
    // Channel-major blocks: channel c's samples at [c * blockFrames_, (c + 1) * blockFrames_).
    std::vector<Complex> block_, previous_;
    std::size_t filled_ = 0; // frames in block_
    std::uint64_t blocksDone_ = 0;
    std::vector<Squelch> squelches_;
    std::vector<std::unique_ptr<FmAudio>> audio_; // made when a channel first opens
    std::vector<double> powerDb_, sorted_;
    double bandFloorDb_ = 0;
    std::vector<float> scratch_;
    ListeningCounts counts_;
};

} // namespace channelizer

// Which channels of a capture are watched, and where each lies in its samples. A receiver
// tuned to a centre frequency captures the band around it, as wide as its sample rate; its
// own oscillator is off by some parts per million (the error rtl_sdr's -p corrects), which
// moves the centre and the sample clock alike. The channels are either listed or, by default,
// every channel of the band on the raster of the spacing (multiples of it, as band plans
// place them), leaving out the edges, where the receiver's own filter takes the signal down.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <vector>

namespace channelizer {

// A plan that cannot be made: what() is one line naming the cause.
class BandPlanError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The capture as the receiver wrote it.
struct Capture {
    double centreHz = 0;   // what the receiver was tuned to
    double sampleRate = 0; // complex samples a second
    double ppm = 0;        // the receiver's frequency error: its centre lies ppm * 1e-6 higher
};

struct ChannelChoice {
    std::vector<double> frequencies; // Hz; empty: the whole band at the spacing
    double spacingHz = 12500;
};

struct Channel {
    std::size_t index = 0; // in the plan's list
    double hz = 0;
};

// The share of the captured band whose channels the whole band watches: outside it the
// receiver's anti-alias filter has taken the signal down (a listed channel may lie there).
inline constexpr double UsableBandShare = 0.9;

class BandPlan {
public:
    static constexpr double MinSpacingHz = 6250; // a channel's audio needs 12.5 kHz of rate
    static constexpr double MaxSpacingHz = 200000;
    static constexpr double MaxPpm = 1000;
    static constexpr double MaxSampleRate = 100e6; // beyond any receiver this is meant for

    // Throws BandPlanError.
    BandPlan(const Capture& capture, const ChannelChoice& choice);

    const std::vector<Channel>& channels() const { return channels_; }
    const Capture& capture() const { return capture_; }
    double spacingHz() const { return spacingHz_; }
    // The sample rate of each cut-out channel: twice the spacing, room for a channel's own
    // band and its filter's slopes without folding the neighbours onto it.
    double channelRate() const { return 2 * spacingHz_; }
    // Channel `index` in the samples: cycles a sample from the capture's centre, the
    // receiver's error corrected; in [-0.5, 0.5).
    double offsetCycles(std::size_t index) const { return offsetCycles_[index]; }
    // Every channel lies a whole number of spacings from the first (a filter bank serves them).
    bool onRaster() const { return onRaster_; }
    bool wholeBand() const { return wholeBand_; }

private:
    Capture capture_;
    double spacingHz_;
    bool wholeBand_;
    bool onRaster_ = true;
    std::vector<Channel> channels_;
    std::vector<double> offsetCycles_;
};

} // namespace channelizer

// Channeliser for a few channels, or channels off any common raster: each channel is mixed to
// the centre by its own oscillator (liquid's nco_crcf) and brought down to the channel rate in
// up to three steps. An integer decimator (liquid's firdecim_crcf) to between four and eight
// times the channel rate: its short filter only has to keep what would fold onto the channel
// from folding. An arbitrary-rate resampler (liquid's resamp_crcf) to exactly four channel
// rates, where a rate is no whole multiple of it: done there, where a neighbour's carrier is
// a small share of the rate, because its interpolation leaves images of strong tones near
// its band edge (one done at the channel rate put a neighbour 53 dB down into the channel).
// Last a decimator by four (firdecim_crcf again) whose filter is the channel's shape, the
// taps the filter bank uses: both channelisers cut the same channel. Each channel costs a
// pass over the whole capture: past one channel the filter bank is cheaper.
#pragma once

#include "band_plan.h"
#include "channel_frame.h"
#include "liquid_dsp.h"

#include <cstddef>
#include <span>
#include <vector>

namespace channelizer {

class ChannelMixer {
public:
    explicit ChannelMixer(const BandPlan& plan);

    void Feed(std::span<const Complex> samples, const FrameSink& sink);

    double delaySeconds() const { return delaySeconds_; }

private:
    using Oscillator = LiquidObject<nco_crcf, nco_crcf_destroy>;
    using Decimator = LiquidObject<firdecim_crcf, firdecim_crcf_destroy>;
    using Resampler = LiquidObject<resamp_crcf, resamp_crcf_destroy>;

    struct Path {
        Oscillator oscillator;
        Decimator decimator; // none when the capture is within eight channel rates
        Resampler resampler; // none when the decimator leaves four channel rates exactly
        Decimator channel;
        std::vector<Complex> pending; // at four channel rates, fewer than four left over
        std::vector<Complex> output;
    };

    void Cut(const Complex* samples, std::size_t count, const FrameSink& sink);

    unsigned decimation_ = 1; // of the first step
    double ratio_ = 1;        // of the second
    double delaySeconds_ = 0;
    std::vector<Path> paths_;
    std::vector<Complex> carry_; // fewer than `decimation_` samples, waiting for the rest
    std::vector<Complex> mixed_, decimated_, resampled_, frame_;
};

} // namespace channelizer

// Channeliser for many channels: a polyphase filter bank (liquid's firpfbch2_crcf) cuts the
// whole band into channels one spacing wide at once. One filter pass and one FFT serve every
// channel, so 190 channels cost little more than one: the per-channel cost is a single
// output value. firpfbch2 rather than the critically sampled firpfbch: that one hands each
// channel out at a rate of one spacing, which an FM channel (with its carrier off by up to
// 2 kHz) already fills, so the filter's slopes would fold the neighbours onto the signal;
// firpfbch2 hands out twice the spacing, room for the slopes.
//
// The bank's channels lie on a grid of the sample rate over its channel count, starting at the
// centre. Two steps put the plan's channels on it: when the rate is not an even number of
// spacings, the band is resampled (liquid's resamp_crcf) up to the next rate that is; when the
// channels lie off the grid by a common amount (a centre off the raster, a ppm correction),
// the whole band is first mixed by that amount (liquid's nco_crcf).
#pragma once

#include "band_plan.h"
#include "channel_frame.h"
#include "liquid_dsp.h"

#include <cstddef>
#include <span>
#include <vector>

namespace channelizer {

class ChannelBank {
public:
    // The plan's channels must lie on its raster (onRaster).
    explicit ChannelBank(const BandPlan& plan);

    void Feed(std::span<const Complex> samples, const FrameSink& sink);

    std::size_t binCount() const { return bins_; }
    double delaySeconds() const { return delaySeconds_; }

private:
    using Bank = LiquidObject<firpfbch2_crcf, firpfbch2_crcf_destroy>;
    using Mixer = LiquidObject<nco_crcf, nco_crcf_destroy>;
    using Resampler = LiquidObject<resamp_crcf, resamp_crcf_destroy>;

    void Cut(const Complex* samples, std::size_t count, const FrameSink& sink);

    unsigned bins_ = 0;
    double ratio_ = 1; // the bank's rate over the capture's
    Bank bank_;
    Mixer mixer_;         // none when the channels lie on the grid
    Resampler resampler_; // none when the rate is an even number of spacings
    std::vector<unsigned> channelBins_;
    double delaySeconds_ = 0;
    std::vector<Complex> mixed_, resampled_;
    std::vector<Complex> carry_; // fewer than a step of input, waiting for the rest
    std::vector<Complex> output_, frame_;
};

} // namespace channelizer

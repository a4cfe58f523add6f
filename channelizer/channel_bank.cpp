#include "channel_bank.h"

#include "channel_shape.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace channelizer {

namespace {

// A mix by less than this (cycles a sample) is no mix: a thousandth of a hertz at 2.4 MS/s.
constexpr double NegligibleCycles = 1e-9;

// The band resampler: its own filter only has to keep the channels the plan may watch.
constexpr unsigned ResamplerSemiLength = 8;
constexpr float ResamplerCutoff = 0.47F; // of its input rate
constexpr float ResamplerStopbandDb = 60;
constexpr unsigned ResamplerBranches = 64;

} // namespace

ChannelBank::ChannelBank(const BandPlan& plan) {
    if (!plan.onRaster())
        throw std::invalid_argument("a filter bank needs channels on one raster");
    const double rate = plan.capture().sampleRate;
    const double spacing = plan.spacingHz();
    // The smallest even channel count whose grid covers the band at the spacing.
    bins_ = 2 * static_cast<unsigned>(std::ceil(rate / spacing / 2 - 1e-9));
    const double bankRate = bins_ * spacing;
    const double ratio = bankRate / rate;
    ratio_ = ratio;
    if (std::abs(ratio - 1) > 1e-12) {
        resampler_ = Made<Resampler>(resamp_crcf_create(static_cast<float>(ratio),
                                                        ResamplerSemiLength, ResamplerCutoff,
                                                        ResamplerStopbandDb, ResamplerBranches),
                                     "resamp_crcf");
        delaySeconds_ += ResamplerSemiLength / rate;
    }

    // Channel offsets in cycles of the bank's rate; the grid is one over the channel count.
    std::vector<double> cycles;
    for (const Channel& channel : plan.channels())
        cycles.push_back(plan.offsetCycles(channel.index) / ratio);
    const double grid = 1.0 / bins_;
    const double residual = cycles.front() - std::round(cycles.front() / grid) * grid;
    if (std::abs(residual) > NegligibleCycles) {
        mixer_ = Made<Mixer>(nco_crcf_create(LIQUID_NCO), "nco_crcf");
        // Mixed before the resampler, at the capture's own rate.
        nco_crcf_set_frequency(mixer_.get(),
                               static_cast<float>(2 * std::numbers::pi * residual * ratio));
    }
    for (const double c : cycles) {
        const auto bin = static_cast<long>(std::lround((c - residual) / grid));
        channelBins_.push_back(static_cast<unsigned>((bin % bins_ + bins_) % bins_));
    }

    const std::size_t step = 2 * static_cast<std::size_t>(bins_); // the length's whole steps
    const auto semiLength =
        static_cast<unsigned>((ChannelTapCount(bankRate, spacing) + step - 1) / step);
    std::vector<float> taps = ChannelTaps(bankRate, spacing, step * semiLength);
    // The bank hands out each channel at the taps' gain over its channel count: unit gain.
    for (float& tap : taps)
        tap *= static_cast<float>(bins_);
    bank_ = Made<Bank>(firpfbch2_crcf_create(LIQUID_ANALYZER, bins_, semiLength, taps.data()),
                       "firpfbch2_crcf");
    delaySeconds_ += static_cast<double>(bins_ * semiLength) / bankRate;
    output_.resize(bins_);
    frame_.resize(channelBins_.size());
    carry_.reserve(bins_ / 2);
}

void ChannelBank::Feed(std::span<const Complex> samples, const FrameSink& sink) {
    const Complex* data = samples.data();
    std::size_t count = samples.size();
    // liquid's functions take their input through pointers to non-const; they only read it.
    if (mixer_) {
        mixed_.resize(count);
        nco_crcf_mix_block_down(mixer_.get(), const_cast<Complex*>(data), mixed_.data(),
                                static_cast<unsigned>(count));
        data = mixed_.data();
    }
    if (resampler_) {
        resampled_.resize(static_cast<std::size_t>(std::ceil(static_cast<double>(count) * ratio_)) +
                          4);
        unsigned written = 0;
        resamp_crcf_execute_block(resampler_.get(), const_cast<Complex*>(data),
                                  static_cast<unsigned>(count), resampled_.data(), &written);
        data = resampled_.data();
        count = written;
    }
    Cut(data, count, sink);
}

void ChannelBank::Cut(const Complex* samples, std::size_t count, const FrameSink& sink) {
    const std::size_t step = bins_ / 2; // the bank takes half its channel count at a time
    auto emit = [&](Complex* input) {
        firpfbch2_crcf_execute(bank_.get(), input, output_.data());
        for (std::size_t c = 0; c < channelBins_.size(); ++c)
            frame_[c] = output_[channelBins_[c]];
        sink(frame_);
    };
    if (!carry_.empty()) {
        const std::size_t take = std::min(step - carry_.size(), count);
        carry_.insert(carry_.end(), samples, samples + take);
        samples += take;
        count -= take;
        if (carry_.size() < step)
            return;
        emit(carry_.data());
        carry_.clear();
    }
    for (; count >= step; samples += step, count -= step)
        emit(const_cast<Complex*>(samples));
    carry_.assign(samples, samples + count);
}

} // namespace channelizer

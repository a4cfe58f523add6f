#include "channel_mixer.h"

#include "channel_shape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace channelizer {

namespace {

constexpr float StopbandDb = 60;
constexpr unsigned LastDecimation = 4; // the channel filter's: from four channel rates to one
constexpr unsigned DecimatorSemiLength = 3;
constexpr unsigned ResamplerSemiLength = 8;
constexpr float ResamplerCutoff = 0.45F; // of its input rate
constexpr unsigned ResamplerBranches = 64;

} // namespace

ChannelMixer::ChannelMixer(const BandPlan& plan) {
    const double rate = plan.capture().sampleRate;
    const double innerRate = LastDecimation * plan.channelRate();
    decimation_ = std::max(1U, static_cast<unsigned>(rate / innerRate));
    ratio_ = innerRate * decimation_ / rate;
    std::vector<float> taps = ChannelTaps(innerRate, plan.spacingHz());
    for (const Channel& channel : plan.channels()) {
        Path path;
        path.oscillator = Made<Oscillator>(nco_crcf_create(LIQUID_NCO), "nco_crcf");
        nco_crcf_set_frequency(
            path.oscillator.get(),
            static_cast<float>(2 * std::numbers::pi * plan.offsetCycles(channel.index)));
        if (decimation_ > 1) {
            path.decimator = Made<Decimator>(
                firdecim_crcf_create_kaiser(decimation_, DecimatorSemiLength, StopbandDb),
                "firdecim_crcf");
            firdecim_crcf_set_scale(path.decimator.get(), 1.0F / static_cast<float>(decimation_));
        }
        if (std::abs(ratio_ - 1) > 1e-12)
            path.resampler =
                Made<Resampler>(resamp_crcf_create(static_cast<float>(ratio_), ResamplerSemiLength,
                                                   ResamplerCutoff, StopbandDb, ResamplerBranches),
                                "resamp_crcf");
        path.channel = Made<Decimator>(
            firdecim_crcf_create(LastDecimation, taps.data(), static_cast<unsigned>(taps.size())),
            "firdecim_crcf");
        paths_.push_back(std::move(path));
    }
    const double firstRate = rate / decimation_;
    delaySeconds_ = (decimation_ > 1 ? DecimatorSemiLength / firstRate : 0) +
                    (paths_.front().resampler ? ResamplerSemiLength / firstRate : 0) +
                    static_cast<double>(taps.size() - 1) / 2 / innerRate;
    frame_.resize(paths_.size());
    carry_.reserve(decimation_);
}

void ChannelMixer::Feed(std::span<const Complex> samples, const FrameSink& sink) {
    const Complex* data = samples.data();
    std::size_t count = samples.size();
    if (!carry_.empty()) {
        const std::size_t take = std::min(decimation_ - carry_.size(), count);
        carry_.insert(carry_.end(), data, data + take);
        data += take;
        count -= take;
        if (carry_.size() < decimation_)
            return;
        Cut(carry_.data(), carry_.size(), sink);
        carry_.clear();
    }
    const std::size_t whole = count / decimation_ * decimation_;
    Cut(data, whole, sink);
    carry_.assign(data + whole, data + count);
}

void ChannelMixer::Cut(const Complex* samples, std::size_t count, const FrameSink& sink) {
    if (count == 0)
        return;
    const std::size_t steps = count / decimation_;
    mixed_.resize(count);
    decimated_.resize(steps);
    resampled_.resize(static_cast<std::size_t>(std::ceil(static_cast<double>(steps) * ratio_)) + 4);
    std::size_t frames = 0;
    // liquid's functions take their input through pointers to non-const; they only read it.
    for (Path& path : paths_) {
        nco_crcf_mix_block_down(path.oscillator.get(), const_cast<Complex*>(samples), mixed_.data(),
                                static_cast<unsigned>(count));
        Complex* data = mixed_.data();
        std::size_t n = count;
        if (path.decimator) {
            firdecim_crcf_execute_block(path.decimator.get(), data, static_cast<unsigned>(steps),
                                        decimated_.data());
            data = decimated_.data();
            n = steps;
        }
        if (path.resampler) {
            unsigned written = 0;
            resamp_crcf_execute_block(path.resampler.get(), data, static_cast<unsigned>(n),
                                      resampled_.data(), &written);
            data = resampled_.data();
            n = written;
        }
        path.pending.insert(path.pending.end(), data, data + n);
        frames = path.pending.size() / LastDecimation;
        path.output.resize(frames);
        firdecim_crcf_execute_block(path.channel.get(), path.pending.data(),
                                    static_cast<unsigned>(frames), path.output.data());
        path.pending.erase(path.pending.begin(),
                           path.pending.begin() + static_cast<long>(frames * LastDecimation));
    }
    // Every path has the same resamplers in the same state, so all hand out alike.
    for (std::size_t f = 0; f < frames; ++f) {
        for (std::size_t c = 0; c < paths_.size(); ++c)
            frame_[c] = paths_[c].output[f];
        sink(frame_);
    }
}

} // namespace channelizer

#include "fm_audio.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace channelizer {

namespace {

constexpr float StopbandDb = 60;

} // namespace

FmAudio::FmAudio(double channelRate) {
    const auto rate = static_cast<unsigned long>(std::lround(channelRate));
    if (static_cast<double>(rate) != channelRate || channelRate < AudioRate)
        throw std::invalid_argument("a channel rate must be whole Hz and at least the audio rate");
    const auto audio = static_cast<unsigned long>(AudioRate);
    const unsigned long common = std::gcd(rate, audio);
    interp_ = static_cast<unsigned>(audio / common);
    decim_ = static_cast<unsigned>(rate / common);
    // freqdem hands out the phase step over 2 pi kf: kf of twice the deviation gives 0.5 for it.
    discriminator_ = Made<Discriminator>(
        freqdem_create(static_cast<float>(2 * NominalDeviationHz / channelRate)), "freqdem");
    // The audio filter, designed here rather than by rresamp's own Kaiser design, whose length
    // is fixed in output samples (too short a slope for a large decimation) and whose gain
    // depends on the rates: at the resampler's inner rate (interp_ times the channel's), as
    // long as the slope needs in whole steps of 2 * interp_ taps, unit gain at every phase.
    const double innerRate = channelRate * interp_;
    const std::size_t needed =
        estimate_req_filter_len(static_cast<float>(AudioTransitionHz / innerRate), StopbandDb);
    const std::size_t step = 2 * static_cast<std::size_t>(interp_);
    const auto semiLength = static_cast<unsigned>((needed + step - 1) / step);
    std::vector<float> taps(step * semiLength);
    liquid_firdes_kaiser(static_cast<unsigned>(taps.size()),
                         static_cast<float>(AudioBandHz / innerRate), StopbandDb, 0.0F,
                         taps.data());
    const float sum = std::accumulate(taps.begin(), taps.end(), 0.0F);
    for (float& tap : taps)
        tap *= static_cast<float>(interp_) / sum;
    resampler_ = Made<Resampler>(rresamp_rrrf_create(interp_, decim_, semiLength, taps.data()),
                                 "rresamp_rrrf");
    rresamp_rrrf_set_scale(resampler_.get(), 1.0F);
    delaySeconds_ = semiLength / channelRate;
}

void FmAudio::Reset() {
    freqdem_reset(discriminator_.get());
    rresamp_rrrf_reset(resampler_.get());
    discriminated_.clear();
    waiting_ = 0;
}

void FmAudio::Demodulate(std::span<const Complex> samples, std::vector<float>& audio) {
    // liquid's functions take their input through pointers to non-const; they only read it.
    discriminated_.resize(waiting_ + samples.size());
    freqdem_demodulate_block(discriminator_.get(), const_cast<Complex*>(samples.data()),
                             static_cast<unsigned>(samples.size()),
                             discriminated_.data() + waiting_);
    const std::size_t total = discriminated_.size();
    const std::size_t steps = total / decim_;
    const std::size_t at = audio.size();
    audio.resize(at + steps * interp_);
    for (std::size_t step = 0; step < steps; ++step)
        rresamp_rrrf_execute(resampler_.get(), discriminated_.data() + step * decim_,
                             audio.data() + at + step * interp_);
    waiting_ = total - steps * decim_;
    std::copy(discriminated_.end() - static_cast<long>(waiting_), discriminated_.end(),
              discriminated_.begin());
    discriminated_.resize(waiting_);
}

} // namespace channelizer

#include "band_receiver.h"

#include <algorithm>
#include <cmath>

namespace channelizer {

namespace {

// With fewer channels than this, a low quantile of their powers says nothing about the band.
constexpr std::size_t BandReferenceChannels = 8;
// The quantile of the channels' powers taken as the band's floor: low enough that a busy band
// (up to three quarters of its channels on the air) does not lift it.
constexpr double BandFloorQuantile = 0.25;
constexpr double SilentPower = 1e-30; // a block of digital silence: a floor, not minus infinity

std::variant<ChannelBank, ChannelMixer> MakeChanneliser(const BandPlan& plan, Channeliser choice) {
    if (choice == Channeliser::Auto)
        choice = plan.onRaster() && plan.channels().size() > MixerChannelLimit ? Channeliser::Bank
                                                                               : Channeliser::Mixer;
    if (choice == Channeliser::Bank)
        return std::variant<ChannelBank, ChannelMixer>(std::in_place_type<ChannelBank>, plan);
    return std::variant<ChannelBank, ChannelMixer>(std::in_place_type<ChannelMixer>, plan);
}

} // namespace

BandReceiver::BandReceiver(const BandPlan& plan, ChannelEvents events, ReceiverSettings settings)
    : plan_(plan), events_(std::move(events)),
      channeliser_(MakeChanneliser(plan, settings.channeliser)),
      sink_([this](std::span<const Complex> frame) { TakeFrame(frame); }),
      blockFrames_(static_cast<std::size_t>(std::lround(plan.channelRate() * BlockSeconds))) {
    const std::size_t channels = plan.channels().size();
    delaySeconds_ = std::visit([](const auto& c) { return c.delaySeconds(); }, channeliser_) +
                    FmAudio(plan.channelRate()).delaySeconds();
    block_.resize(channels * blockFrames_);
    previous_.resize(channels * blockFrames_);
    squelches_.assign(channels, Squelch(settings.squelch, BlockSeconds));
    audio_.resize(channels);
    powerDb_.resize(channels);
}

void BandReceiver::Feed(std::span<const Complex> samples) {
    std::visit([&](auto& c) { c.Feed(samples, sink_); }, channeliser_);
}

void BandReceiver::TakeFrame(std::span<const Complex> frame) {
    Complex* at = block_.data() + filled_;
    for (const Complex& sample : frame) {
        *at = sample;
        at += blockFrames_;
    }
    if (++filled_ == blockFrames_)
        EndBlock();
}

double BandReceiver::Seconds(std::uint64_t frames) const {
    return std::max(0.0, static_cast<double>(frames) / plan_.channelRate() - delaySeconds_);
}

void BandReceiver::Listen(std::size_t channel, std::span<const Complex> samples) {
    scratch_.clear();
    audio_[channel]->Demodulate(samples, scratch_);
    if (events_.audio && !scratch_.empty())
        events_.audio(plan_.channels()[channel], scratch_);
}

void BandReceiver::EndBlock() {
    const std::size_t channels = squelches_.size();
    for (std::size_t c = 0; c < channels; ++c) {
        const Complex* samples = block_.data() + c * blockFrames_;
        float power = 0;
        for (std::size_t i = 0; i < blockFrames_; ++i)
            power += std::norm(samples[i]);
        powerDb_[c] = 10 * std::log10(std::max<double>(power / static_cast<float>(blockFrames_),
                                                       SilentPower));
    }
    double bandShiftDb = 0;
    if (channels >= BandReferenceChannels) {
        sorted_ = powerDb_;
        const auto at = sorted_.begin() + static_cast<long>(BandFloorQuantile * (channels - 1));
        std::nth_element(sorted_.begin(), at, sorted_.end());
        bandShiftDb = blocksDone_ == 0 ? 0 : *at - bandFloorDb_;
        bandFloorDb_ = *at;
    }

    const std::uint64_t blockStart = blocksDone_ * blockFrames_;
    for (std::size_t c = 0; c < channels; ++c) {
        Squelch& squelch = squelches_[c];
        if (blocksDone_ == 0)
            squelch.Start(powerDb_[c],
                          channels >= BandReferenceChannels ? bandFloorDb_ : powerDb_[c]);
        const Channel& channel = plan_.channels()[c];
        const std::span<const Complex> samples(block_.data() + c * blockFrames_, blockFrames_);
        switch (squelch.Step(powerDb_[c], bandShiftDb)) {
        case SquelchStep::Closed:
            break;
        case SquelchStep::Opening: {
            if (!audio_[c])
                audio_[c] = std::make_unique<FmAudio>(plan_.channelRate());
            audio_[c]->Reset();
            ++counts_.openings;
            const bool before = blocksDone_ > 0;
            if (events_.opened)
                events_.opened(channel, Seconds(before ? blockStart - blockFrames_ : blockStart));
            if (before) {
                Listen(c,
                       std::span<const Complex>(previous_.data() + c * blockFrames_, blockFrames_));
                ++counts_.listened;
            }
            Listen(c, samples);
            ++counts_.listened;
            break;
        }
        case SquelchStep::Open:
            Listen(c, samples);
            ++counts_.listened;
            break;
        case SquelchStep::Closing:
            if (events_.closed)
                events_.closed(channel, Seconds(blockStart));
            break;
        }
    }
    counts_.blocks += channels;
    ++blocksDone_;
    filled_ = 0;
    std::swap(block_, previous_);
}

void BandReceiver::Finish() {
    const std::uint64_t end = blocksDone_ * blockFrames_ + filled_;
    for (std::size_t c = 0; c < squelches_.size(); ++c) {
        if (!squelches_[c].open())
            continue;
        if (filled_ > 0)
            Listen(c, std::span<const Complex>(block_.data() + c * blockFrames_, filled_));
        squelches_[c].Close();
        if (events_.closed)
            events_.closed(plan_.channels()[c], Seconds(end));
    }
    filled_ = 0;
}

} // namespace channelizer

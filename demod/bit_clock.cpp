#include "bit_clock.h"

#include <algorithm>
#include <cmath>

namespace demod {

namespace {

// Acquisition: share of the Gardner error (in bits) taken into the boundary position per bit.
// The period is left alone: between transmissions (voice, noise) the Gardner error would pull
// it anywhere, and a transmission that starts with a wrong period slips bits.
constexpr double AcquirePhaseGain = 0.12;
// Tracking: shares of a measured misplacement taken into the boundary and the period, from
// quick at the start of a transmission down to steady over about GearBits.
constexpr double StartPhaseGain = 0.15;
constexpr double TrackPhaseGain = 0.04;
constexpr double StartPeriodGain = 0.01;
constexpr double TrackPeriodGain = 0.001;
constexpr double GearBits = 64;
// Without a carrier the period is drawn back to the one learned on the last transmission
// (at first, the nominal one), so that noise cannot pull it far away.
constexpr double PeriodReturn = 0.02;
// The clock may be off by 2 % and drift; beyond 5 % the loop is chasing noise.
constexpr double MaxPeriodError = 0.05;
constexpr float MaxY = 1.5f; // noise spikes of the discriminator would throw the loop about

} // namespace

BitClock::BitClock(double nominalPeriod)
    : nominal_(nominalPeriod), learned_(nominalPeriod), period_(nominalPeriod), bitStart_(0),
      nextBoundary_(nominalPeriod) {}

void BitClock::SetTracking(bool tracking) {
    if (tracking && !tracking_)
        trackedBits_ = 0;
    if (!tracking && tracking_ && trackedBits_ > 64)
        learned_ = period_;
    tracking_ = tracking;
}

void BitClock::Adjust(double lateSamples, double phaseGain, double periodGain) {
    nextBoundary_ -= phaseGain * lateSamples;
    period_ -= periodGain * lateSamples;
    period_ = std::clamp(period_, nominal_ * (1 - MaxPeriodError), nominal_ * (1 + MaxPeriodError));
    nextBoundary_ = std::max(nextBoundary_, now_ + 0.25 * period_);
}

void BitClock::Correct(double lateSamples) {
    if (!tracking_ || !std::isfinite(lateSamples))
        return;
    lateSamples = std::clamp(lateSamples, -period_ / 4, period_ / 4);
    const double shift = std::exp(-static_cast<double>(trackedBits_) / GearBits);
    Adjust(lateSamples, TrackPhaseGain + (StartPhaseGain - TrackPhaseGain) * shift,
           TrackPeriodGain + (StartPeriodGain - TrackPeriodGain) * shift);
}

bool BitClock::Step(std::int64_t n, float y) {
    y = std::clamp(y, -MaxY, MaxY);
    const double t = static_cast<double>(n);
    now_ = t;
    // The value at a time between the previous sample and this one.
    const auto at = [&](double when) {
        const float share = static_cast<float>(std::clamp(when - (t - 1), 0.0, 1.0));
        return previousY_ + (y - previousY_) * share;
    };
    bool ended = false;
    if (t >= nextBoundary_) {
        boundaryY_ = at(nextBoundary_);
        bitStart_ = nextBoundary_;
        nextBoundary_ += period_;
        if (nextBoundary_ <= t) // a long jump in time: start afresh
            nextBoundary_ = t + period_;
        centreDone_ = false;
        ended = true;
        if (tracking_)
            ++trackedBits_;
        else
            period_ += PeriodReturn * (learned_ - period_);
    }
    const double centre = bitStart_ + period_ / 2;
    if (!centreDone_ && t >= centre) {
        centreDone_ = true;
        const float centreY = at(centre);
        // Positive when the boundary was placed late: past a change of tone the value at
        // the boundary already leans towards the new tone.
        const double error = std::clamp(
            static_cast<double>((centreY - previousCentreY_) * boundaryY_) / 2, -1.0, 1.0);
        previousCentreY_ = centreY;
        if (!tracking_)
            Adjust(error * period_, AcquirePhaseGain, 0);
    }
    previousY_ = y;
    return ended;
}

} // namespace demod

#include "bit_clock.h"

#include <algorithm>

namespace demod {

namespace {

// Loop gains: share of the Gardner error (in bits) taken into the boundary position, and into
// the period, per bit.
constexpr double AcquirePhaseGain = 0.12;
constexpr double AcquirePeriodGain = 0.004;
constexpr double TrackPhaseGain = 0.05;
constexpr double TrackPeriodGain = 0.0015;
// The clock may be off by 2 % and drift; beyond 5 % the loop is chasing noise.
constexpr double MaxPeriodError = 0.05;
constexpr float MaxY = 1.5f; // noise spikes of the discriminator would throw the loop about

} // namespace

BitClock::BitClock(double nominalPeriod)
    : nominal_(nominalPeriod), period_(nominalPeriod), bitStart_(0), nextBoundary_(nominalPeriod) {}

bool BitClock::Step(std::int64_t n, float y) {
    y = std::clamp(y, -MaxY, MaxY);
    const double t = static_cast<double>(n);
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
        const double phaseGain = tracking_ ? TrackPhaseGain : AcquirePhaseGain;
        const double periodGain = tracking_ ? TrackPeriodGain : AcquirePeriodGain;
        nextBoundary_ -= phaseGain * error * period_;
        period_ -= periodGain * error * nominal_;
        period_ =
            std::clamp(period_, nominal_ * (1 - MaxPeriodError), nominal_ * (1 + MaxPeriodError));
        nextBoundary_ = std::max(nextBoundary_, t + 0.25 * period_);
    }
    previousY_ = y;
    return ended;
}

} // namespace demod

// Timing recovery. Finds where each bit starts in the baseband samples, tracking a bit clock
// that is off by a few per cent and drifts: the instantaneous frequency of the signal (a
// discriminator, scaled so the two tones read -1 and +1) swings between the tones at the bit
// boundaries, and a Gardner error (centre of this bit minus centre of the last, times the value
// half-way between them) says whether the boundaries are placed early or late. A
// proportional-plus-integral loop corrects the boundary position and the bit period.
#pragma once

#include <cstdint>

namespace demod {

class BitClock {
public:
    // `nominalPeriod`: baseband samples per bit at exactly 1200 bit/s.
    explicit BitClock(double nominalPeriod);

    // Quick acquisition while no carrier is heard, steady tracking while one is.
    void SetTracking(bool tracking) { tracking_ = tracking; }

    // Takes the discriminator value `y` of sample `n` (samples numbered from 0, one call per
    // sample, in order). Returns true when a bit ended before this sample: the sample is then
    // the first of a new bit, starting at bitStart().
    bool Step(std::int64_t n, float y);

    double bitStart() const { return bitStart_; }
    double period() const { return period_; }

private:
    double nominal_;
    double period_;
    double bitStart_;
    double nextBoundary_;
    bool centreDone_ = false;
    bool tracking_ = false;
    float previousY_ = 0;
    float boundaryY_ = 0;
    float previousCentreY_ = 0;
};

} // namespace demod

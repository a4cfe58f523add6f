// Timing recovery. Finds where each bit starts in the baseband samples, tracking a bit clock
// that is off by a few per cent and drifts. Two error detectors drive one
// loop that corrects the boundary position (and, while tracking, the bit period):
// - while no carrier is heard (acquisition), a Gardner detector on the instantaneous frequency
//   (a discriminator scaled so the two tones read -1 and +1): it swings between the tones at
//   the bit boundaries, so the value half-way between two bit centres, times their difference,
//   says whether the boundaries are placed early or late. It needs no decisions but is noisy;
// - while a transmission is on, the decisions: at a change of tone, the phase a bit starts
//   with differs from the phase the bits before it predict by (new tone - old tone) times the
//   misplacement of the boundary (see SequenceDetector), measured over whole bits.
#pragma once

#include <cstdint>

namespace demod {

class BitClock {
public:
    // `nominalPeriod`: baseband samples per bit at exactly 1200 bit/s.
    explicit BitClock(double nominalPeriod);

    // Quick acquisition while no carrier is heard, decision-directed tracking while one is.
    void SetTracking(bool tracking);

    // Takes the discriminator value `y` of sample `n` (samples numbered from 0, one call per
    // sample, in order). Returns true when a bit ended before this sample: the sample is then
    // the first of a new bit, starting at bitStart().
    bool Step(std::int64_t n, float y);
    // While tracking: a boundary was found `lateSamples` after where it really was.
    void Correct(double lateSamples);

    double bitStart() const { return bitStart_; }
    double nextBoundary() const { return nextBoundary_; }
    double period() const { return period_; }

private:
    void Adjust(double lateSamples, double phaseGain, double periodGain);

    double nominal_;
    double learned_; // the period of the last transmission
    double period_;
    double bitStart_;
    double nextBoundary_;
    double now_ = 0;
    std::uint64_t trackedBits_ = 0;
    bool centreDone_ = false;
    bool tracking_ = false;
    float previousY_ = 0;
    float boundaryY_ = 0;
    float previousCentreY_ = 0;
};

} // namespace demod

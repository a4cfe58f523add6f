// Tone detection, second half: the decision. A per-bit choice of the stronger tone (the
// textbook non-coherent detector) throws away what FFSK's phase continuity says about the
// neighbours of a bit. This detector decides each bit from a stretch of signal instead: for
// every sequence of the bit and the next few (2^Lookahead hypotheses) it turns the bits'
// correlations back to the phase they started with, adds them to a phase reference built
// from the bits already decided, and keeps the sequence whose sum is the strongest. With a
// long enough reference that is close to coherent detection, without a carrier loop that
// would need time to lock at the start of every transmission.
// It also tracks the two tone frequencies (each may be off by tens of hertz, and not by the
// same amount) from the phase turn between the two halves of every decided bit.
#pragma once

#include "tone_correlator.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace demod {

struct DecidedBit {
    bool high = false; // the 1800 Hz tone was sent
    Complex sum;       // its correlation with that tone
    Complex advance;   // that tone's phase turn over the bit
    double energy = 0; // as observed
    double wideEnergy = 0;
    double samples = 0;
    double start = 0;
    double length = 0;
    // At a change of tone: how many samples after the true boundary the bit's start was
    // placed, judged from the phase the bit started with. NaN when the tone did not change.
    double lateSamples = 0;
};

class SequenceDetector {
public:
    static constexpr std::size_t Lookahead = 3;

    // `lowOmega`/`highOmega`: nominal tone frequencies in radians per sample.
    SequenceDetector(double lowOmega, double highOmega, double maxOffsetOmega);

    // Takes the next bit's observation; returns the decision on the bit `Lookahead - 1`
    // observations back, once there is one.
    std::optional<DecidedBit> Push(const BitObservation& bit);
    // Decides the bits still waiting (at the end of a transmission), oldest first.
    template <typename Out> void Drain(Out&& out) {
        while (count_ > 0)
            out(DecideOldest());
    }
    // Tone frequencies are learned only while a transmission is on: noise would pull them
    // anywhere.
    void SetTracking(bool tracking) { tracking_ = tracking; }
    // Moves both tones by `omega` radians per sample (a common offset found elsewhere).
    void Shift(double omega);
    // Forgets the phase reference, the waiting bits and the tone offsets learned.
    void Reset();

    double lowOmega() const { return low_; }
    double highOmega() const { return high_; }

private:
    DecidedBit DecideOldest();
    void Track(const DecidedBit& bit);

    double nominalLow_, nominalHigh_, maxOffset_;
    double low_, high_;
    Complex reference_{};
    float amplitude_[2] = {0, 0}; // of the 1200 Hz and the 1800 Hz tone, per sample
    bool haveLast_ = false, lastHigh_ = false;
    bool tracking_ = false;
    std::uint64_t trackedBits_ = 0;
    Complex lastSum_{}, lastAdvance_{};
    double lastLength_ = 0;
    std::array<BitObservation, Lookahead> waiting_{};
    std::size_t first_ = 0, count_ = 0;
};

} // namespace demod

#include "sequence_detector.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace demod {

namespace {

// How much of the phase reference survives from one bit to the next: the reference spans
// about (1 + r) / (1 - r) bits. Longer is closer to coherent detection but follows tone
// offsets and level changes more slowly.
constexpr float ReferenceRetention = 0.7f;
// Share of a decided bit's measured frequency error taken into the tone's frequency.
constexpr double ToneTrackingGain = 0.04;

} // namespace

SequenceDetector::SequenceDetector(double lowOmega, double highOmega, double maxOffsetOmega)
    : nominalLow_(lowOmega), nominalHigh_(highOmega), maxOffset_(maxOffsetOmega), low_(lowOmega),
      high_(highOmega) {}

void SequenceDetector::Reset() {
    low_ = nominalLow_;
    high_ = nominalHigh_;
    reference_ = Complex{};
    first_ = count_ = 0;
}

std::optional<DecidedBit> SequenceDetector::Push(const BitObservation& bit) {
    std::optional<DecidedBit> decided;
    if (count_ == Lookahead)
        decided = DecideOldest();
    waiting_[(first_ + count_) % Lookahead] = bit;
    ++count_;
    return decided;
}

DecidedBit SequenceDetector::DecideOldest() {
    // Every sequence over the waiting bits; the sum of its correlations, each turned back by
    // the phase the tones before it in the sequence have turned through.
    const std::size_t n = count_;
    const std::size_t hypotheses = std::size_t{1} << n;
    float best[2] = {-1, -1};
    for (std::size_t h = 0; h < hypotheses; ++h) {
        Complex sum = reference_;
        Complex turn{1, 0};
        for (std::size_t i = 0; i < n; ++i) {
            const BitObservation& bit = waiting_[(first_ + i) % Lookahead];
            const bool high = ((h >> i) & 1U) != 0;
            sum += (high ? bit.High() : bit.Low()) * std::conj(turn);
            turn *= high ? bit.highAdvance : bit.lowAdvance;
        }
        const float metric = std::norm(sum);
        best[h & 1U] = std::max(best[h & 1U], metric);
    }
    const BitObservation& bit = waiting_[first_];
    const bool high = best[1] > best[0];
    first_ = (first_ + 1) % Lookahead;
    --count_;

    DecidedBit out;
    out.high = high;
    out.sum = high ? bit.High() : bit.Low();
    out.advance = high ? bit.highAdvance : bit.lowAdvance;
    out.energy = bit.energy;
    out.samples = bit.samples;
    out.start = bit.start;
    out.length = bit.length;
    reference_ = ReferenceRetention * (reference_ + out.sum) * out.advance;
    Track(bit, high);
    return out;
}

void SequenceDetector::Track(const BitObservation& bit, bool high) {
    const Complex* halves = high ? bit.high : bit.low;
    const Complex turn = halves[1] * std::conj(halves[0]);
    if (std::norm(turn) == 0 || bit.length <= 0)
        return;
    // A tone that is really at omega + e turns by about e * length / 2 from one half to
    // the other, after the correlator has taken omega out.
    const double error = std::arg(turn) / (bit.length / 2);
    double& omega = high ? high_ : low_;
    const double nominal = high ? nominalHigh_ : nominalLow_;
    omega =
        std::clamp(omega + ToneTrackingGain * error, nominal - maxOffset_, nominal + maxOffset_);
}

} // namespace demod

#include "sequence_detector.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace demod {

namespace {

// How much of the phase reference survives from one bit to the next: the reference spans
// about (1 + r) / (1 - r) bits. Longer is closer to coherent detection but follows tone
// offsets and level changes more slowly.
constexpr float ReferenceRetention = 0.7f;
// Share of a decided bit's measured frequency error taken into the tone's frequency.
constexpr double ToneTrackingGain = 0.01;

} // namespace

SequenceDetector::SequenceDetector(double lowOmega, double highOmega, double maxOffsetOmega)
    : nominalLow_(lowOmega), nominalHigh_(highOmega), maxOffset_(maxOffsetOmega), low_(lowOmega),
      high_(highOmega) {}

void SequenceDetector::Reset() {
    low_ = nominalLow_;
    high_ = nominalHigh_;
    reference_ = Complex{};
    first_ = count_ = 0;
    haveLast_ = false;
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
    // The bit before this one had the other tone: the phase this bit starts with tells where
    // the boundary really was (the old tone ran on for a late boundary, the new one had
    // started already for an early one).
    out.lateSamples = std::numeric_limits<double>::quiet_NaN();
    if (haveLast_ && lastHigh_ != high && std::norm(reference_) > 0 && std::norm(out.sum) > 0) {
        const double turn = std::arg(out.sum * std::conj(reference_));
        const double change = high ? high_ - low_ : low_ - high_;
        out.lateSamples = turn / change;
    }
    reference_ = ReferenceRetention * (reference_ + out.sum) * out.advance;
    Track(out);
    haveLast_ = true;
    lastHigh_ = high;
    return out;
}

void SequenceDetector::Track(const DecidedBit& bit) {
    // Two bits of the same tone in a row: the second starts with the phase the first ended
    // with, so what is left over after the tone's expected turn is the tone's frequency
    // error times the first bit's length. Bits after a change of tone would mix in where the
    // boundary lies.
    if (tracking_ && haveLast_ && lastHigh_ == bit.high && lastLength_ > 0 &&
        std::norm(lastSum_) > 0 && std::norm(bit.sum) > 0) {
        const double error = std::arg(bit.sum * std::conj(lastSum_ * lastAdvance_)) / lastLength_;
        double& omega = bit.high ? high_ : low_;
        const double nominal = bit.high ? nominalHigh_ : nominalLow_;
        omega = std::clamp(omega + ToneTrackingGain * error, nominal - maxOffset_,
                           nominal + maxOffset_);
    }
    lastSum_ = bit.sum;
    lastAdvance_ = bit.advance;
    lastLength_ = bit.length;
}

} // namespace demod

#include "tone_correlator.h"

#include <complex>

namespace demod {

void ToneCorrelator::Start(double start, double firstSample, double lowOmega, double highOmega) {
    bit_ = BitObservation{};
    bit_.start = start;
    const double offset = firstSample - start;
    // Multiplying by the conjugate tone takes a signal at exactly that tone to a constant.
    lowRotor_ = Complex(std::polar(1.0, -lowOmega * offset));
    highRotor_ = Complex(std::polar(1.0, -highOmega * offset));
    if (lowOmega != lowOmega_ || highOmega != highOmega_) {
        lowStep_ = Complex(std::polar(1.0, -lowOmega));
        highStep_ = Complex(std::polar(1.0, -highOmega));
        lowOmega_ = lowOmega;
        highOmega_ = highOmega;
    }
}

void ToneCorrelator::Add(const BasebandSample& sample) {
    bit_.low += sample.wide * lowRotor_;
    bit_.high += sample.wide * highRotor_;
    lowRotor_ *= lowStep_;
    highRotor_ *= highStep_;
    bit_.energy += static_cast<double>(std::norm(sample.narrow));
    bit_.wideEnergy += static_cast<double>(std::norm(sample.wide));
    bit_.samples += 1;
}

BitObservation ToneCorrelator::Take(double end) {
    BitObservation done = bit_;
    done.length = end - done.start;
    done.lowAdvance = Complex(std::polar(1.0, lowOmega_ * done.length));
    done.highAdvance = Complex(std::polar(1.0, highOmega_ * done.length));
    bit_ = BitObservation{};
    return done;
}

} // namespace demod

#include "tone_correlator.h"

#include <complex>

namespace demod {

void ToneCorrelator::Start(double start, double length, double firstSample, double lowOmega,
                           double highOmega) {
    bit_ = BitObservation{};
    bit_.start = start;
    bit_.length = length;
    half_ = start + length / 2;
    const double offset = firstSample - start;
    // Multiplying by the conjugate tone takes a signal at exactly that tone to a constant.
    lowRotor_ = Complex(std::polar(1.0, -lowOmega * offset));
    highRotor_ = Complex(std::polar(1.0, -highOmega * offset));
    lowStep_ = Complex(std::polar(1.0, -lowOmega));
    highStep_ = Complex(std::polar(1.0, -highOmega));
    lowOmega_ = lowOmega;
    highOmega_ = highOmega;
}

void ToneCorrelator::Add(Complex sample, float power, double position) {
    const int half = position < half_ ? 0 : 1;
    bit_.low[half] += sample * lowRotor_;
    bit_.high[half] += sample * highRotor_;
    lowRotor_ *= lowStep_;
    highRotor_ *= highStep_;
    bit_.energy += static_cast<double>(power);
    bit_.wideEnergy += static_cast<double>(std::norm(sample));
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

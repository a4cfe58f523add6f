// Filter stage. Moves the FFSK band to complex baseband and brings the sample rate down early:
// the real input is multiplied by a 1500 Hz complex oscillator (the midpoint of the 1200 Hz and
// 1800 Hz tones, which land at -300 Hz and +300 Hz), summed by a second-order box-car filter
// that decimates by an integer factor to between 8 and 16 kHz (its zeros fall on every
// frequency that would fold onto the band). Two outputs, low-passed by two filters of the same
// length (so the same delay): to +-1.7 kHz for the tone correlators, which are the matched
// filter themselves and only need the mirror image of the signal (around -3 kHz) removed, as
// a narrower filter would smear one bit into the next; and to +-1 kHz for the discriminator
// and the level measurements. It expects the input without DC (which would land at -1.5 kHz):
// the high-pass stage before it takes that out.
#pragma once

#include <complex>
#include <cstddef>
#include <span>
#include <vector>

namespace demod {

using Complex = std::complex<float>;

struct BasebandSample {
    Complex wide;   // for the correlators
    Complex narrow; // low-passed too
};

inline constexpr double CentreHz = 1500;
inline constexpr double LowToneHz = 1200;
inline constexpr double HighToneHz = 1800;
inline constexpr double BitRate = 1200;

class Baseband {
public:
    explicit Baseband(double sampleRate);

    // Appends the baseband samples made from `samples` to `out`.
    void Process(std::span<const float> samples, std::vector<BasebandSample>& out);

    double outputRate() const { return outputRate_; }
    // How much later a feature of the input shows in the output, in output samples.
    double delaySamples() const { return delay_; }
    // The equivalent noise bandwidth of the chain, in Hz (white noise of one-sided density N0
    // in the real input gives noise power N0 * bandwidth / 2 in the output).
    double noiseBandwidthHz() const { return noiseBandwidth_; }
    // The same for the wide output.
    double wideNoiseBandwidthHz() const { return wideNoiseBandwidth_; }

private:
    void Decimated(Complex value, std::vector<BasebandSample>& out);

    double outputRate_;
    std::size_t factor_;
    // Oscillator, renormalised now and then so that rounding never changes its amplitude.
    std::complex<double> phasor_{1, 0};
    std::complex<double> step_;
    std::size_t sinceNormalise_ = 0;
    // Second-order box-car: each block of `factor_` samples gives a plain sum and a sum
    // weighted by the position in the block; two blocks make one triangular window.
    Complex blockSum_{}, blockRamp_{};
    Complex lastSum_{}, lastRamp_{};
    std::size_t inBlock_ = 0;
    float scale_;
    // Low-pass filter at the output rate: taps and a history twice its length, so the
    // window is always one contiguous stretch.
    std::vector<float> taps_, wideTaps_;
    std::vector<Complex> table_; // the oscillator over one period, when short
    std::size_t tableAt_ = 0;
    std::vector<Complex> history_;
    std::size_t head_ = 0;
    double delay_ = 0;
    double noiseBandwidth_ = 0;
    double wideNoiseBandwidth_ = 0;
};

} // namespace demod

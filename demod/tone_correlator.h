// Tone detection, first half. Correlates each bit of the baseband signal with the two tones
// as they would continue from the bit's start (a complex exponential at each tone's tracked
// frequency, phase 0 at the boundary), separately over the first and the second half of the
// bit. The sums keep the phase of the signal, which the sequence detector needs: FFSK is
// phase-continuous, so the phase a bit ends with is the phase the next one starts with.
#pragma once

#include "baseband.h"

namespace demod {

// What one bit of signal looked like.
struct BitObservation {
    Complex low[2];        // correlation with the 1200 Hz tone, first and second half
    Complex high[2];       // the same with the 1800 Hz tone
    Complex lowAdvance;    // phase turn of the 1200 Hz tone over the whole bit
    Complex highAdvance;   // the same for the 1800 Hz tone
    double energy = 0;     // sum of the low-passed |sample|^2 over the bit
    double wideEnergy = 0; // sum of the correlated |sample|^2 over the bit
    double samples = 0;    // how many samples the sums hold
    double length = 0;     // the bit's length in samples (fractional)
    double start = 0;      // where it started, in baseband samples
    Complex Low() const { return low[0] + low[1]; }
    Complex High() const { return high[0] + high[1]; }
};

class ToneCorrelator {
public:
    // Starts a bit at (fractional) sample position `start`, `length` samples long, with the
    // tones at `lowOmega` and `highOmega` radians per sample. `firstSample` is the first
    // sample that will be added.
    void Start(double start, double length, double firstSample, double lowOmega, double highOmega);
    // `sample` is correlated; `power` (the low-passed sample's |.|^2) is summed as the bit's
    // energy, the energy the signal band holds.
    void Add(Complex sample, float power, double position);
    // The finished bit, which ended at `end` (where the next one starts): its length and the
    // tones' phase turns over it follow from that. The correlator is empty after it.
    BitObservation Take(double end);
    bool Empty() const { return bit_.samples == 0; }

private:
    BitObservation bit_;
    Complex lowRotor_{1, 0}, highRotor_{1, 0};
    Complex lowStep_{1, 0}, highStep_{1, 0};
    double half_ = 0;
    double lowOmega_ = 0, highOmega_ = 0;
};

} // namespace demod

// Tone detection, first half. Correlates each bit of the baseband signal with the two tones
// as they would continue from the bit's start (a complex exponential at each tone's tracked
// frequency, phase 0 at the boundary). The sums keep the phase of the signal, which the
// sequence detector needs: FFSK is phase-continuous, so the phase a bit ends with is the phase
// the next one starts with.
#pragma once

#include "baseband.h"

namespace demod {

// What one bit of signal looked like.
struct BitObservation {
    Complex low;           // correlation with the 1200 Hz tone
    Complex high;          // the same with the 1800 Hz tone
    Complex lowAdvance;    // phase turn of the 1200 Hz tone over the whole bit
    Complex highAdvance;   // the same for the 1800 Hz tone
    double energy = 0;     // sum of the narrow |sample|^2 over the bit (the signal band)
    double wideEnergy = 0; // sum of the correlated |sample|^2 over the bit
    double samples = 0;    // how many samples the sums hold
    double length = 0;     // the bit's length in samples (fractional)
    double start = 0;      // where it started, in baseband samples
};

class ToneCorrelator {
public:
    // Starts a bit at (fractional) sample position `start` with the tones at `lowOmega` and
    // `highOmega` radians per sample. `firstSample` is the first sample that will be added.
    void Start(double start, double firstSample, double lowOmega, double highOmega);
    void Add(const BasebandSample& sample);
    // The finished bit, which ended at `end` (where the next one starts): its length and the
    // tones' phase turns over it follow from that. The correlator is empty after it.
    BitObservation Take(double end);
    bool Empty() const { return bit_.samples == 0; }

private:
    BitObservation bit_;
    Complex lowRotor_{1, 0}, highRotor_{1, 0};
    Complex lowStep_{1, 0}, highStep_{1, 0};
    double lowOmega_ = 0, highOmega_ = 0;
};

} // namespace demod

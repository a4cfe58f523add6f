// A map that tells, for any bit of the bits of a recording's transmissions joined, in which
// transmission it was heard: when (from the start of the recording), how loud, how clean.
#pragma once

#include "demodulator.h"

#include <cstdint>
#include <vector>

namespace vantrel {

struct HeardTransmission {
    std::uint64_t firstBit = 0; // its first bit's index in the bits of all transmissions joined
    std::uint64_t bitCount = 0;
    double startSeconds = 0; // from the start of the recording
    double endSeconds = 0;
    double levelDbfs = 0;
    double ebN0Db = 0;
    bool inverted = false;              // 1800 Hz was taken as "1"
    bool polarityGuessed = false;       // Auto found nothing to decide by: Normal was taken
    demod::PolarityEvidence evidence{}; // what its bits said about the polarity (Auto)
};

// The transmissions of one recording in the order they were heard.
class TransmissionMap {
public:
    // Transmissions come in order; one without bits is not kept (no bit can point to it).
    void Add(const HeardTransmission& transmission);
    // The transmission that holds the bit at `bitIndex`; nullptr past the last bit.
    const HeardTransmission* Find(std::uint64_t bitIndex) const;
    const std::vector<HeardTransmission>& transmissions() const { return transmissions_; }

private:
    std::vector<HeardTransmission> transmissions_;
};

// When the bit at `bitIndex` (inside `heard`) was heard, in seconds from the start of the
// recording: the transmission's start and the bits before it at the bit rate.
double HeardSeconds(const HeardTransmission& heard, std::uint64_t bitIndex);

} // namespace vantrel

#include "transmission_map.h"

#include "baseband.h"

#include <algorithm>

namespace vantrel {

void TransmissionMap::Add(const HeardTransmission& transmission) {
    if (transmission.bitCount > 0)
        transmissions_.push_back(transmission);
}

const HeardTransmission* TransmissionMap::Find(std::uint64_t bitIndex) const {
    // The first transmission that ends after the bit; they lie end to end in the joined bits.
    const auto found = std::upper_bound(transmissions_.begin(), transmissions_.end(), bitIndex,
                                        [](std::uint64_t index, const HeardTransmission& t) {
                                            return index < t.firstBit + t.bitCount;
                                        });
    if (found == transmissions_.end() || bitIndex < found->firstBit)
        return nullptr;
    return &*found;
}

double HeardSeconds(const HeardTransmission& heard, std::uint64_t bitIndex) {
    return heard.startSeconds + static_cast<double>(bitIndex - heard.firstBit) / demod::BitRate;
}

} // namespace vantrel

// Which transmission a bit of the joined bit string was heard in.
#include "demodulate_sound.h"

#include <gtest/gtest.h>

namespace {

using vantrel::HeardTransmission;
using vantrel::TransmissionMap;

HeardTransmission Heard(std::uint64_t first, std::uint64_t count, double start) {
    HeardTransmission t;
    t.firstBit = first;
    t.bitCount = count;
    t.startSeconds = start;
    return t;
}

TEST(TransmissionMap, FindsTheTransmissionOfEveryBit) {
    TransmissionMap map;
    map.Add(Heard(0, 100, 1.5));
    map.Add(Heard(100, 0, 2.0)); // no bits: nothing can point to it
    map.Add(Heard(100, 1, 3.25));
    map.Add(Heard(101, 200, 7.0));
    EXPECT_EQ(map.transmissions().size(), 3U);
    const struct {
        std::uint64_t bit;
        double start; // < 0: none
    } cases[] = {{0, 1.5},   {99, 1.5}, {100, 3.25},   {101, 7.0},
                 {300, 7.0}, {301, -1}, {1U << 31, -1}};
    for (const auto& c : cases) {
        const HeardTransmission* found = map.Find(c.bit);
        if (c.start < 0) {
            EXPECT_EQ(found, nullptr) << c.bit;
        } else {
            ASSERT_NE(found, nullptr) << c.bit;
            EXPECT_EQ(found->startSeconds, c.start) << c.bit;
        }
    }
}

} // namespace

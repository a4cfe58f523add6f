#include "stream_helpers.h"

#include <gtest/gtest.h>

using namespace modETSI300230;
using namespace testing_helpers;

namespace {

// Every block hides a second sync pattern inside its header codeword: twice as many patterns
// are counted as can be decoded, and every index after the last decodable block has no sync
// pattern left. Each of those records logs the whole remaining text, here a long tail.
std::string HiddenPatternStream(int blocks, std::size_t tail) {
    std::string bits;
    for (int i = 0; i < blocks; ++i)
        bits += std::string(SyncNoFec) + "0000" + std::string(SyncNoFec) + std::string(32, '0');
    bits += std::string(tail, '0');
    return bits;
}

TEST(PathologicalStreams, NoSyncRecordsShareOneLog) {
    const int blocks = 2000;
    const std::size_t tail = 4'000'000;
    const Decoded d = Decode(HiddenPatternStream(blocks, tail));

    ASSERT_EQ(d.count, 2 * blocks);
    const BlockInfo& firstNoSync = d.blocks[blocks];
    EXPECT_EQ(firstNoSync.Func1, "");
    const std::string lines = Lines({"", ">>> No [BITSYNC][BLCSYNC] found, terminating",
                                     "The following bits have not been processed (yet):", ""});
    EXPECT_EQ(firstNoSync.Log.size(), lines.size() + tail);
    // 2000 copies of a 4 MB log would take 8 GB; the records point at one text instead.
    for (std::size_t i = blocks; i < d.blocks.size(); ++i)
        ASSERT_EQ(&d.blocks[i].Log.str(), &firstNoSync.Log.str()) << "record " << i + 1;
    // The decodable blocks before them are decoded as usual.
    EXPECT_TRUE(d.blocks[0].Corrupted);
    EXPECT_EQ(d.blocks[0].Log.str().substr(0, 29), "[BITSYNC ][BLCSYNC ] (NO FEC)");
}

TEST(PathologicalStreams, CopiesOfRecordsStayEqual) {
    const Decoded d = Decode(HiddenPatternStream(3, 100));
    std::vector<BlockInfo> copy = d.blocks;
    EXPECT_EQ(copy, d.blocks);
    copy[5].Func1 = "changed";
    EXPECT_NE(copy[5], d.blocks[5]);
    EXPECT_EQ(copy[5].Log, d.blocks[5].Log);
}

} // namespace

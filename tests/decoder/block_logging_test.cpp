// A block decoded without its log gives the same record, detail and end as with it, and leaves
// the thread's log alone: the outputs that show no log take that path.
#include "stream_helpers.h"

#include <gtest/gtest.h>

using namespace modETSI300230;
using encoder::Header;
using encoder::Sync;

namespace {

struct BlockCase {
    const char* name;
    std::string bits;
};

std::vector<BlockCase> Cases() {
    const Header call{encoder::NormalCall, 10, 0x1A, 0x234, 0x567};
    const Header external{encoder::ExternalAddressing, 10, 1, 0x234, encoder::AllCallTo};
    const Header second{encoder::NormalCall, 12, 2, 0xFFF, 0x789};
    const Header data{encoder::ShortData, 10, 1, 0x234, 0x567};
    const std::string gps =
        encoder::NmeaSentence("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
    std::string corrupted = encoder::CallBlock(call, Sync::Fec);
    corrupted[corrupted.size() - 5] ^= 1;
    std::string stray = encoder::ShortDataBlock(data, "hello");
    stray[stray.size() - 70] = 'x';
    const std::string cut = encoder::ShortDataBlock(data, "a text longer than one codeword");
    return {
        {"call", encoder::CallBlock(call)},
        {"fec", encoder::CallBlock(call, Sync::Fec)},
        {"extended", encoder::ExtendedBlock(external, second)},
        {"text", encoder::ShortDataBlock(data, "hi there\x07")},
        {"position", encoder::ShortDataBlock(data, gps)},
        {"damagedPosition", encoder::ShortDataBlock(data, gps.substr(0, gps.size() - 1) + "0")},
        {"corrupted", corrupted},
        {"strayCharacter", stray},
        {"cutShort", cut.substr(0, cut.size() - 100)},
        {"headerCut", encoder::CallBlock(call).substr(0, 60)},
    };
}

void PrintTo(const BlockCase& c, std::ostream* out) {
    *out << c.name;
}

class BlockLoggingTest : public testing::TestWithParam<BlockCase> {};

TEST_P(BlockLoggingTest, SkippedLogChangesNothingElse) {
    const std::string bits = "0110" + GetParam().bits;
    const SyncFinder finder(bits);
    const SyncFinder::Hit hit = finder.Next(0);
    ASSERT_NE(hit.position, NotFound);

    BlockInfo logged;
    BlockDetail loggedDetail;
    const std::size_t loggedEnd = DecodeBlock(bits, hit, logged, &loggedDetail);
    const std::string log = BlockLog;
    ASSERT_GT(log.size(), 100U);

    BlockLog = "kept";
    BlockInfo plain;
    BlockDetail plainDetail;
    EXPECT_EQ(DecodeBlock(bits, hit, plain, &plainDetail, BlockLogging::Skipped), loggedEnd);
    EXPECT_EQ(plain, logged);
    EXPECT_EQ(plainDetail, loggedDetail);
    BlockInfo noDetail;
    EXPECT_EQ(DecodeBlock(bits, hit, noDetail, nullptr, BlockLogging::Skipped), loggedEnd);
    EXPECT_EQ(noDetail, logged);
    EXPECT_EQ(BlockLog, "kept");

    // The logged decode still writes the same log after a skipped one.
    BlockInfo again;
    DecodeBlock(bits, hit, again);
    EXPECT_EQ(BlockLog, log);
}

INSTANTIATE_TEST_SUITE_P(Blocks, BlockLoggingTest, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

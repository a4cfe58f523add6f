#include "stream_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace modETSI300230;
using namespace testing_helpers;
using encoder::Header;
using encoder::Sync;
using Kind = CodewordCheck::Kind;

namespace {

struct WithDetails {
    std::vector<BlockInfo> blocks;
    std::int32_t count = -1;
    std::vector<BlockDetail> details;
};

WithDetails DecodeWithDetails(const std::string& bits) {
    WithDetails d;
    DecodeStream(bits, d.blocks, d.count, d.details);
    return d;
}

std::vector<Kind> Kinds(const BlockDetail& detail) {
    std::vector<Kind> kinds;
    for (const CodewordCheck& c : detail.codewords)
        kinds.push_back(c.kind);
    return kinds;
}

TEST(BlockDetail, CallGivesItsHeaderAsNumbersAndWhereItsPatternStarts) {
    const Header h{encoder::NormalCall, 10, 0x1A, 0x234, 0x567};
    const std::string prefix = "0110";
    const WithDetails d = DecodeWithDetails(prefix + encoder::CallBlock(h, Sync::Fec) + "01");
    ASSERT_EQ(d.details.size(), 1U);
    const BlockDetail& b = d.details[0];
    EXPECT_EQ(b.syncPosition, prefix.size());
    EXPECT_TRUE(b.fec);
    EXPECT_FALSE(b.noPatternLeft);
    EXPECT_EQ(b.restPosition, prefix.size() + 28 + 64);
    ASSERT_EQ(b.headers.size(), 1U);
    EXPECT_EQ(b.headers[0].function, h.function);
    EXPECT_EQ(b.headers[0].opMode, h.function >> 3);
    EXPECT_EQ(b.headers[0].country, h.country);
    EXPECT_EQ(b.headers[0].common, h.common);
    EXPECT_EQ(b.headers[0].from, h.from);
    EXPECT_EQ(b.headers[0].to, h.to);
    EXPECT_EQ(b.headers[0].functionText, d.blocks[0].Func1);
    EXPECT_EQ(b.headers[0].countryText, d.blocks[0].ToCountry);
    EXPECT_EQ(b.headers[0].opModeText, "Call");
    ASSERT_EQ(b.codewords.size(), 1U);
    EXPECT_EQ(b.codewords[0], (CodewordCheck{Kind::Header, true, 0, 0, false}));
    EXPECT_FALSE(b.shortData);
}

TEST(BlockDetail, ExtendedAddressingReadsASecondHeaderAsAddressCodeword) {
    const Header first{encoder::ExternalAddressing, 10, 1, 0x234, encoder::AllCallTo};
    const Header second{encoder::NormalCall, 12, 2, 0xFFF, 0x789};
    const WithDetails d = DecodeWithDetails(encoder::ExtendedBlock(first, second));
    ASSERT_EQ(d.details.size(), 1U);
    const BlockDetail& b = d.details[0];
    ASSERT_EQ(b.headers.size(), 2U);
    EXPECT_EQ(b.headers[0].to, encoder::AllCallTo);
    EXPECT_EQ(b.headers[1].country, second.country);
    EXPECT_EQ(b.headers[1].to, second.to);
    EXPECT_EQ(b.headers[1].functionText, d.blocks[0].Func2);
    EXPECT_EQ(b.headers[1].countryText, d.blocks[0].FromCountry);
    EXPECT_EQ(Kinds(b), (std::vector<Kind>{Kind::Header, Kind::Address}));
}

TEST(BlockDetail, ShortDataKeepsEveryCharacterCodeAndEachDataVerdict) {
    const std::vector<std::uint8_t> codes = {'H', 0x07, 'i', 0xE9, 0x00, '!'};
    std::vector<std::string> words{
        encoder::HeaderCodeword({encoder::ShortData, 10, 1, 0x234, 0x567})};
    for (const std::string& w : encoder::ShortDataCodewords(codes))
        words.push_back(w);
    ASSERT_EQ(words.size(), 3U);
    words[2] = encoder::Corrupt(words[2], 50);
    const WithDetails d = DecodeWithDetails(encoder::Block(Sync::NoFec, words));
    ASSERT_EQ(d.details.size(), 1U);
    const BlockDetail& b = d.details[0];
    EXPECT_TRUE(b.shortData);
    EXPECT_EQ(b.dataFollowing, 1);
    EXPECT_EQ(Kinds(b), (std::vector<Kind>{Kind::Header, Kind::Data, Kind::Data}));
    EXPECT_FALSE(b.codewords[1].failed);
    EXPECT_TRUE(b.codewords[2].failed);
    EXPECT_NE(b.codewords[2].remainder, 0U);
    // The first data codeword holds the spare digit and five codes, the second six codes,
    // filled up with code 0.
    EXPECT_EQ(b.messageCodes, std::string("H\x07i\xE9\x00!\0\0\0\0\0", 11));
    EXPECT_EQ(d.blocks[0].Message, "Hi!");
    EXPECT_TRUE(d.blocks[0].Corrupted);
}

// Flipping characters of a good codeword: one flip breaks the remainder and the parity, two
// flips keep the parity even, a flip of the parity bit alone leaves the remainder at 0.
TEST(BlockDetail, RemainderAndParityAreReportedApart) {
    struct Case {
        std::vector<std::size_t> flips;
        bool remainderZero;
        int parity;
    };
    const Case cases[] = {
        {{}, true, 0}, {{3}, false, 1}, {{3, 40}, false, 0}, {{63}, true, 1}, {{62}, false, 1},
    };
    const std::string good = encoder::HeaderCodeword({});
    for (const Case& c : cases) {
        std::string word = good;
        for (const std::size_t f : c.flips)
            word = encoder::Corrupt(word, f);
        const WithDetails d = DecodeWithDetails(encoder::Block(Sync::NoFec, {word}));
        ASSERT_EQ(d.details.size(), 1U);
        const CodewordCheck& check = d.details[0].codewords.at(0);
        EXPECT_TRUE(check.complete);
        EXPECT_EQ(check.remainder == 0, c.remainderZero) << c.flips.size();
        EXPECT_EQ(check.parity, c.parity) << c.flips.size();
        EXPECT_EQ(check.failed, !c.remainderZero || c.parity != 0);
        EXPECT_EQ(check.failed, d.blocks[0].Corrupted);
        // The log shows the same remainder and parity.
        std::ostringstream shown;
        shown << " CRC=" << std::uppercase << std::hex << check.remainder
              << " Parity=" << check.parity;
        EXPECT_NE(d.blocks[0].Log.str().find(shown.str()), std::string::npos)
            << d.blocks[0].Log.str();
    }
}

TEST(BlockDetail, ACodewordCutByTheEndIsIncompleteAndFails) {
    const std::string word = encoder::HeaderCodeword({});
    const WithDetails d = DecodeWithDetails(std::string(SyncNoFec) + word.substr(0, 50));
    ASSERT_EQ(d.details.size(), 1U);
    EXPECT_EQ(d.details[0].codewords.at(0), (CodewordCheck{Kind::Header, false, 0, 0, true}));
}

TEST(BlockDetail, RecordsAfterTheLastDecodableBlockAreMarked) {
    // A pattern hidden inside message data is counted but consumed by the first block.
    std::vector<std::uint8_t> codes(95, 'A');
    std::vector<std::string> words = encoder::ShortDataCodewords(codes);
    words.insert(words.begin(), encoder::HeaderCodeword({encoder::ShortData, 10, 1, 2, 3}));
    std::string stream = encoder::Block(Sync::NoFec, words);
    const std::string later = encoder::CallBlock({});
    stream.replace(28 + 64 * 4, later.size(), later);
    const WithDetails d = DecodeWithDetails(stream + "1");
    ASSERT_EQ(d.count, 2);
    ASSERT_EQ(d.details.size(), 2U);
    EXPECT_FALSE(d.details[0].noPatternLeft);
    EXPECT_TRUE(d.details[1].noPatternLeft);
    EXPECT_EQ(d.details[1].syncPosition, NotFound);
    EXPECT_TRUE(d.details[1].headers.empty());
    EXPECT_EQ(d.details[1].restPosition, stream.size());
}

TEST(BlockDetail, NothingCountedLeavesNoDetails) {
    std::vector<BlockInfo> blocks;
    std::int32_t count = 5;
    std::vector<BlockDetail> details(3);
    DecodeStream("0101", blocks, count, details);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(details.empty());
}

// Asking for the details changes nothing of the records, the count or the last log.
void ExpectSameAsPlainDecode(const std::string& bits, const std::string& name) {
    const Decoded plain = Decode(bits);
    const std::string plainLog = BlockLog;
    const WithDetails detailed = DecodeWithDetails(bits);
    EXPECT_EQ(detailed.count, plain.count) << name;
    EXPECT_EQ(detailed.blocks, plain.blocks) << name;
    EXPECT_EQ(BlockLog, plainLog) << name;
    EXPECT_EQ(detailed.details.size(), static_cast<std::size_t>(std::max(plain.count, 0))) << name;
}

TEST(BlockDetail, SamplesDecodeAlikeWithAndWithoutDetails) {
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VANTREL_SAMPLES_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        ExpectSameAsPlainDecode(text.str(), entry.path().filename().string());
        ++seen;
    }
    EXPECT_GE(seen, 6);
}

TEST(BlockDetail, RandomStreamsDecodeAlikeWithAndWithoutDetails) {
    std::mt19937 random(20261207);
    const std::string pieces[] = {encoder::CallBlock({}),
                                  encoder::CallBlock({}, Sync::Fec),
                                  encoder::ShortDataBlock({encoder::ShortData}, "$GPGGA,1*00"),
                                  encoder::ExtendedBlock({15, 10, 1, 2, 0xFFF}, {10, 3, 4, 5, 6}),
                                  "0",
                                  "1",
                                  "x"};
    for (int round = 0; round < 200; ++round) {
        std::string bits;
        const int n = static_cast<int>(random() % 8);
        for (int k = 0; k < n; ++k) {
            std::string piece = pieces[random() % std::size(pieces)];
            if (random() % 3 == 0 && piece.size() > 1)
                piece.resize(random() % piece.size());
            bits += piece;
        }
        ExpectSameAsPlainDecode(bits, "round " + std::to_string(round));
    }
}

} // namespace

#include "stream_helpers.h"

#include <gtest/gtest.h>

using namespace modETSI300230;
using namespace testing_helpers;
using encoder::Header;

namespace {

const Header ShortDataHeader{encoder::ShortData, 10, 1, 0x234, 0x567};

std::string Header1() { return encoder::HeaderCodeword(ShortDataHeader); }

std::string DataBlock(const std::vector<std::string>& dataWords) {
    std::vector<std::string> words{Header1()};
    words.insert(words.end(), dataWords.begin(), dataWords.end());
    return encoder::Block(encoder::Sync::NoFec, words);
}

// The part of a log from "Processing Short Data Transfer" up to the corrupted/trailer lines.
std::string ShortDataLines(const std::string& log) {
    const std::size_t start = log.find("Processing Short Data Transfer");
    std::size_t end = log.find("\r\n>>> Block Corrupted");
    if (end == std::string::npos)
        end = log.find("\r\nThe following bits");
    return start == std::string::npos ? std::string() : log.substr(start, end - start);
}

std::string CheckLine(const std::string& word) {
    return "[REDUNDAN] " + word.substr(0, 48) + " " + word.substr(48) + " CRC=0 Parity=0 OK";
}

TEST(ShortData, WorkedExample) {
    const std::vector<std::uint8_t> codes = {0x24, 0x47, 0x50, 0x52, 0x4D, 0x43,
                                             0x2C, 0x31, 0x32, 0x33, 0x35};
    const std::vector<std::string> words = encoder::ShortDataCodewords(codes);
    ASSERT_EQ(words.size(), 2U);
    // n = 1, the spare digit 0, then the codes: the digit text 0244750524D432C31323335.
    EXPECT_EQ(words[0].substr(0, 48), "0001" "0000" "0010" "0100" "0100" "0111" "0101"
                                      "0000" "0101" "0010" "0100" "1101");

    const Decoded d = Decode(DataBlock(words));
    ASSERT_EQ(d.count, 1);
    EXPECT_EQ(d.blocks[0].Message, "$GPRMC,1235");
    EXPECT_FALSE(d.blocks[0].Corrupted);
    EXPECT_EQ(ShortDataLines(d.blocks[0].Log.str()),
              "Processing Short Data Transfer\r\n" + CheckLine(words[0]) +
                  "\r\nData blocks following first: 1\r\n" + CheckLine(words[1]) +
                  "\r\n[MESSAGE ] $GPRMC,1235\r\n[GPS     ] Nmea CheckSum Error");
}

TEST(ShortData, NoFollowingCodewords) {
    const Decoded d = Decode(DataBlock(encoder::ShortDataCodewords("HELLO")) + "0110");
    const std::string& log = d.blocks[0].Log.str();
    EXPECT_EQ(d.blocks[0].Message, "HELLO");
    EXPECT_NE(log.find("\r\nData blocks following first: 0\r\n"), std::string::npos);
    EXPECT_NE(log.find("\r\n[MESSAGE ] HELLO\r\nThe following bits have not been processed "
                       "(yet):\r\n0110\r\n"),
              std::string::npos)
        << log;
}

TEST(ShortData, FifteenFollowingCodewordsConsumeALaterSyncPattern) {
    std::vector<std::uint8_t> codes(95, 'A');
    std::vector<std::string> words = encoder::ShortDataCodewords(codes);
    ASSERT_EQ(words.size(), 16U);
    // Hide a whole later block inside the data: it must be consumed as data.
    const std::string later = encoder::CallBlock({10, 10, 1, 2, 3});
    std::string stream = DataBlock(words);
    stream.replace(28 + 64 + 64 * 3, later.size(), later);
    const Decoded d = Decode(stream + "11");

    ASSERT_EQ(d.count, 2);
    const std::string& log = d.blocks[0].Log.str();
    EXPECT_NE(log.find("Data blocks following first: 15"), std::string::npos);
    EXPECT_TRUE(d.blocks[0].Corrupted);
    EXPECT_NE(log.find("(yet):\r\n11\r\n"), std::string::npos) << log;
    EXPECT_EQ(d.blocks[1].Func1, "");
    EXPECT_NE(d.blocks[1].Log.str().find(">>> No [BITSYNC][BLCSYNC] found"), std::string::npos);
}

TEST(ShortData, PrintableRangeAndBracketedCodes) {
    const std::vector<std::uint8_t> codes = {31, 32, 126, 127, 128, 'O', 'K', 0x0D, 0x0A, 0, 0};
    const Decoded d = Decode(DataBlock(encoder::ShortDataCodewords(codes)));
    EXPECT_EQ(d.blocks[0].Message, " ~OK");
    EXPECT_NE(d.blocks[0].Log.str().find("[MESSAGE ] [1F] ~[7F][80]OK[0D][0A][00][00]\r\n"),
              std::string::npos)
        << d.blocks[0].Log;
}

TEST(ShortData, SentenceFollowedByLineEndAndZeros) {
    const std::string sentence = "$GPGSV,1,1,00*79";
    const Decoded d = Decode(DataBlock(encoder::ShortDataCodewords(sentence + "\r\n")));
    EXPECT_EQ(d.blocks[0].Message, sentence);
    // 16 + 2 codes fill 5 + 6 * 3 = 23 codes: 5 zeros follow.
    EXPECT_NE(d.blocks[0].Log.str().find("[MESSAGE ] " + sentence +
                                         "[0D][0A][00][00][00][00][00]\r\n"),
              std::string::npos)
        << d.blocks[0].Log;
}

TEST(ShortData, OnlyAnExactDollarGpStartGetsAGpsLine) {
    const char* texts[] = {"$gpRMC,1", "GPRMC,1", "$G", "x$GP"};
    for (const char* text : texts) {
        const Decoded d = Decode(DataBlock(encoder::ShortDataCodewords(text)));
        EXPECT_EQ(d.blocks[0].Log.str().find("[GPS     ]"), std::string::npos) << text;
    }
}

TEST(ShortData, ChecksumOkButNoPositionGivesAnEmptyLinkLine) {
    const Decoded d = Decode(DataBlock(encoder::ShortDataCodewords("$GPGSV,1,1,00*79")));
    EXPECT_NE(d.blocks[0].Log.str().find("\r\n[GPS     ] Nmea CheckSum OK\r\n\r\nThe following"),
              std::string::npos)
        << d.blocks[0].Log;
}

TEST(ShortData, PositionSentenceGivesAMapLink) {
    const std::string rmc =
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
    const Decoded d = Decode(DataBlock(encoder::ShortDataCodewords(rmc)));
    EXPECT_NE(d.blocks[0].Log.str().find(
                  "\r\n[GPS     ] Nmea CheckSum OK\r\n[MAP URL ] https://www.openstreetmap.org/"
                  "index.html?mlat=48.1173&mlon=11.51667&zoom=12\r\n"),
              std::string::npos)
        << d.blocks[0].Log;
}

TEST(ShortData, StreamEndingAfterTheFirstDataCodeword) {
    // n = 2, and nothing follows the first data codeword.
    std::vector<std::string> words = encoder::ShortDataCodewords(std::string(17, 'Z'));
    ASSERT_EQ(words.size(), 3U);
    const Decoded d = Decode(DataBlock({words[0]}));
    const BlockInfo& b = d.blocks[0];
    EXPECT_TRUE(b.Corrupted);
    EXPECT_EQ(b.Message, "ZZZZZ");
    EXPECT_EQ(ShortDataLines(b.Log.str()),
              "Processing Short Data Transfer\r\n" + CheckLine(words[0]) +
                  "\r\nData blocks following first: 2 ERROR ERROR\r\n[MESSAGE ] ZZZZZ"
                  "[00][00][00][00][00][00][00][00][00][00][00][00]");
}

TEST(ShortData, StreamEndingInsideTheFirstDataCodeword) {
    const std::string word = encoder::ShortDataCodewords("ABCDE")[0];
    const Decoded d = Decode(DataBlock({word.substr(0, 20)}));
    const BlockInfo& b = d.blocks[0];
    EXPECT_TRUE(b.Corrupted);
    // The 20 characters left are still read: the count 0000, then digits from what is there.
    EXPECT_EQ(ShortDataLines(b.Log.str()).substr(0, 68),
              "Processing Short Data Transfer ERROR\r\nData blocks following first: 0");
    EXPECT_NE(b.Log.str().find(">>> Block Corrupted\r\nThe following bits have not been "
                               "processed (yet):\r\n\r\n"),
              std::string::npos)
        << b.Log;
}

TEST(ShortData, FailingDataCodewordMarksTheBlockButItsBitsAreUsed) {
    std::vector<std::string> words = encoder::ShortDataCodewords("HI THERE");
    words[1] = encoder::Corrupt(words[1], 63);
    const Decoded d = Decode(DataBlock(words));
    EXPECT_TRUE(d.blocks[0].Corrupted);
    EXPECT_EQ(d.blocks[0].Message, "HI THERE");
    EXPECT_NE(d.blocks[0].Log.str().find(" Parity=1 ERROR\r\n[MESSAGE ] HI THERE"),
              std::string::npos);
}

TEST(ShortData, ThroughTheSecondHeaderOnly) {
    const std::vector<std::string> words{
        encoder::HeaderCodeword({encoder::NormalCall, 10, 1, 0x234, 0xFFF}),
        encoder::HeaderCodeword({encoder::ShortData, 10, 2, 0x234, 0x0C8})};
    std::vector<std::string> all = words;
    for (const std::string& w : encoder::ShortDataCodewords("ON MY WAY"))
        all.push_back(w);
    const Decoded d = Decode(encoder::Block(encoder::Sync::NoFec, all));
    EXPECT_EQ(d.blocks[0].Message, "ON MY WAY");
    EXPECT_EQ(d.blocks[0].Func1, "Normal radio call");
    EXPECT_EQ(d.blocks[0].ToAddr, "20C8");
}

TEST(ShortData, OtherBlocksKeepAnEmptyMessage) {
    const Decoded d = Decode(encoder::CallBlock({encoder::NormalCall, 10, 1, 2, 3}) +
                             encoder::ShortDataCodewords("NOT DATA")[0]);
    EXPECT_EQ(d.blocks[0].Message, "");
    EXPECT_EQ(d.blocks[0].Log.str().find("Processing Short Data"), std::string::npos);
}

} // namespace

#include "decoded_record.h"
#include "encoder.h"
#include "record_json.h"

#include <gtest/gtest.h>

namespace {

namespace mod = modETSI300230;

vantrel::DecodedRecord FirstRecord(const std::string& bits) {
    std::vector<mod::BlockInfo> blocks;
    std::vector<mod::BlockDetail> details;
    std::int32_t count = 0;
    mod::DecodeStream(bits, blocks, count, details);
    EXPECT_GE(count, 1);
    return vantrel::MakeRecord(1, blocks.at(0), details.at(0));
}

const encoder::Header DataHeader{encoder::ShortData, 10, 1, 0x234, 0x567};

struct MessageCase {
    const char* name;
    std::string message;
    bool nmea;
    bool link; // the log shows a map link
};

void PrintTo(const MessageCase& c, std::ostream* out) {
    *out << testing::PrintToString(c.message);
}

class RecordOfMessage : public testing::TestWithParam<MessageCase> {};

// The record reads GPS data exactly where the log does, and its link is the log's link.
TEST_P(RecordOfMessage, ReadsGpsWhereTheLogDoes) {
    const MessageCase& c = GetParam();
    const vantrel::DecodedRecord r = FirstRecord(encoder::ShortDataBlock(DataHeader, c.message));
    EXPECT_EQ(r.nmea.has_value(), c.nmea);
    EXPECT_EQ(!r.mapLink.empty(), c.link);
    const std::string& log = r.info.Log.str();
    EXPECT_EQ(log.find("[GPS     ]") != std::string::npos, c.nmea) << log;
    if (c.link)
        EXPECT_NE(log.find("\r\n[MAP URL ] " + r.mapLink + "\r\n"), std::string::npos) << log;
    else
        EXPECT_EQ(log.find("[MAP URL ]"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, RecordOfMessage,
    testing::Values(
        MessageCase{"Text", "HELLO", false, false},
        MessageCase{"GoodRmc",
                    "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", true,
                    true},
        MessageCase{"BadChecksum", "$GPRMC,123519,A,4807.038,N,01131.000,E*00", true, false},
        MessageCase{"InvalidStatus", "$GPRMC,123519,V,4807.038,N,01131.000,E,,,,,*14", true, false},
        MessageCase{"OtherGpsSentence", "$GPGSV,2,1,08,01,40,083,46*4E", true, false}),
    [](const testing::TestParamInfo<MessageCase>& info) { return std::string(info.param.name); });

TEST(DecodedRecord, AddressesAsNumbers) {
    const vantrel::DecodedRecord r =
        FirstRecord(encoder::CallBlock({encoder::NormalCall, 10, 0xA, 0xBCD, 0x00F}));
    EXPECT_EQ(r.info.FromAddr, "ABCD");
    EXPECT_EQ(r.fromAddrValue, 0xABCDU);
    EXPECT_EQ(r.info.ToAddr, "A00F");
    EXPECT_EQ(r.toAddrValue, 0xA00FU);
    EXPECT_FALSE(r.extendedAddressing());
}

TEST(RecordJson, RecordsAfterTheLastBlockHaveNoPatternAndNoHeaders) {
    std::vector<mod::BlockInfo> blocks;
    std::vector<mod::BlockDetail> details;
    std::int32_t count = 0;
    // The message announces a codeword more than it has: the call after it is swallowed.
    const std::vector<std::string> words = encoder::ShortDataCodewords(std::string(11, 'Q'));
    mod::DecodeStream(
        encoder::Block(encoder::Sync::NoFec, {encoder::HeaderCodeword(DataHeader), words[0]}) +
            encoder::CallBlock({}),
        blocks, count, details);
    ASSERT_EQ(count, 2);
    const auto json = vantrel::RecordJson(vantrel::MakeRecord(2, blocks[1], details[1]));
    EXPECT_TRUE(json["noPatternLeft"].get<bool>());
    EXPECT_FALSE(json.contains("syncBit"));
    EXPECT_TRUE(json["headers"].empty());
    EXPECT_EQ(json["FromAddr"], "");
}

} // namespace

#include "encoder.h"
#include "nmea.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

using namespace modETSI300230;

namespace {

// The coordinate after `key` in the sentence's map link, as a number.
std::optional<double> LinkCoordinate(const std::string& link, const std::string& key) {
    const std::size_t at = link.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    return std::strtod(link.c_str() + at + key.size(), nullptr);
}

struct PositionCase {
    const char* name;
    std::string body; // what stands between "$" and "*"
    std::string type;
    std::string fixTime;
    std::string_view reason = {};   // empty: a position is expected
    const char* checksum = nullptr; // digits sent in place of the body's own
};

std::string SentenceOf(const PositionCase& c) {
    return c.checksum == nullptr ? encoder::NmeaSentence(c.body) : "$" + c.body + "*" + c.checksum;
}

void PrintTo(const PositionCase& c, std::ostream* out) {
    *out << testing::PrintToString(SentenceOf(c));
}

class NmeaPositionTable : public testing::TestWithParam<PositionCase> {};

TEST_P(NmeaPositionTable, PositionOnlyForARealOneAndAlwaysTheLinksNumbers) {
    const PositionCase& c = GetParam();
    const std::string sentence = SentenceOf(c);
    const NmeaReading r = ReadNmea(sentence);
    EXPECT_EQ(r.sentenceType, c.type);
    EXPECT_EQ(r.fixTime, c.fixTime);
    EXPECT_EQ(r.checksumOk, c.reason != NoPositionReason::BadChecksum);
    EXPECT_EQ(r.positionReason, c.reason);
    EXPECT_EQ(r.hasPosition, c.reason.empty());
    if (!r.hasPosition) {
        EXPECT_EQ(r.latitude, 0.0);
        EXPECT_EQ(r.longitude, 0.0);
        return;
    }
    const std::string link = NmeaToMapLink(sentence);
    const std::optional<double> lat = LinkCoordinate(link, "mlat=");
    const std::optional<double> lon = LinkCoordinate(link, "mlon=");
    ASSERT_TRUE(lat && lon) << link;
    EXPECT_EQ(r.latitude, *lat) << link;
    EXPECT_EQ(r.longitude, *lon) << link;
    EXPECT_LE(std::abs(r.latitude), 90.0);
    EXPECT_LE(std::abs(r.longitude), 180.0);
}

std::string CaseName(const testing::TestParamInfo<PositionCase>& info) {
    return info.param.name;
}

const PositionCase Positions[] = {
    {"Rmc", "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,,", "GPRMC", "123519"},
    {"GgaSouthWest", "GPGGA,235959.50,4807.038,S,01131.000,W,1,08,0.9,545.4,M,,M,,", "GPGGA",
     "235959.50"},
    {"RmcEmptyTime", "GPRMC,,A,4807.038,N,01131.000,E,,,,,", "GPRMC", ""},
    {"PolesAndDateLine", "GPRMC,1,A,9000.000,S,18000.000,W", "GPRMC", "1"},
    {"ZeroZeroWrittenOut", "GPRMC,1,A,0000.000,N,00000.000,E", "GPRMC", "1"},
    {"ShortLatitudeFieldStillHasDigits", "GPGGA,1,7,N,01131.000,E,1", "GPGGA", "1"},
};
INSTANTIATE_TEST_SUITE_P(Sentences, NmeaPositionTable, testing::ValuesIn(Positions), CaseName);

namespace why = NoPositionReason;
const PositionCase Refused[] = {
    {"BadChecksum", "GPRMC,123519,A,4807.038,N,01131.000,E", "GPRMC", "123519", why::BadChecksum,
     "00"},
    {"OtherSentence", "GPGSV,2,1,08,01,40,083,46", "GPGSV", "", why::NotPositionSentence},
    {"RmcStatusV", "GPRMC,123519,V,4807.038,N,01131.000,E", "GPRMC", "123519",
     why::InvalidPosition},
    {"GgaFixZero", "GPGGA,123519,4807.038,N,01131.000,E,0,08", "GPGGA", "123519",
     why::FixNotAvailable},
    {"EmptyLatitude", "GPGGA,123519,,N,01131.000,E,1", "GPGGA", "123519", why::EmptyField},
    {"EmptyLongitude", "GPRMC,123519,A,4807.038,N,,E", "GPRMC", "123519", why::EmptyField},
    {"AllFieldsEmpty", "GPRMC,,A,,,,,,,,,", "GPRMC", "", why::EmptyField},
    {"BlankNorthSouth", "GPGGA,123519,4807.038, ,01131.000,E,1", "GPGGA", "123519",
     why::EmptyField},
    {"BlankEastWest", "GPGGA,123519,4807.038,N,01131.000, ,1", "GPGGA", "123519", why::EmptyField},
    {"LatitudeBeyond90", "GPRMC,1,A,9100.000,N,01131.000,E", "GPRMC", "1", why::OutOfRange},
    {"LatitudeJustBeyond90", "GPRMC,1,A,9000.001,N,01131.000,E", "GPRMC", "1", why::OutOfRange},
    {"LongitudeBeyond180", "GPGGA,1,4807.038,N,18100.000,E,1", "GPGGA", "1", why::OutOfRange},
    // Minutes of a huge value: the link clamps to the largest single-precision number.
    {"HugeMinutes", "GPRMC,1,A,48999E99,N,01131.000,E", "GPRMC", "1", why::OutOfRange},
    // Cut after the latitude: the link reads a longitude of -480.
    {"TruncatedSentence", "GPGGA,123519,4807.038", "GPGGA", "123519", why::OutOfRange},
};
INSTANTIATE_TEST_SUITE_P(NoPosition, NmeaPositionTable, testing::ValuesIn(Refused), CaseName);

TEST(NmeaReading, TruncatedSentenceLinkStaysAsItWas) {
    // The record refuses the position; the link keeps the number the log has always shown.
    const std::string truncated = encoder::NmeaSentence("GPGGA,123519,4807.038");
    ASSERT_TRUE(NmeaChecksumOk(truncated));
    EXPECT_NE(NmeaToMapLink(truncated).find("mlon=-480.1173"), std::string::npos);
}

TEST(NmeaReading, RmcDateIsKept) {
    const NmeaReading r = ReadNmea(
        encoder::NmeaSentence("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"));
    EXPECT_EQ(r.fixDate, "230394");
    EXPECT_EQ(ReadNmea(encoder::NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1")).fixDate, "");
}

} // namespace

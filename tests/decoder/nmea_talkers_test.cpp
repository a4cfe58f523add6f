// Receivers of several satellite systems: RMC, GGA and GLL of every talker give the records
// a position, while the report keeps its map link line for $GPRMC and $GPGGA alone.
#include "encoder.h"
#include "nmea.h"

#include <gtest/gtest.h>

#include <string>

using namespace modETSI300230;

namespace {

// Munich (48 07.038 N, 11 31.000 E) as $GPRMC gives it: the position every case below that
// has one must equal, whatever its talker or kind.
const std::string Twin = "GPRMC,123519,A,4807.038,N,01131.000,E";
const std::string Where = "4807.038,N,01131.000,E";

struct TalkerCase {
    const char* name;
    std::string body;
    std::string type;
    std::string fixTime;
    std::string_view reason = {}; // empty: the twin's position is expected
    bool reportLink = false;      // the report's map link line (or its reason) is written
};

void PrintTo(const TalkerCase& c, std::ostream* out) {
    *out << encoder::NmeaSentence(c.body);
}

class NmeaTalkers : public testing::TestWithParam<TalkerCase> {};

TEST_P(NmeaTalkers, RecordsReadEveryTalkerReportOnlyGps) {
    const TalkerCase& c = GetParam();
    const std::string sentence = encoder::NmeaSentence(c.body);
    const NmeaReading r = ReadNmea(sentence);
    EXPECT_EQ(r.sentenceType, c.type);
    EXPECT_EQ(r.fixTime, c.fixTime);
    EXPECT_EQ(r.positionReason, c.reason);
    ASSERT_EQ(r.hasPosition, c.reason.empty());
    if (r.hasPosition) {
        const NmeaReading twin = ReadNmea(encoder::NmeaSentence(Twin));
        ASSERT_TRUE(twin.hasPosition);
        EXPECT_EQ(r.latitude, twin.latitude);
        EXPECT_EQ(r.longitude, twin.longitude);
    }
    EXPECT_EQ(!NmeaToMapLink(sentence).empty(), c.reportLink);
    // The log's GPS lines come for "$GP" messages only; the records read all of these.
    EXPECT_EQ(IsGpsSentence(sentence), c.type.starts_with("GP"));
}

namespace why = NoPositionReason;
const TalkerCase Talkers[] = {
    {"GpsRmc", Twin, "GPRMC", "123519", {}, true},
    {"GpsGga", "GPGGA,123519," + Where + ",1,08", "GPGGA", "123519", {}, true},
    {"SeveralSystemsRmc", "GNRMC,123519,A," + Where + ",,,230394,,", "GNRMC", "123519"},
    {"SeveralSystemsGga", "GNGGA,123519," + Where + ",2,12", "GNGGA", "123519"},
    {"GlonassRmc", "GLRMC,123519,A," + Where, "GLRMC", "123519"},
    {"GalileoGga", "GAGGA,123519," + Where + ",1", "GAGGA", "123519"},
    {"BeidouBdRmc", "BDRMC,123519,A," + Where, "BDRMC", "123519"},
    {"BeidouGbGga", "GBGGA,123519," + Where + ",1", "GBGGA", "123519"},
    {"QzssRmc", "GQRMC,123519,A," + Where, "GQRMC", "123519"},
    {"NavicGga", "GIGGA,123519," + Where + ",1", "GIGGA", "123519"},
    // GLL: position first, then time and status; the report gives it no line at all.
    {"GpsGll", "GPGLL," + Where + ",123519,A,A", "GPGLL", "123519"},
    {"SeveralSystemsGll", "GNGLL," + Where + ",123519.00,A", "GNGLL", "123519.00"},
    {"GllStatusV", "GNGLL," + Where + ",123519,V,N", "GNGLL", "123519", why::InvalidPosition},
    {"GllWithoutStatus", "GNGLL," + Where + ",123519", "GNGLL", "123519", why::InvalidPosition},
    {"GllStatusInHemisphereField", "GNGLL,4807.038,N,01131.000,A", "GNGLL", "",
     why::InvalidPosition},
    {"GllEmptyLatitude", "GNGLL,,N,01131.000,E,123519,A", "GNGLL", "123519", why::EmptyField},
    {"SeveralSystemsRmcVoid", "GNRMC,123519,V," + Where, "GNRMC", "123519", why::InvalidPosition},
    {"SeveralSystemsGgaNoFix", "GNGGA,123519," + Where + ",0,00", "GNGGA", "123519",
     why::FixNotAvailable},
    {"GpsRmcVoidKeepsReportReason", "GPRMC,123519,V," + Where, "GPRMC", "123519",
     why::InvalidPosition, true},
    {"SatellitesInView", "GNGSV,2,1,08,01,40,083,46", "GNGSV", "", why::NotPositionSentence},
    {"UnknownTalker", "XXRMC,123519,A," + Where, "XXRMC", "", why::NotPositionSentence},
    {"LowerCaseTalker", "gnRMC,123519,A," + Where, "gnRMC", "", why::NotPositionSentence},
    {"ProprietaryNotATalker", "PGRMC,123519,A," + Where, "PGRMC", "", why::NotPositionSentence},
};
INSTANTIATE_TEST_SUITE_P(Sentences, NmeaTalkers, testing::ValuesIn(Talkers),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

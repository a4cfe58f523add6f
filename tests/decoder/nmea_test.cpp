#include "nmea.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <stdexcept>
#include <string>

using namespace modETSI300230;

namespace {

// Expected link lines are written out in full, host included, so a changed viewer address or a
// changed query layout shows up here.
std::string Link(const std::string& lat, const std::string& lon) {
    return "[MAP URL ] https://www.openstreetmap.org/index.html?mlat=" + lat + "&mlon=" + lon +
           "&zoom=12";
}

const std::string RmcExample =
    "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const std::string GgaExample = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string InvalidPosition = "NMEA Invalid Position";
const std::string FixNotAvailable = "NMEA Fix Not Available";

// One case of the tables below: its name in listings, the text it feeds in and what must come
// out.
template <typename Result> struct Case {
    const char* name;
    std::string text;
    Result result;
};

// Listings and failures show the text itself, escaped where it holds unusual bytes.
template <typename Result> void PrintTo(const Case<Result>& c, std::ostream* out) {
    *out << testing::PrintToString(c.text);
}

const auto CaseName = [](const auto& info) { return std::string(info.param.name); };

using ChecksumCase = Case<bool>;

class NmeaChecksumTable : public testing::TestWithParam<ChecksumCase> {};

TEST_P(NmeaChecksumTable, ComparesXorWithDigitsAfterLastStar) {
    const ChecksumCase& c = GetParam();
    EXPECT_EQ(NmeaChecksumOk(c.text), c.result) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Sentences, NmeaChecksumTable,
    // GgaExample passes whole in NmeaRobustness below; RmcExample stands here for the two cases
    // made from it.
    testing::Values(
        ChecksumCase{"RmcExample", RmcExample, true},
        ChecksumCase{"WrongDigits", RmcExample.substr(0, RmcExample.size() - 1) + "B", false},
        ChecksumCase{"LowerCaseDigits", RmcExample.substr(0, RmcExample.size() - 1) + "a", true},
        // XOR of "GPRMC,1*2" is 4E; without the inner "*" it would be 64.
        ChecksumCase{"EarlierStarEntersSum", "$GPRMC,1*2*4E", true},
        ChecksumCase{"EarlierStarLeftOutFails", "$GPRMC,1*2*64", false},
        ChecksumCase{"LastStarCounts", "$GPRMC,1*2*3*57", true},
        ChecksumCase{"StarAtEndZeroSum", "$AA*", true},
        ChecksumCase{"StarAtEndNonZeroSum", "$AB*", false},
        ChecksumCase{"NonHexAfterStarZeroSum", "$AA*ZZ", true},
        ChecksumCase{"NonHexAfterStarNonZeroSum", "$AB*ZZ", false},
        ChecksumCase{"FourG", "$D@*4G", true}, ChecksumCase{"FourGWrongSum", "$D@@*4G", false},
        ChecksumCase{"OnlyTwoCharactersRead", "$D@*04F", true},
        ChecksumCase{"BlankInDigitsIgnored", "$D@* 4", true},
        ChecksumCase{"FirstCharacterLeftOut", "XAA*00", true},
        ChecksumCase{"EightBitCodes", "$\xC3\xA9*6A", true},
        ChecksumCase{"NoStar", "$GPRMC,1235", false}, ChecksumCase{"Empty", "", false},
        ChecksumCase{"StarOnly", "*", true}),
    CaseName);

using LinkCase = Case<std::string>;

class NmeaLinkTable : public testing::TestWithParam<LinkCase> {};

TEST_P(NmeaLinkTable, GivesLinkOrReason) {
    const LinkCase& c = GetParam();
    EXPECT_EQ(NmeaToMapLink(c.text), c.result) << c.text;
}

// Every link line the decoder writes is recognised as one, with its whole address.
TEST_P(NmeaLinkTable, LinkLinesAreRecognised) {
    const std::string line = NmeaToMapLink(GetParam().text);
    const bool isLink = line.starts_with(MapLinkLabel);
    EXPECT_EQ(MapLinkAddress(line), isLink ? line.substr(MapLinkLabel.size()) : "") << line;
}

TEST(MapLinkAddress, OnlyTheWholeLineOfTheDecodersForm) {
    const std::string good = Link("48.1173", "-11.51667");
    ASSERT_FALSE(MapLinkAddress(good).empty());
    const std::string bads[] = {
        good + " ",
        " " + good,
        good.substr(MapLinkLabel.size()),
        good + "&x=1",
        "[MAP URL ] https://evil.example/index.html?mlat=1&mlon=2&zoom=12",
        "[MAP URL ] https://www.openstreetmap.org.evil/index.html?mlat=1&mlon=2&zoom=12",
        "[MAP URL ] https://www.openstreetmap.org/index.html?mlat=1.&mlon=2&zoom=12",
        "[MAP URL ] https://www.openstreetmap.org/index.html?mlat=&mlon=2&zoom=12",
        "[MAP URL ] https://www.openstreetmap.org/index.html?mlat=1&mlon=2&zoom=13",
        std::string("[MESSAGE ] ") + good};
    for (const std::string& bad : bads)
        EXPECT_EQ(MapLinkAddress(bad), "") << bad;
}

INSTANTIATE_TEST_SUITE_P(
    Sentences, NmeaLinkTable,
    testing::Values(
        LinkCase{"RmcExample", RmcExample, Link("48.1173", "11.51667")},
        LinkCase{"GgaExample", GgaExample, Link("48.1173", "11.51667")},
        LinkCase{"GgaSouthWest",
                 "$GPGGA,123519,4807.038,S,01131.000,W,1,08,0.9,545.4,M,46.9,M,,*48",
                 Link("-48.1173", "-11.51667")},
        LinkCase{"RmcEmptyTime", "$GPRMC,,A,4807.038,N,01131.000,E,,,,,*1F",
                 Link("48.1173", "11.51667")},
        LinkCase{"RmcStatusV", "$GPRMC,123519,V,4807.038,N,01131.000,E,,,,,*00", InvalidPosition},
        LinkCase{"RmcStatusLowerA", "$GPRMC,123519,a,4807.038,N,01131.000,E*00", InvalidPosition},
        LinkCase{"RmcStatusEmpty", "$GPRMC,123519,,4807.038,N,01131.000,E*00", InvalidPosition},
        LinkCase{"RmcNameOnly", "$GPRMC", InvalidPosition},
        LinkCase{"GgaFixZero", "$GPGGA,123519,4807.038,N,01131.000,E,0,08*00", FixNotAvailable},
        LinkCase{"GgaFixEmpty", "$GPGGA,123519,4807.038,N,01131.000,E,,08*00", FixNotAvailable},
        LinkCase{"GgaNothingAfterHemisphere", "$GPGGA,123519,4807.038,N,01131.000,E,",
                 FixNotAvailable},
        LinkCase{"GgaFixBelowZeroCode", "$GPGGA,123519,4807.038,N,01131.000,E,/,08*00",
                 FixNotAvailable},
        LinkCase{"GgaFixLetter", "$GPGGA,123519,4807.038,N,01131.000,E,A,08*00",
                 Link("48.1173", "11.51667")},
        LinkCase{"GgaFixEightBitCode", "$GPGGA,123519,4807.038,N,01131.000,E,\xC8,08*00",
                 Link("48.1173", "11.51667")},
        LinkCase{"GgaNameOnly", "$GPGGA", FixNotAvailable},
        // "7,N": degrees from "7,", minutes from the one character "N".
        LinkCase{"ShortLatitude", "$GPGGA,123519,7,N,01131.000,E,1*00", Link("7", "11.51667")},
        // "1,6,": degrees from "1,", minutes from "6", the next field; "6" is not "N".
        LinkCase{"ShortLatitudeReachesNextField", "$GPRMC,123519,A,1,6,01131.000,E*00",
                 Link("-1.1", "11.51667")},
        LinkCase{"EmptyLatitude", "$GPGGA,123519,,N,01131.000,E,1*00", Link("0", "11.51667")},
        LinkCase{"EmptyHemispheres", "$GPGGA,123519,4807.038,,01131.000,,1*00",
                 Link("-48.1173", "-11.51667")},
        LinkCase{"LowerCaseHemispheres", "$GPRMC,123519,A,4807.038,n,01131.000,e*00",
                 Link("-48.1173", "-11.51667")},
        LinkCase{"BlanksAndTabsInField", "$GPRMC,123519,A,48 07.0\t38,N,011 31.000,E*00",
                 Link("48.1173", "11.51667")},
        // Without a closing "," the minutes run to the end, the skips stand still, and the
        // hemisphere and fix checks see the latitude field again.
        LinkCase{"FieldWithoutComma", "$GPGGA,123519,4807.038", Link("-48.1173", "-480.1173")},
        LinkCase{"GsvWithValidChecksum", "$GPGSV,2,1,08,01,40,083,46*4E", ""},
        LinkCase{"LowerCaseName", "$gprmc,123519,A,4807.038,N,01131.000,E*00", ""},
        LinkCase{"ShortName", "$GP", ""}, LinkCase{"Empty", "", ""}),
    CaseName);

// Longitude fields and their hemisphere ("01131.000,E") are fed through a $GPGGA sentence; the
// three degree digits and the minutes after them let each case pick its value.
std::string WithLongitude(const std::string& fieldAndHemisphere) {
    return "$GPGGA,123519,4807.038,N," + fieldAndHemisphere + ",1,08*00";
}

// The text is a longitude field and its hemisphere, the result the longitude in the link.
using CoordinateCase = Case<std::string>;

class NmeaCoordinateText : public testing::TestWithParam<CoordinateCase> {};

TEST_P(NmeaCoordinateText, WritesSevenSignificantDigits) {
    const CoordinateCase& c = GetParam();
    EXPECT_EQ(NmeaToMapLink(WithLongitude(c.text)), Link("48.1173", c.result)) << c.text;
}

const std::string LargestSingle = "340282300000000000000000000000000000000";

INSTANTIATE_TEST_SUITE_P(
    Values, NmeaCoordinateText,
    testing::Values(
        // The ordinary "01131.000,E" is the GgaExample of NmeaLinkTable.
        CoordinateCase{"NegativeBelowOne", "00000.6,W", "-0.01"},
        CoordinateCase{"Half", "00030,E", "0.5"}, CoordinateCase{"Whole", "045,E", "45"},
        CoordinateCase{"RoundsUpInEighthDigit", "0005,E", "0.08333334"},
        // 62914590 / 60 is exactly 1048576.5: a tie rounds away from zero, not to even.
        CoordinateCase{"HalfwayAwayFromZero", "00062914590,E", "1048577"},
        CoordinateCase{"NegativeHalfwayAwayFromZero", "00062914590,W", "-1048577"},
        CoordinateCase{"NegatedZero", "000,W", "0"},
        CoordinateCase{"Tiny", "0000.00007407407,E", "0.000001234568"},
        CoordinateCase{"TinyRoundNumber", "0000.0000006,E", "0.00000001"},
        CoordinateCase{"Huge", "0007407407407,E", "123456800"},
        CoordinateCase{"ExponentInDegrees", "1E9,E", "1000000000"},
        CoordinateCase{"ExponentInMinutes", "0003.6E1,E", "0.6"},
        CoordinateCase{"PointWithoutLeadingDigit", "000.6,E", "0.01"},
        CoordinateCase{"SignAfterExponentEndsNumber", "00060E-2,E", "1"},
        CoordinateCase{"LowerCaseExponentEndsNumber", "0006e1,E", "0.1"},
        CoordinateCase{"LargestSingleFits", "0001E40,E", "166666700000000000000000000000000000000"},
        CoordinateCase{"BeyondSingleIsCapped", "0001E41,E", LargestSingle},
        CoordinateCase{"NegativeBeyondSingleIsCapped", "0001E41,W", "-" + LargestSingle},
        CoordinateCase{"BeyondDoubleIsCapped", "0001E999999999999999999,E", LargestSingle},
        CoordinateCase{"ManyDigitsBeyondDouble", "0001" + std::string(400, '0') + ",E",
                       LargestSingle},
        CoordinateCase{"ManyZerosThenExponent", "000" + std::string(500, '0') + "6E1,E", "1"},
        CoordinateCase{"ManyFractionZerosUnderflow", "0000." + std::string(400, '0') + "1,E", "0"}),
    CaseName);

// The texts must not follow the user's locale: a "," decimal separator would break the link.
// The locale "de_DE.UTF-8" writes and reads numbers with ",".
TEST(NmeaLocale, LinkIgnoresCommaDecimalLocale) {
    const std::string savedC = std::setlocale(LC_ALL, nullptr);
    const std::locale savedCpp;
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    }
    try {
        std::locale::global(std::locale("de_DE.UTF-8"));
    } catch (const std::runtime_error&) {
        std::setlocale(LC_ALL, savedC.c_str());
        GTEST_SKIP() << "C++ locale de_DE.UTF-8 is not available";
    }

    const std::string rmc = NmeaToMapLink(RmcExample);
    const std::string tiny = NmeaToMapLink(WithLongitude("0000.00007407407,W"));
    const std::string halfway = NmeaToMapLink(WithLongitude("00062914590,E"));

    std::locale::global(savedCpp);
    std::setlocale(LC_ALL, savedC.c_str());
    EXPECT_EQ(rmc, Link("48.1173", "11.51667"));
    EXPECT_EQ(tiny, Link("48.1173", "-0.000001234568"));
    EXPECT_EQ(halfway, Link("48.1173", "1048577"));
}

// Cut-off or garbled sentences still give one of the four kinds of result and nothing else;
// run under the sanitizers this also shows that no read leaves the text.
bool IsOneOfTheResults(const std::string& result) {
    const std::string linkStart = "[MAP URL ] https://www.openstreetmap.org/index.html?mlat=";
    const bool isLink = result.rfind(linkStart, 0) == 0 &&
                        result.find("&mlon=") != std::string::npos && result.size() >= 8 &&
                        result.substr(result.size() - 8) == "&zoom=12" &&
                        result.find(',') == std::string::npos;
    return isLink || result == InvalidPosition || result == FixNotAvailable;
}

TEST(NmeaRobustness, EveryPrefixAndByteGivesAResult) {
    for (const std::string& sentence : {RmcExample, GgaExample}) {
        for (std::size_t length = 6; length <= sentence.size(); ++length) {
            const std::string prefix = sentence.substr(0, length);
            EXPECT_TRUE(IsOneOfTheResults(NmeaToMapLink(prefix))) << prefix;
            // Only the whole sentence carries both checksum digits.
            EXPECT_EQ(NmeaChecksumOk(prefix), length == sentence.size()) << prefix;
        }
        for (std::size_t position = 6; position < sentence.size(); ++position) {
            for (int code = 0; code < 256; ++code) {
                std::string garbled = sentence;
                garbled[position] = static_cast<char>(code);
                EXPECT_TRUE(IsOneOfTheResults(NmeaToMapLink(garbled))) << garbled;
            }
        }
    }
}

} // namespace

// The signal of a unit over its calls: decibels as shown (a tenth, never "-0"), and the least,
// median and greatest of what was heard, whatever order the calls came in.
#include "heard_signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

TEST(RoundedDb, ToATenthHalvesAwayFromZeroNeverMinusZero) {
    struct Case {
        double db, shown;
    };
    for (const Case c : {Case{-23.456789012345678, -23.5}, Case{12.25, 12.3}, Case{-12.25, -12.3},
                         Case{7.04999, 7.0}, Case{-0.04, 0.0}}) {
        EXPECT_EQ(vantrel::RoundedDb(c.db), c.shown) << c.db;
        EXPECT_EQ(std::signbit(vantrel::RoundedDb(c.db)), c.shown < 0) << c.db;
    }
}

TEST(DbSpread, LeastMedianGreatestOfTheCallsInAnyOrder) {
    struct Case {
        std::vector<double> calls;
        double min, median, max;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c : {
             Case{{-30.0}, -30.0, -30.0, -30.0},
             Case{{-10.0, -30.0, -20.0}, -30.0, -20.0, -10.0},
             // An even count: the mean of the middle two, rounded to a tenth again.
             Case{{-10.0, -20.0, -40.0, 3.0}, -40.0, -15.0, 3.0},
             Case{{-12.4, -12.5, -40.0, 3.0}, -40.0, -12.5, 3.0},
             // Many calls at one value weigh as many.
             Case{{-5.0, -5.0, -5.0, -50.0, -49.0}, -50.0, -5.0, -5.0},
             // Values that round to one tenth are one value; what is no number is not a call.
             Case{{-7.01, -6.99, nan, -7.04}, -7.0, -7.0, -7.0},
         }) {
        vantrel::DbSpread spread;
        for (const double db : c.calls)
            spread.Add(db);
        EXPECT_EQ(spread.min(), c.min);
        EXPECT_EQ(spread.median(), c.median);
        EXPECT_EQ(spread.max(), c.max);
    }
    EXPECT_FALSE(vantrel::DbSpread().median().has_value());
}

TEST(HeardSignal, CountsEveryCallAndSpreadsOnlyWhatWasHeard) {
    vantrel::HeardSignal signal;
    vantrel::DecodedRecord text;
    text.source.line = 3;
    signal.Add(text);
    vantrel::DecodedRecord sound;
    sound.source.heard = vantrel::HeardInfo{1.5, -20.0, 14.0, "2026-12-08T06:00:00.000Z"};
    signal.Add(sound);
    signal.Add(text);
    EXPECT_EQ(signal.calls, 3u);
    EXPECT_EQ(signal.levelDbfs.count(), 1u);
    EXPECT_EQ(signal.ebN0Db.median(), 14.0);
    EXPECT_EQ(signal.last.line, 3u);
}

} // namespace

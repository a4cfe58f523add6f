// The sync search takes eight characters at a time; these cases put patterns and stray
// characters at every place relative to those groups, and compare with a search that looks at
// every start one by one.
#include "sync_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace modETSI300230;

namespace {

const std::string NoFec(SyncNoFec);
const std::string Fec(SyncFec);

std::string Zeros(std::size_t n) {
    return std::string(n, '0');
}

std::string WithChar(std::string text, std::size_t index, char c) {
    text[index] = c;
    return text;
}

// The obvious search: compare the pattern at every start.
std::size_t ReferenceFind(const std::string& text, std::size_t from, const std::string& pattern) {
    for (std::size_t start = from; start + pattern.size() <= text.size(); ++start)
        if (text.compare(start, pattern.size(), pattern) == 0)
            return start;
    return NotFound;
}

std::vector<std::size_t> ReferenceAll(const std::string& text, const std::string& pattern) {
    std::vector<std::size_t> all;
    for (std::size_t at = ReferenceFind(text, 0, pattern); at != NotFound;
         at = ReferenceFind(text, at + 1, pattern))
        all.push_back(at);
    return all;
}

struct FindCase {
    const char* name;
    std::string text;
    std::size_t from;
    std::size_t expected; // where SyncNoFec is found, or NotFound
};

// Listings and failures name the case; its bit stream is too long to read there.
void PrintTo(const FindCase& c, std::ostream* out) {
    *out << c.name;
}

class FindSyncTable : public testing::TestWithParam<FindCase> {};

TEST_P(FindSyncTable, FindsFirstCleanOccurrence) {
    const FindCase& c = GetParam();
    EXPECT_EQ(FindSync(c.text, c.from, SyncNoFec), c.expected);
    // The all-positions scan must agree with the single search.
    const SyncPositions all = FindAllSyncs(c.text);
    const auto first = std::lower_bound(all.noFec.begin(), all.noFec.end(), c.from);
    EXPECT_EQ(first == all.noFec.end() ? NotFound : *first, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Places, FindSyncTable,
    testing::Values(
        FindCase{"AtStart", NoFec + Zeros(40), 0, 0}, FindCase{"AtEnd", Zeros(37) + NoFec, 0, 37},
        FindCase{"ExactlyThePattern", NoFec, 0, 0},
        FindCase{"OneShort", NoFec.substr(0, 27), 0, NotFound}, FindCase{"Empty", "", 0, NotFound},
        FindCase{"ShorterThanAGroup", "1010101", 0, NotFound},
        FindCase{"FromBeyondTheEnd", NoFec, 29, NotFound},
        FindCase{"FromTheEnd", NoFec, 28, NotFound},
        FindCase{"FromFarBeyondTheEnd", NoFec, NotFound - 1, NotFound},
        FindCase{"FromInsideThePattern", NoFec + Zeros(3) + NoFec, 1, 31},
        // A pattern that starts before `from` does not count, though it ends after it.
        FindCase{"StartsBeforeFrom", Zeros(5) + NoFec + Zeros(20), 6, NotFound},
        FindCase{"FromRightAtIt", Zeros(5) + NoFec, 5, 5},
        FindCase{"StrayJustBefore", "x" + NoFec, 0, 1},
        FindCase{"StrayJustAfter", NoFec + "x", 0, 0},
        FindCase{"StrayInFirstCharacter", WithChar(NoFec, 0, 'x') + NoFec, 0, 28},
        FindCase{"StrayInLastCharacter", WithChar(NoFec, 27, '2') + Zeros(9), 0, NotFound},
        // Bytes with the low bit of the pattern's character there, differing from "0"/"1"
        // only in a high bit or a neighbouring one.
        FindCase{"HighBitZero", WithChar(NoFec, 9, '\xB0') + Zeros(9), 0, NotFound},
        FindCase{"HighBitOne", WithChar(NoFec, 10, '\xB1') + Zeros(9), 0, NotFound},
        FindCase{"NulByte", WithChar(NoFec, 1, '\0') + Zeros(9), 0, NotFound},
        FindCase{"SlashByte", WithChar(NoFec, 2, '/') + Zeros(9), 0, NotFound},
        FindCase{"LetterP", WithChar(NoFec, 20, 'p') + Zeros(9), 0, NotFound},
        FindCase{"ThreeInSecondGroup", WithChar(NoFec, 8, '3') + Zeros(9), 0, NotFound},
        FindCase{"StrayThenPatternInSameGroup", "01x" + NoFec + Zeros(11), 0, 3},
        FindCase{"StraysEverywhereButThePattern", "xxxxxxxxxxx" + NoFec + "yyyyyyy", 0, 11},
        // NO FEC may start on the last character of another: 27 characters apart.
        FindCase{"OverlapsItself", NoFec + NoFec.substr(1), 0, 0},
        FindCase{"OverlapFromOne", NoFec + NoFec.substr(1), 1, 27},
        FindCase{"PrefixThenPattern", NoFec.substr(0, 20) + NoFec, 0, 20},
        FindCase{"OtherPatternOnly", Fec + Zeros(9), 0, NotFound}),
    [](const auto& info) { return std::string(info.param.name); });

// Every alignment relative to the groups of eight, both for the pattern and for a stray
// character right before or after it.
TEST(FindSync, EveryAlignmentAgainstGroupsOfEight) {
    for (std::size_t lead = 0; lead < 16; ++lead) {
        for (std::size_t trail = 0; trail < 9; ++trail) {
            const std::string plain = Zeros(lead) + NoFec + Zeros(trail);
            EXPECT_EQ(FindSync(plain, 0, SyncNoFec), lead) << lead << " " << trail;
            EXPECT_EQ(FindSync(plain, lead + 1, SyncNoFec), NotFound) << lead << " " << trail;

            const std::string strayBefore = Zeros(lead) + "x" + NoFec + Zeros(trail);
            EXPECT_EQ(FindSync(strayBefore, 0, SyncNoFec), lead + 1) << lead << " " << trail;

            const std::string strayAfter = Zeros(lead) + NoFec + "x" + Zeros(trail);
            EXPECT_EQ(FindSync(strayAfter, 0, SyncNoFec), lead) << lead << " " << trail;

            const std::string fec = Zeros(lead) + Fec + Zeros(trail);
            EXPECT_EQ(FindSync(fec, 0, SyncFec), lead) << lead << " " << trail;
        }
    }
}

TEST(FindSync, StrayAnywhereInsideBreaksThePattern) {
    for (std::size_t lead = 0; lead < 8; ++lead)
        for (std::size_t i = 0; i < SyncLength; ++i) {
            const std::string text = Zeros(lead) + WithChar(NoFec, i, 'x') + Zeros(8);
            EXPECT_EQ(FindSync(text, 0, SyncNoFec), NotFound) << lead << " " << i;
            EXPECT_TRUE(FindAllSyncs(text).noFec.empty()) << lead << " " << i;
        }
}

// A byte that differs from the pattern's "0" or "1" in one other bit keeps the low bit that the
// eight-at-a-time conversion reads, so only the validity test can reject it.
TEST(FindSync, LookAlikeBytesBreakThePattern) {
    for (unsigned bit = 1; bit < 8; ++bit)
        for (std::size_t i = 0; i < SyncLength; ++i) {
            const char lookAlike = static_cast<char>(NoFec[i] ^ (1U << bit));
            const std::string text = Zeros(3) + WithChar(NoFec, i, lookAlike) + Zeros(8);
            EXPECT_EQ(FindSync(text, 0, SyncNoFec), NotFound) << bit << " " << i;
            EXPECT_TRUE(FindAllSyncs(text).noFec.empty()) << bit << " " << i;
        }
}

TEST(FindAllSyncs, ListsBothPatternsInOrder) {
    const std::string text = Fec + "1" + NoFec + NoFec.substr(1) + Zeros(13) + Fec + "x" + NoFec;
    const SyncPositions all = FindAllSyncs(text);
    EXPECT_EQ(all.noFec, (std::vector<std::size_t>{29, 56, 126}));
    EXPECT_EQ(all.fec, (std::vector<std::size_t>{0, 97}));
}

struct NextCase {
    const char* name;
    std::string text;
    std::size_t from;
    std::size_t position;
    bool fec;
};

void PrintTo(const NextCase& c, std::ostream* out) {
    *out << c.name;
}

class SyncFinderTable : public testing::TestWithParam<NextCase> {};

TEST_P(SyncFinderTable, NoFecAnywhereLaterWinsOverEarlierFec) {
    const NextCase& c = GetParam();
    const SyncFinder finder(c.text);
    const SyncFinder::Hit hit = finder.Next(c.from);
    EXPECT_EQ(hit.position, c.position);
    if (hit.position != NotFound) {
        EXPECT_EQ(hit.fec, c.fec);
    }
    // Asking again, or after a question about another place, gives the same answer.
    finder.Next(0);
    finder.Next(c.text.size());
    const SyncFinder::Hit again = finder.Next(c.from);
    EXPECT_EQ(again.position, hit.position);
    EXPECT_EQ(again.fec, hit.fec);
}

const std::string FecThenNoFec = Zeros(3) + Fec + Zeros(50) + NoFec + Zeros(4);       // 3, 81
const std::string NoFecThenFec = Zeros(3) + NoFec + Zeros(50) + Fec + Zeros(4);       // 3, 81
const std::string FecNoFecFec = Fec + Zeros(10) + NoFec + Zeros(10) + Fec + Zeros(2); // 0,38,76

INSTANTIATE_TEST_SUITE_P(
    Order, SyncFinderTable,
    testing::Values(NextCase{"LaterNoFecWins", FecThenNoFec, 0, 81, false},
                    NextCase{"FecOnlyAfterLastNoFec", NoFecThenFec, 4, 81, true},
                    NextCase{"NoFecFirst", NoFecThenFec, 0, 3, false},
                    NextCase{"FecAfterTheNoFec", FecNoFecFec, 39, 76, true},
                    NextCase{"NoFecFromItsStart", FecNoFecFec, 38, 38, false},
                    NextCase{"NothingLeft", FecNoFecFec, 77, NotFound, false},
                    NextCase{"BeyondTheEnd", FecNoFecFec, 500, NotFound, false},
                    NextCase{"EmptyText", "", 0, NotFound, false},
                    NextCase{"FecOnly", Zeros(9) + Fec, 0, 9, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Random texts of "0", "1" and now and then a stray character, seeded with the patterns and
// their pieces so that matches and near-matches are common.
std::string RandomText(std::mt19937& rng) {
    std::string text;
    const std::size_t length = rng() % 300;
    const bool strays = rng() % 2 == 0;
    while (text.size() < length) {
        switch (rng() % 8) {
        case 0:
            text += NoFec;
            break;
        case 1:
            text += Fec;
            break;
        case 2:
            text += NoFec.substr(0, rng() % 28);
            break;
        case 3:
            text += NoFec.substr(rng() % 28);
            break;
        default:
            for (auto i = static_cast<int>(rng() % 20); i >= 0; --i)
                text += strays && rng() % 16 == 0 ? 'x' : static_cast<char>('0' + rng() % 2);
        }
    }
    return text;
}

TEST(SyncSearch, AgreesWithCharacterByCharacterSearch) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 4000; ++round) {
        const std::string text = RandomText(rng);
        const std::size_t from = rng() % (text.size() + 3);
        ASSERT_EQ(FindSync(text, from, SyncNoFec), ReferenceFind(text, from, NoFec)) << text;
        ASSERT_EQ(FindSync(text, from, SyncFec), ReferenceFind(text, from, Fec)) << text;

        const SyncPositions all = FindAllSyncs(text);
        ASSERT_EQ(all.noFec, ReferenceAll(text, NoFec)) << text;
        ASSERT_EQ(all.fec, ReferenceAll(text, Fec)) << text;

        const SyncFinder::Hit hit = SyncFinder(text).Next(from);
        std::size_t expected = ReferenceFind(text, from, NoFec);
        const bool fec = expected == NotFound;
        if (fec)
            expected = ReferenceFind(text, from, Fec);
        ASSERT_EQ(hit.position, expected) << text << " from " << from;
        if (expected != NotFound) {
            ASSERT_EQ(hit.fec, fec) << text << " from " << from;
        }
    }
}

} // namespace

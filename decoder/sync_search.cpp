#include "sync_search.h"

#include "eight_chars.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace modETSI300230 {

namespace {

constexpr std::uint32_t WindowMask = (1U << SyncLength) - 1;

constexpr std::uint32_t PatternBits(std::string_view pattern) {
    std::uint32_t bits = 0;
    for (const char c : pattern)
        bits = (bits << 1) | (c == '1' ? 1U : 0U);
    return bits;
}

constexpr std::uint32_t NoFecBits = PatternBits(SyncNoFec);
static_assert(PatternBits(SyncFec) == (~NoFecBits & WindowMask),
              "one lookup finds both patterns only because SyncFec inverts SyncNoFec");

bool IsBit(char c) {
    return (static_cast<unsigned char>(c) & 0xFEU) == 0x30U;
}

// A quick test that spares almost every group of eight characters the look at its eight
// windows. A window that ends in the newest group always holds the whole group before it, at
// a place fixed by where in the newest group the window ends. So the group before tells at
// which ends (bit e for the window ending at character e of the newest group) a pattern may
// end at all; for random bits that is one group in sixteen.
using Candidates = std::array<std::uint8_t, 256>;

constexpr void AddPattern(Candidates& table, std::uint32_t pattern) {
    for (unsigned end = 0; end < 8; ++end) {
        // Pattern characters 19 - end to 26 - end, the first in the top bit.
        const std::uint32_t before = (pattern >> (end + 1)) & 0xFFU;
        table[before] = static_cast<std::uint8_t>(table[before] | (1U << end));
    }
}

// Walks over every 28-character window of `text` that starts at or after `from`, holds
// only "0"/"1" characters and may be one of the patterns `table` was made for, in the order
// of their start, and hands it to `visit` as 28 bits (the first character in the top bit)
// with its start. Stops when `visit` returns true and then returns true itself.
//
// Eight characters are taken at a time while they are all "0"/"1", which is almost always;
// a group holding any other character is taken one character at a time, and that character
// breaks every window that contains it.
template <typename Visit>
bool ScanWindows(std::string_view text, std::size_t from, const Candidates& table, Visit visit) {
    if (from >= text.size())
        return false;
    std::uint64_t recent = 0; // the latest characters as bits, the newest in bit 0
    std::size_t clean = 0;    // how many of the latest characters are "0"/"1"
    std::size_t i = from;

    auto one = [&](char c) -> bool {
        ++i;
        if (!IsBit(c)) {
            clean = 0;
            return false;
        }
        recent = (recent << 1) | (static_cast<unsigned char>(c) & 1U);
        ++clean;
        return clean >= SyncLength &&
               visit(static_cast<std::uint32_t>(recent) & WindowMask, i - SyncLength);
    };

    while (text.size() - i >= 8) {
        std::uint32_t eight = 0;
        if (!LoadEight(text.data() + i, eight)) {
            for (int k = 0; k < 8; ++k)
                if (one(text[i]))
                    return true;
            continue;
        }
        recent = (recent << 8) | eight;
        clean += 8;
        i += 8;
        if (clean < SyncLength)
            continue;
        // Ends in ascending order, so windows come in the order of their start. The window
        // ending at character `end` of the group lies `back` characters before the newest.
        for (unsigned ends = table[(recent >> 8) & 0xFFU]; ends != 0; ends &= ends - 1) {
            const auto back = static_cast<std::size_t>(7 - std::countr_zero(ends));
            if (clean - back >= SyncLength &&
                visit(static_cast<std::uint32_t>(recent >> back) & WindowMask,
                      i - back - SyncLength))
                return true;
        }
    }
    while (i < text.size())
        if (one(text[i]))
            return true;
    return false;
}

constexpr Candidates SyncCandidates = [] {
    Candidates table{};
    AddPattern(table, NoFecBits);
    AddPattern(table, ~NoFecBits & WindowMask);
    return table;
}();

} // namespace

std::size_t FindSync(std::string_view text, std::size_t from, std::string_view pattern) {
    const std::uint32_t target = PatternBits(pattern);
    Candidates table{};
    AddPattern(table, target);
    std::size_t found = NotFound;
    ScanWindows(text, from, table, [&](std::uint32_t window, std::size_t start) {
        if (window != target)
            return false;
        found = start;
        return true;
    });
    return found;
}

void ScanSyncs(std::string_view text, std::size_t from,
               const std::function<bool(std::size_t start, bool fec)>& visit) {
    ScanWindows(text, from, SyncCandidates, [&](std::uint32_t window, std::size_t start) {
        const std::uint32_t difference = window ^ NoFecBits;
        return ((difference + 1) & WindowMask) <= 1 && visit(start, difference != 0);
    });
}

SyncPositions FindAllSyncs(std::string_view text) {
    SyncPositions positions;
    ScanWindows(text, 0, SyncCandidates, [&](std::uint32_t window, std::size_t start) {
        // A window is one of the two patterns when it differs from SyncNoFec in no bit or
        // in every bit; adding 1 maps both cases, and only them, to 0 or 1.
        const std::uint32_t difference = window ^ NoFecBits;
        if (((difference + 1) & WindowMask) <= 1)
            (difference == 0 ? positions.noFec : positions.fec).push_back(start);
        return false;
    });
    return positions;
}

SyncFinder::Hit SyncFinder::Next(std::size_t from) const {
    const auto noFec = std::lower_bound(positions_.noFec.begin(), positions_.noFec.end(), from);
    if (noFec != positions_.noFec.end())
        return {*noFec, false};
    const auto fec = std::lower_bound(positions_.fec.begin(), positions_.fec.end(), from);
    if (fec != positions_.fec.end())
        return {*fec, true};
    return {};
}

} // namespace modETSI300230

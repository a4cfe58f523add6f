// Counts that tell whether a receiver or a site is in trouble: per file and for a whole run.
#pragma once

#include "decoded_record.h"
#include "heard_signal.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vantrel {

struct UnitCount {
    std::string address; // the unit's address text, as FromAddr and ToAddr show it
    std::uint64_t sent = 0;
    std::uint64_t received = 0;

    bool operator==(const UnitCount&) const = default;
};

// The most units a RecordStats lists. A busy channel of random addresses shows a new unit in
// nearly every block (hundreds of thousands in 100 MB); past this many the list stops growing,
// so that the statistics of any input fit in a few tens of MB (about 370 bytes a unit with
// the run's total).
inline constexpr std::size_t UnitsListed = 100'000;

struct RecordStats {
    std::uint64_t syncPatterns = 0;       // patterns counted: one record each
    std::uint64_t blocksDecoded = 0;      // records with a block behind them
    std::uint64_t noPatternLeft = 0;      // records after the last decodable block
    std::uint64_t corruptedBlocks = 0;    // decoded blocks with a failed codeword
    std::uint64_t codewordsRead = 0;      // every codeword checked, cut ones included
    std::uint64_t codewordsFailed = 0;    // of those, the ones that failed
    std::uint64_t shortDataMessages = 0;  // blocks carrying a short data transfer
    std::uint64_t nmeaChecksumGood = 0;   // GPS sentences with a good checksum
    std::uint64_t nmeaChecksumBad = 0;    // GPS sentences with a bad checksum
    std::uint64_t positions = 0;          // of the good ones, those giving a position
    std::uint64_t positionsTrusted = 0;   // of those, under headers that passed: map points
    std::uint64_t patternsPassedOver = 0; // filled by the caller: patterns the decode skips
    // Units in the order first seen. Only blocks whose header codewords all passed count
    // (DecodedRecord::headersPassed): the address of a failed header is noise, not a unit.
    std::vector<UnitCount> units;
    // Once `units` holds UnitsListed units, a block sent by or to a unit not listed is counted
    // here instead, once for its sender and once for its receiver.
    std::uint64_t unitsNotListed = 0;

    void Add(const DecodedRecord& record);
    void Add(const RecordStats& other);

    // codewordsFailed / codewordsRead, 0 when nothing was read.
    double codewordErrorRate() const;

    // How the unit units[index] was heard sending (calls whose headers passed), when it was:
    // over sound, or live with a clock; nothing for a unit only read from a bit text or only
    // ever addressed.
    const HeardSignal* SignalOf(std::size_t index) const;
    std::size_t unitsHeard() const { return signals_.size(); }

private:
    // The unit of `address`, added when new; null when it is new and the list is full.
    UnitCount* Unit(const std::string& address);
    std::size_t IndexOf(const UnitCount& unit) const {
        return static_cast<std::size_t>(&unit - units.data());
    }
    // Where each unit stands in `units`, plus one (0: a free slot): an open-addressing table
    // of indices, a few bytes a unit, since a busy channel shows hundreds of thousands of them.
    std::vector<std::uint32_t> unitSlots_;
    // Only for the units heard: a bit text of random addresses has hundreds of thousands of
    // units, a few hundred bytes each would be too many.
    std::unordered_map<std::uint32_t, HeardSignal> signals_;
};

// The counts as lines of text for standard error, each ending in "\n"; `title` heads them
// (a file name, or "total"). The units heard follow the units with their signal: the least,
// median and greatest level and Eb/N0 of their calls, and when each was last heard.
std::string StatsText(const RecordStats& stats, std::string_view title);

} // namespace vantrel

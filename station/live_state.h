// What the live page shows of a run, kept as the records come: the newest records (a bounded
// history, so a browser opened later sees the run so far) and a summary of every unit heard.
// Its memory is the history's records and the units' summaries, however long the run. Not
// thread-safe: the station (station.h) guards it.
#pragma once

#include "decoded_record.h"
#include "heard_signal.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantrel {

inline constexpr std::size_t DefaultServeHistory = 10000;

// A unit as the units table shows it. Only blocks whose headers passed their checks count
// (DecodedRecord::headersPassed), as in the statistics: a failed header names no unit.
struct UnitSummary {
    std::string address; // as FromAddr and ToAddr show it
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    HeardSignal signal; // of the calls it sent: those are its own transmitter's
    // Its latest position that its header vouches for (DecodedRecord::positionTrusted).
    std::optional<double> latitude;
    std::optional<double> longitude;
};

class LiveState {
public:
    explicit LiveState(std::size_t historyLimit) : limit_(historyLimit == 0 ? 1 : historyLimit) {}

    // Takes a copy of the record without its log (the page shows none).
    void Add(const DecodedRecord& record);
    // Takes the record itself, without its log; `record` is left with what the history let go
    // of, whose room the caller may fill again.
    void Add(DecodedRecord&& record);
    // An earlier run's history (a database), before this run's records: its last records,
    // oldest first, and every unit's summary over all of its records, first heard first.
    void Load(std::span<const DecodedRecord> past, std::span<const UnitSummary> units);

    std::size_t historyLimit() const { return limit_; }
    // Records are numbered 0, 1, 2, ... as they come; this is the next number.
    std::uint64_t recordsSeen() const { return seen_; }
    // The number of the oldest record still held.
    std::uint64_t oldestHeld() const { return seen_ > limit_ ? seen_ - limit_ : 0; }
    // A held record: oldestHeld() <= number < recordsSeen().
    const DecodedRecord& Held(std::uint64_t number) const { return ring_[number % limit_]; }

    const std::deque<UnitSummary>& units() const { return units_; }
    // Up to `limit` of the units changed since they were last taken, those changed first,
    // each once, by their place in units(); the others wait for the next call.
    std::vector<std::size_t> TakeChangedUnits(std::size_t limit = SIZE_MAX);
    bool unitsChanged() const { return !changed_.empty(); }

private:
    void Count(const DecodedRecord& record); // into the units' summaries
    // Into the history without its log; `record` is left as Add(DecodedRecord&&) says.
    void Hold(DecodedRecord&& record);
    std::size_t UnitIndex(const std::string& address);
    void Changed(std::size_t unit);

    std::size_t limit_;
    std::vector<DecodedRecord> ring_; // grows to limit_, then each record reuses the oldest slot
    std::uint64_t seen_ = 0;
    // In the order first seen, which gives each its colour; a deque, so that the index's keys,
    // views of the units' addresses, stay where they are as units are added.
    std::deque<UnitSummary> units_;
    std::unordered_map<std::string_view, std::size_t> unitIndex_;
    std::deque<std::size_t> changed_;
    std::vector<bool> isChanged_;
};

} // namespace vantrel

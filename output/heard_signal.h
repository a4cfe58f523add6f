// How a unit or a channel was heard over many calls: how many, when last, and the least, median
// and greatest level and Eb/N0 of the calls heard over sound. Every decibel value a person reads
// is rounded to a tenth of a decibel (RoundedDb), and the spread keeps one count per tenth seen,
// so its memory is bounded by the range of the values, not by the calls: a unit heard for days
// keeps the same few hundred counts.
#pragma once

#include "decoded_record.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel {

// A decibel value as it is shown: to a tenth of a decibel, halves away from zero.
double RoundedDb(double db);

class DbSpread {
public:
    void Add(double db);

    std::uint64_t count() const { return count_; }
    std::optional<double> min() const;
    std::optional<double> max() const;
    // The middle value; of an even count, the mean of the two middle ones, rounded again.
    std::optional<double> median() const;
    // Takes in the calls of another spread (the next file of a run).
    void Add(const DbSpread& other);

private:
    std::optional<double> TenthAtRank(std::uint64_t rank) const;
    // Tenths of a decibel and how many calls had them, ascending.
    std::vector<std::pair<std::int32_t, std::uint32_t>> tenths_;
    std::uint64_t count_ = 0;
};

struct HeardSignal {
    std::uint64_t calls = 0;
    // The latest call's record: where and when it was heard (heard.utc by the clock when known,
    // heard.seconds into the recording, or the line of a bit text; finalAt when followed).
    RecordSource last;
    DbSpread levelDbfs;
    DbSpread ebN0Db;

    void Add(const DecodedRecord& record);
    // Takes in the calls of `later`, heard after these (the next file of a run).
    void Add(const HeardSignal& later);
};

} // namespace vantrel

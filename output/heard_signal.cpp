#include "heard_signal.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

std::int32_t Tenths(double db) {
    return static_cast<std::int32_t>(std::lround(db * 10.0));
}

double FromTenths(double tenths) {
    return RoundedDb(tenths / 10.0);
}

} // namespace

double RoundedDb(double db) {
    // A value no level or Eb/N0 comes near (a hand-made mark, say) has no tenths to count in:
    // it is shown as it is.
    if (!(std::fabs(db) < 1e6))
        return db;
    // Through a whole number of tenths, so a value that rounds to zero is 0, never -0.
    return static_cast<double>(Tenths(db)) / 10.0;
}

void DbSpread::Add(double db) {
    if (!std::isfinite(db))
        return;
    const std::int32_t tenths = Tenths(db);
    const auto at = std::ranges::lower_bound(tenths_, tenths, {},
                                             &std::pair<std::int32_t, std::uint32_t>::first);
    if (at != tenths_.end() && at->first == tenths)
        ++at->second;
    else
        tenths_.insert(at, {tenths, 1});
    ++count_;
}

void DbSpread::Add(const DbSpread& other) {
    for (const auto& [tenths, calls] : other.tenths_) {
        const auto at = std::ranges::lower_bound(tenths_, tenths, {},
                                                 &std::pair<std::int32_t, std::uint32_t>::first);
        if (at != tenths_.end() && at->first == tenths)
            at->second += calls;
        else
            tenths_.insert(at, {tenths, calls});
    }
    count_ += other.count_;
}

std::optional<double> DbSpread::min() const {
    if (tenths_.empty())
        return std::nullopt;
    return FromTenths(tenths_.front().first);
}

std::optional<double> DbSpread::max() const {
    if (tenths_.empty())
        return std::nullopt;
    return FromTenths(tenths_.back().first);
}

// The value of the call at 0-based `rank` in ascending order, in tenths.
std::optional<double> DbSpread::TenthAtRank(std::uint64_t rank) const {
    for (const auto& [tenths, calls] : tenths_) {
        if (rank < calls)
            return tenths;
        rank -= calls;
    }
    return std::nullopt;
}

std::optional<double> DbSpread::median() const {
    if (count_ == 0)
        return std::nullopt;
    const double low = *TenthAtRank((count_ - 1) / 2);
    const double high = *TenthAtRank(count_ / 2);
    return FromTenths(std::round((low + high) / 2.0));
}

void HeardSignal::Add(const DecodedRecord& record) {
    ++calls;
    last = record.source;
    if (!record.source.heard)
        return;
    if (record.source.heard->levelDbfs)
        levelDbfs.Add(*record.source.heard->levelDbfs);
    if (record.source.heard->ebN0Db)
        ebN0Db.Add(*record.source.heard->ebN0Db);
}

void HeardSignal::Add(const HeardSignal& later) {
    if (later.calls == 0)
        return;
    calls += later.calls;
    last = later.last;
    levelDbfs.Add(later.levelDbfs);
    ebN0Db.Add(later.ebN0Db);
}

} // namespace vantrel

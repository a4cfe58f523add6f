#include "live_state.h"

namespace vantrel {

void LiveState::Add(const DecodedRecord& record) {
    DecodedRecord copy = record;
    Add(std::move(copy));
}

void LiveState::Add(DecodedRecord&& record) {
    Count(record);
    Hold(std::move(record));
}

void LiveState::Hold(DecodedRecord&& record) {
    record.info.Log = {};
    if (ring_.size() < limit_) {
        ring_.push_back(std::move(record));
        record = {};
    } else {
        // The oldest record's texts and lists go back to the caller for the next record: a
        // long run allocates little once the history is full.
        std::swap(ring_[seen_ % limit_], record);
    }
    ++seen_;
}

void LiveState::Load(std::span<const DecodedRecord> past, std::span<const UnitSummary> units) {
    for (const UnitSummary& unit : units)
        units_[UnitIndex(unit.address)] = unit;
    // The units already count these records: they are only held.
    for (const DecodedRecord& record : past) {
        DecodedRecord copy = record;
        Hold(std::move(copy));
    }
}

void LiveState::Count(const DecodedRecord& record) {
    if (!record.headersPassed())
        return;
    const std::size_t from = UnitIndex(record.info.FromAddr);
    UnitSummary& sender = units_[from];
    ++sender.sent;
    sender.signal.Add(record);
    if (record.positionTrusted()) {
        sender.latitude = record.nmea->latitude;
        sender.longitude = record.nmea->longitude;
    }
    Changed(from);
    const std::size_t to = UnitIndex(record.info.ToAddr);
    ++units_[to].received;
    Changed(to);
}

std::vector<std::size_t> LiveState::TakeChangedUnits(std::size_t limit) {
    std::vector<std::size_t> taken;
    while (!changed_.empty() && taken.size() < limit) {
        taken.push_back(changed_.front());
        isChanged_[changed_.front()] = false;
        changed_.pop_front();
    }
    return taken;
}

std::size_t LiveState::UnitIndex(const std::string& address) {
    if (const auto known = unitIndex_.find(address); known != unitIndex_.end())
        return known->second;
    units_.emplace_back();
    units_.back().address = address;
    isChanged_.push_back(false);
    unitIndex_.emplace(units_.back().address, units_.size() - 1);
    return units_.size() - 1;
}

void LiveState::Changed(std::size_t unit) {
    if (isChanged_[unit])
        return;
    isChanged_[unit] = true;
    changed_.push_back(unit);
}

} // namespace vantrel

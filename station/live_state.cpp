#include "live_state.h"

namespace vantrel {

void LiveState::Add(const DecodedRecord& record) {
    if (ring_.size() < limit_) {
        ring_.push_back(record);
        ring_.back().info.Log = {};
    } else {
        // Assigned into the oldest record, whose texts and lists keep their room: a long run
        // allocates little once the history is full.
        DecodedRecord& slot = ring_[seen_ % limit_];
        slot = record;
        slot.info.Log = {};
    }
    ++seen_;
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

std::vector<std::size_t> LiveState::TakeChangedUnits() {
    for (const std::size_t unit : changed_)
        isChanged_[unit] = false;
    std::vector<std::size_t> taken;
    taken.swap(changed_);
    return taken;
}

std::size_t LiveState::UnitIndex(const std::string& address) {
    const auto [at, added] = unitIndex_.try_emplace(address, units_.size());
    if (added) {
        units_.emplace_back();
        units_.back().address = address;
        isChanged_.push_back(false);
    }
    return at->second;
}

void LiveState::Changed(std::size_t unit) {
    if (isChanged_[unit])
        return;
    isChanged_[unit] = true;
    changed_.push_back(unit);
}

} // namespace vantrel

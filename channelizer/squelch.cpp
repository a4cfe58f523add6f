#include "squelch.h"

#include <algorithm>
#include <cmath>

namespace channelizer {

Squelch::Squelch(const SquelchSettings& settings, double blockSeconds)
    : settings_(settings), riseDbPerBlock_(settings.floorRiseDbPerSecond * blockSeconds),
      holdBlocks_(std::max(1, static_cast<int>(std::lround(settings.holdSeconds / blockSeconds)))) {
}

void Squelch::Start(double powerDb, double bandFloorDb) {
    floorDb_ = std::min(powerDb, bandFloorDb);
    open_ = false;
    quietBlocks_ = 0;
}

SquelchStep Squelch::Step(double powerDb, double bandShiftDb) {
    if (!open_) {
        // Down at once, up by at most the rise: the floor hugs the quiet blocks.
        floorDb_ = std::min(powerDb, floorDb_ + riseDbPerBlock_);
        if (powerDb >= floorDb_ + settings_.openDb) {
            open_ = true;
            quietBlocks_ = 0;
            return SquelchStep::Opening;
        }
        return SquelchStep::Closed;
    }
    floorDb_ = std::min(powerDb, floorDb_ + bandShiftDb);
    if (powerDb >= floorDb_ + settings_.closeDb) {
        quietBlocks_ = 0;
        return SquelchStep::Open;
    }
    if (++quietBlocks_ < holdBlocks_)
        return SquelchStep::Open;
    open_ = false;
    return SquelchStep::Closing;
}

} // namespace channelizer

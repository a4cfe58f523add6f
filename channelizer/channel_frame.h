// What a channeliser hands on: frames at the channel rate, each one sample of every channel
// of the plan, in the plan's order. Both channelisers cut the same frames, so what follows
// them does not know which one ran.
#pragma once

#include "liquid_dsp.h"

#include <functional>
#include <span>

namespace channelizer {

using FrameSink = std::function<void(std::span<const Complex> frame)>;

} // namespace channelizer

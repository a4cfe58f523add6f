// How a person reads a radio channel: its frequency in MHz to the hertz, "169.4125 MHz". A
// band's reports, its follow lines and its statistics all show a channel this way.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

std::string ChannelText(std::uint64_t hz);

} // namespace vantrel

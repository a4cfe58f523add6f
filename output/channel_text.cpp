#include "channel_text.h"

namespace vantrel {

std::string ChannelText(std::uint64_t hz) {
    std::string text = std::to_string(hz / 1000000);
    std::string fraction = std::to_string(hz % 1000000 + 1000000).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += "." + fraction;
    return text + " MHz";
}

} // namespace vantrel

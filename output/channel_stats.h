// What --stats tells of each channel of a band: how many calls it carried, how many of them
// were corrupted, and the spread of their level and Eb/N0. A technician reads it for the
// channel that is weak or in trouble.
#pragma once

#include "decoded_record.h"
#include "heard_signal.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace vantrel {

class ChannelStats {
public:
    // A record without a channel is not counted.
    void Add(const DecodedRecord& record);

    // The channels with calls, as lines for standard error, each ending in "\n", under a
    // heading naming `title`; empty when no channel had a call.
    std::string Text(std::string_view title) const;

private:
    struct Channel {
        HeardSignal signal;
        std::uint64_t corrupted = 0;
    };
    std::map<std::uint64_t, Channel> channels_; // by frequency
};

} // namespace vantrel

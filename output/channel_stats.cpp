#include "channel_stats.h"

#include "channel_text.h"
#include "latin1.h"

#include <cstdio>
#include <optional>

namespace vantrel {

namespace {

// A spread as "min median max", each to a tenth of a decibel, or "-" for a channel heard
// without sound (a bit text has no level).
std::string SpreadText(const DbSpread& spread) {
    if (spread.count() == 0)
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%6.1f %6.1f %6.1f", *spread.min(), *spread.median(),
                  *spread.max());
    return text;
}

} // namespace

void ChannelStats::Add(const DecodedRecord& record) {
    if (!record.source.channelHz)
        return;
    Channel& channel = channels_[*record.source.channelHz];
    channel.signal.Add(record);
    if (record.info.Corrupted)
        ++channel.corrupted;
}

std::string ChannelStats::Text(std::string_view title) const {
    if (channels_.empty())
        return {};
    std::string text = "Channels: " + Utf8OrLatin1(title) + '\n';
    char line[160];
    std::snprintf(line, sizeof line, "  %-16s %7s %10s   %-26s %s\n", "channel", "calls",
                  "corrupted", "level dBFS (min med max)", "Eb/N0 dB (min med max)");
    text += line;
    for (const auto& [hz, channel] : channels_) {
        std::snprintf(line, sizeof line, "  %-16s %7llu %10llu   %-26s %s\n",
                      ChannelText(hz).c_str(),
                      static_cast<unsigned long long>(channel.signal.calls),
                      static_cast<unsigned long long>(channel.corrupted),
                      SpreadText(channel.signal.levelDbfs).c_str(),
                      SpreadText(channel.signal.ebN0Db).c_str());
        text += line;
    }
    return text;
}

} // namespace vantrel

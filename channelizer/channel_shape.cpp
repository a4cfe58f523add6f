#include "channel_shape.h"

#include "liquid_dsp.h"

#include <algorithm>
#include <numeric>

namespace channelizer {

std::size_t ChannelTapCount(double sampleRate, double spacingHz) {
    const auto transition = static_cast<float>(ChannelTransitionShare * spacingHz / sampleRate);
    return estimate_req_filter_len(transition, static_cast<float>(ChannelStopbandDb));
}

std::vector<float> ChannelTaps(double sampleRate, double spacingHz, std::size_t minimumLength) {
    const std::size_t length = std::max(ChannelTapCount(sampleRate, spacingHz), minimumLength);
    std::vector<float> taps(length);
    liquid_firdes_kaiser(static_cast<unsigned>(length),
                         static_cast<float>(ChannelCutoffShare * spacingHz / sampleRate),
                         static_cast<float>(ChannelStopbandDb), 0.0F, taps.data());
    const float sum = std::accumulate(taps.begin(), taps.end(), 0.0F);
    for (float& tap : taps)
        tap /= sum;
    return taps;
}

} // namespace channelizer

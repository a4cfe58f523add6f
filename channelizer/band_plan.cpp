#include "band_plan.h"

#include "frequency_text.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace channelizer {

namespace {

// Channels this close to a whole number of spacings apart count as on one raster: frequencies
// are read to the millihertz, and a ppm correction moves none of them.
constexpr double RasterToleranceHz = 0.5;

[[noreturn]] void Refuse(const std::string& why) {
    throw BandPlanError(why);
}

} // namespace

BandPlan::BandPlan(const Capture& capture, const ChannelChoice& choice)
    : capture_(capture), spacingHz_(choice.spacingHz), wholeBand_(choice.frequencies.empty()) {
    if (!(capture.sampleRate > 0) || !std::isfinite(capture.sampleRate))
        Refuse("the IQ sample rate is missing (give --rate)");
    if (capture.sampleRate > MaxSampleRate)
        Refuse("a sample rate of " + FrequencyText(capture.sampleRate) + " is beyond " +
               FrequencyText(MaxSampleRate));
    if (!(capture.centreHz > 0) || !std::isfinite(capture.centreHz))
        Refuse("the centre frequency is missing (give --center)");
    if (!(std::abs(capture.ppm) <= MaxPpm))
        Refuse("a frequency error of " + std::to_string(capture.ppm) + " ppm is beyond +-" +
               std::to_string(static_cast<int>(MaxPpm)));
    if (!(spacingHz_ >= MinSpacingHz && spacingHz_ <= MaxSpacingHz))
        Refuse("a channel spacing of " + FrequencyText(spacingHz_) + " is outside " +
               FrequencyText(MinSpacingHz) + " to " + FrequencyText(MaxSpacingHz));
    if (capture.sampleRate < 2 * spacingHz_)
        Refuse("a sample rate of " + FrequencyText(capture.sampleRate) +
               " is too low for channels of " + FrequencyText(spacingHz_));

    const double correction = 1 + capture.ppm * 1e-6;
    const double centre = capture.centreHz * correction;
    const double rate = capture.sampleRate * correction;
    const double halfChannel = spacingHz_ / 2;

    std::vector<double> frequencies = choice.frequencies;
    if (wholeBand_) {
        const double reach = UsableBandShare * rate / 2 - halfChannel;
        const auto first = static_cast<long long>(std::ceil((centre - reach) / spacingHz_));
        const auto last = static_cast<long long>(std::floor((centre + reach) / spacingHz_));
        for (long long n = first; n <= last; ++n)
            frequencies.push_back(static_cast<double>(n) * spacingHz_);
        if (frequencies.empty())
            Refuse("no channel of " + FrequencyText(spacingHz_) + " fits in the captured band");
    }

    if (!wholeBand_) {
        std::vector<double> sorted = frequencies;
        std::sort(sorted.begin(), sorted.end());
        const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
        if (twice != sorted.end())
            Refuse("the channel " + FrequencyText(*twice) + " is given twice");
    }
    const std::string band =
        FrequencyText(centre - rate / 2) + " to " + FrequencyText(centre + rate / 2);
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        const double hz = frequencies[i];
        const double offset = hz - centre;
        if (std::abs(offset) + halfChannel > rate / 2)
            Refuse("the channel " + FrequencyText(hz) + " lies outside the captured band " + band);
        const double apart = (hz - frequencies.front()) / spacingHz_;
        if (std::abs(apart - std::round(apart)) * spacingHz_ > RasterToleranceHz)
            onRaster_ = false;
        channels_.push_back({i, hz});
        offsetCycles_.push_back(offset / rate);
    }
}

} // namespace channelizer

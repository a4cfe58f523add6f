// Any text as the frequencies of a band plan: "CENTRE,RATE,CHANNEL,...". Each frequency read
// must write back as itself; the plan must be made or refused with a BandPlanError, and a plan
// made must place every channel inside the capture.
#include "band_plan.h"
#include "frequency_text.h"
#include "require.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // The first byte: the spacing (6.25, 12.5, 20 or 25 kHz) and the ppm (-64..63).
    constexpr double Spacings[] = {6250, 12500, 20000, 25000};
    const double spacing = Spacings[data[0] % 4];
    const double ppm = static_cast<double>(data[0] / 4) - 32;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<double> frequencies;
    try {
        frequencies = channelizer::ParseFrequencyList(text);
    } catch (const channelizer::FrequencyError&) {
        return 0;
    }
    for (const double hz : frequencies) {
        Require(hz > 0 && std::isfinite(hz));
        Require(channelizer::ParseFrequency(channelizer::FrequencyText(hz)) == hz);
    }
    if (frequencies.size() < 2)
        return 0;
    const channelizer::Capture capture{frequencies[0], frequencies[1], ppm};
    try {
        const channelizer::BandPlan plan(
            capture, {std::vector<double>(frequencies.begin() + 2, frequencies.end()), spacing});
        Require(!plan.channels().empty());
        for (const channelizer::Channel& c : plan.channels())
            Require(std::abs(plan.offsetCycles(c.index)) <= 0.5);
    } catch (const channelizer::BandPlanError&) {
    }
    return 0;
}

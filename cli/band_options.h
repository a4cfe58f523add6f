// vantrel-decode's options for a radio band's IQ: the capture's format and centre, which
// channels are watched, the receiver's frequency error. The sample rate is --rate, which raw
// sound and a sound card share (program_options).
#pragma once

#include "band_plan.h"
#include "iq_capture.h"
#include "iq_source.h"

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace vantrel::decode {

struct Options;

struct BandOptions {
    std::string iq;            // --iq: u8, s8, s16, f32 or wav; empty: the input is no IQ
    std::string center;        // --center FREQ as given; empty: what the capture says
    std::string channels;      // --channels F1,F2,...; empty: the whole band
    std::string spacing;       // --spacing FREQ; empty: 12.5k
    std::optional<double> ppm; // --ppm N
};

// The name --iq gives an SDR program's WAV; the other names are the raw formats'.
inline constexpr std::string_view IqWavName = "wav";

// --iq, --center, --channels, --spacing and --ppm, in the group "Radio", bound to `band`.
void AddBandOptions(CLI::App& app, BandOptions& band);

inline bool IqGiven(const BandOptions& band) {
    return !band.iq.empty();
}

// What is wrong with the band's options and the others together; nothing when they go
// together. The band's options without a band (--iq or a live radio), and sound's options
// with one, are refused.
std::optional<std::string> BandProblem(const Options& options);

// The capture's layout as the options name it: raw IQ's format and rate, the centre given.
CaptureLayout LayoutOf(const BandOptions& band, int rate);

// The channels the options choose in the band `source` captures, with --ppm. Throws
// channelizer::BandPlanError or channelizer::FrequencyError, each one line.
channelizer::BandPlan PlanFor(const BandOptions& band, const IqSource& source);

} // namespace vantrel::decode

#include "band_options.h"

#include "decode_options.h"
#include "frequency_text.h"

#include <CLI/CLI.hpp>

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace vantrel::decode {

namespace {

constexpr std::string_view Group = "Radio";

std::vector<std::string> IqNames() {
    std::vector<std::string> names;
    names.reserve(channelizer::IqFormats.size() + 1);
    for (const channelizer::IqFormatInfo& format : channelizer::IqFormats)
        names.emplace_back(format.name);
    names.emplace_back(IqWavName);
    return names;
}

// A CLI11 check that `read` takes the text: its one-line refusal, or nothing.
template <typename Read> std::function<std::string(const std::string&)> Readable(Read read) {
    return [read](const std::string& text) {
        try {
            read(text);
            return std::string();
        } catch (const channelizer::FrequencyError& error) {
            return std::string(error.what());
        }
    };
}

// A live radio (--rtl-tcp, --soapy) is a band too: tuned by --center and --rate, read until
// the run is stopped, in place of FILE.
std::optional<std::string> RadioBandProblem(const Options& options) {
    const std::string radio = options.radio.rtlTcp ? "--rtl-tcp" : "--soapy";
    if (IqGiven(options.band))
        return "--iq reads a capture, " + radio + " a live radio: give one of them";
    if (!options.files.empty() || options.recursive)
        return radio + " reads the radio instead of FILE: give one of them";
    if (options.source.raw || !options.source.device.empty())
        return radio + " reads a radio's IQ, --raw and --device sound: give one of them";
    if (options.source.rate == 0 || options.band.center.empty())
        return radio + " needs --rate and --center: the radio is tuned to them";
    if (!options.startTime.empty())
        return "--start-time is for a recording: a live radio's records carry the clock's time";
    return std::nullopt;
}

// A number of parts per million within what a band plan corrects, in words when it is not.
std::function<std::string(const std::string&)> PpmCheck() {
    return [](const std::string& text) {
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        const double limit = channelizer::BandPlan::MaxPpm;
        if (error == std::errc() && end == text.data() + text.size() && value >= -limit &&
            value <= limit)
            return std::string();
        return text + " is not a number from -" + std::to_string(static_cast<int>(limit)) + " to " +
               std::to_string(static_cast<int>(limit));
    };
}

} // namespace

void AddBandOptions(CLI::App& app, BandOptions& band) {
    // --rate is sound's (program_options), and an IQ capture's too: written as frequencies are
    // ("2.4M"), up to what a band plan takes; sound's range is then checked with the other
    // sound options (SoundSourceProblem), an IQ capture's by its plan.
    CLI::Option* rate = app.get_option("--rate");
    rate->get_validator(std::string(tool::AudioRateCheck))->active(false);
    rate->description("Sample rate in Hz of --raw input, an IQ capture or --device (2.4M, 48k)");
    rate->transform(
            [](const std::string& text) {
                try {
                    return std::to_string(std::llround(channelizer::ParseFrequency(text)));
                } catch (const channelizer::FrequencyError&) {
                    return text; // the check after says what is wrong with it
                }
            },
            "")
        ->check(tool::NumberFrom(1, static_cast<int>(channelizer::BandPlan::MaxSampleRate)));

    app.add_option("--iq", band.iq, "FILE is a radio's IQ: raw u8 (rtl_sdr), s8, s16, f32, or wav")
        ->check(tool::OneOf(IqNames()))
        ->option_text("FORMAT")
        ->group(std::string(Group));
    app.add_option("--center", band.center, "The capture's centre frequency: 169.45M, 12.5k or Hz")
        ->check(Readable(channelizer::ParseFrequency))
        ->option_text("FREQ")
        ->group(std::string(Group));
    app.add_option("--channels", band.channels, "The channels to decode (default: the whole band)")
        ->check(Readable(channelizer::ParseFrequencyList))
        ->option_text("F1,F2,...")
        ->group(std::string(Group));
    app.add_option("--spacing", band.spacing, "The raster of the whole band's channels (12.5k)")
        ->check(Readable(channelizer::ParseFrequency))
        ->option_text("FREQ")
        ->group(std::string(Group));
    app.add_option("--ppm", band.ppm, "The receiver's frequency error in parts per million")
        ->check(PpmCheck())
        ->option_text("N")
        ->group(std::string(Group));
}

std::optional<std::string> BandProblem(const Options& options) {
    const BandOptions& band = options.band;
    if (NamesRadio(options.radio))
        return RadioBandProblem(options);
    if (!IqGiven(band)) {
        const std::array<std::pair<std::string_view, bool>, 4> given = {{
            {"--center", !band.center.empty()},
            {"--channels", !band.channels.empty()},
            {"--spacing", !band.spacing.empty()},
            {"--ppm", band.ppm.has_value()},
        }};
        for (const auto& [name, isGiven] : given)
            if (isGiven)
                return std::string(name) + " is for a radio's IQ: add --iq FORMAT (or a radio)";
        return std::nullopt;
    }
    if (options.source.raw)
        return "--raw reads sound, --iq reads IQ: give one of them";
    if (!options.source.device.empty())
        return "--device records a sound card, --iq reads IQ: give one of them";
    if (options.files.size() > 1 || options.recursive)
        return "--iq reads one capture: give one FILE, or - for standard input";
    if (options.save)
        return "--save writes a report beside each recording: with --iq redirect the output";
    const bool wav = band.iq == IqWavName;
    if (!wav && options.source.rate == 0)
        return "--iq " + band.iq + " needs --rate: raw IQ does not say its sample rate";
    if (wav && options.source.rate != 0)
        return "--rate is for raw IQ: a WAV says its own sample rate";
    if (options.follow && options.startTime == "mtime")
        return "--start-time mtime is for a finished capture, not --follow";
    return std::nullopt;
}

CaptureLayout LayoutOf(const BandOptions& band, int rate) {
    CaptureLayout layout;
    layout.raw = channelizer::IqFormatNamed(band.iq);
    layout.sampleRate = rate;
    if (!band.center.empty())
        layout.centreHz = channelizer::ParseFrequency(band.center);
    return layout;
}

channelizer::BandPlan PlanFor(const BandOptions& band, const IqSource& source) {
    channelizer::Capture capture;
    capture.centreHz = source.centerHz().value_or(0);
    capture.sampleRate = source.sampleRate();
    capture.ppm = band.ppm.value_or(0);
    channelizer::ChannelChoice choice;
    if (!band.channels.empty())
        choice.frequencies = channelizer::ParseFrequencyList(band.channels);
    if (!band.spacing.empty())
        choice.spacingHz = channelizer::ParseFrequency(band.spacing);
    return channelizer::BandPlan(capture, choice);
}

} // namespace vantrel::decode

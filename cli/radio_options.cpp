#include "radio_options.h"

#include "rtl_tcp_source.h"
#include "soapy_source.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <stdexcept>

namespace vantrel::decode {

namespace {

constexpr double MaxGainDb = 100;

// The gain in dB, nothing for "auto"; throws std::invalid_argument for anything else.
std::optional<double> GainDb(const std::string& text) {
    if (text == "auto")
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value >= 0) ||
        value > MaxGainDb)
        throw std::invalid_argument("a gain in dB from 0 to 100, or auto");
    return value;
}

// A check for CLI11 from a reader that throws std::invalid_argument: nothing when the value
// reads, else the reader's words.
template <typename Reader> auto Checked(Reader read) {
    return [read](const std::string& value) {
        try {
            read(value);
            return std::string();
        } catch (const std::invalid_argument& error) {
            return std::string(error.what());
        }
    };
}

} // namespace

void AddRadioOptions(CLI::App& app, RadioOptions& radio) {
    app.add_option("--rtl-tcp", radio.rtlTcp,
                   "Decode every channel of an rtl_tcp server live; reconnects")
        ->type_name("HOST:PORT")
        ->check(Checked(ParseRtlTcpAddress))
        ->group("Radio");
    app.add_option("--soapy", radio.soapy,
                   "Decode every channel of a SoapySDR device live (driver=rtlsdr, ...)")
        ->type_name("ARGS")
        ->group("Radio");
    app.add_option("--gain", radio.gain,
                   "Gain in dB of the radio of --rtl-tcp or --soapy; auto is the default")
        ->type_name("DB|auto")
        ->check(Checked(GainDb))
        ->group("Radio");
}

std::optional<std::string> RadioProblem(const RadioOptions& radio) {
    if (radio.rtlTcp && radio.soapy)
        return "--rtl-tcp and --soapy each name the radio: give one of them";
    if (!NamesRadio(radio) && radio.gain != "auto")
        return "--gain is the gain of the radio of --rtl-tcp or --soapy";
    return std::nullopt;
}

std::unique_ptr<IqSource> OpenLiveIqSource(const RadioOptions& radio, double centerHz,
                                           double sampleRate, LiveRadioSettings settings) {
    const RadioTuning tuning{centerHz, sampleRate, GainDb(radio.gain)};
    if (radio.rtlTcp)
        return std::make_unique<RtlTcpSource>(*radio.rtlTcp, tuning, std::move(settings));
    if (radio.soapy)
        return std::make_unique<SoapySource>(*radio.soapy, tuning, std::move(settings));
    return nullptr;
}

} // namespace vantrel::decode

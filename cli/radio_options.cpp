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

} // namespace

void AddRadioOptions(CLI::App& app, RadioOptions& radio) {
    app.add_option("--rtl-tcp", radio.rtlTcp,
                   "Decode the band of an rtl_tcp server live (HOST:PORT, port 1234 if none); "
                   "reconnects")
        ->check([](const std::string& value) {
            try {
                ParseRtlTcpAddress(value);
                return std::string();
            } catch (const std::invalid_argument& error) {
                return std::string(error.what());
            }
        })
        ->group("Radio");
    app.add_option("--soapy", radio.soapy,
                   "Decode the band of a SoapySDR device live (ARGS as driver=rtlsdr); reopens it")
        ->group("Radio");
    app.add_option("--gain", radio.gain,
                   "Receiver gain in dB for --rtl-tcp or --soapy, or auto (the default)")
        ->check([](const std::string& value) {
            try {
                GainDb(value);
                return std::string();
            } catch (const std::invalid_argument& error) {
                return std::string(error.what());
            }
        })
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

// vantrel-decode's live radios: --rtl-tcp HOST:PORT (a server speaking rtl_tcp's protocol),
// --soapy ARGS (a SoapySDR device) and --gain, and the source they open for the band run.
#pragma once

#include "iq_source.h"
#include "live_radio.h"

#include <memory>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace vantrel::decode {

struct RadioOptions {
    std::optional<std::string> rtlTcp; // HOST:PORT
    std::optional<std::string> soapy;  // SoapySDR device arguments; "" the first device found
    std::string gain = "auto";         // dB, or the receiver's automatic gain
};

// --rtl-tcp, --soapy and --gain in the group "Radio", bound to `radio`.
void AddRadioOptions(CLI::App& app, RadioOptions& radio);

// What is wrong with them together; nothing when they go together.
std::optional<std::string> RadioProblem(const RadioOptions& radio);

inline bool NamesRadio(const RadioOptions& radio) {
    return radio.rtlTcp.has_value() || radio.soapy.has_value();
}

// The radio the options name, tuned to `centerHz` and sampling at `sampleRate` (--center and
// --rate), with the gain asked for; nothing when they name none. It connects on its first
// Read. The receiver's frequency error (--ppm) is not sent to it: the band plan corrects it,
// for a live radio as for a capture. Throws FileError when an rtl_tcp host cannot be resolved
// or the tuning is beyond rtl_tcp's numbers.
std::unique_ptr<IqSource> OpenLiveIqSource(const RadioOptions& radio, double centerHz,
                                           double sampleRate, LiveRadioSettings settings);

} // namespace vantrel::decode

// What both live radios (an rtl_tcp server, a SoapySDR device) are told: where to tune, how fast
// to sample, how much gain; and how a run treats a radio it cannot reach.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

namespace vantrel {

struct RadioTuning {
    double centerHz = 0;
    double sampleRate = 0;        // complex samples a second
    std::optional<double> gainDb; // nothing: the receiver's automatic gain
};

struct LiveRadioSettings {
    // A radio that cannot be reached when the run starts is waited for (as --follow waits for a
    // sound card) instead of ending the run; said once. A radio that goes away later is always
    // reconnected.
    bool waitAtStart = false;
    // One line at a time about the radio: waited for, gone away (without a line end).
    std::function<void(std::string_view)> notice;
    // How long a connection may stay silent before it is taken for lost: a cable pulled out
    // of a network far away closes nothing, so silence is the only sign.
    double silenceSeconds = 10;
};

} // namespace vantrel

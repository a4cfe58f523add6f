// The centre frequency SDR programs write into a capture's file name, such as
// "SDRSharp_20240101_120000Z_169450000Hz_IQ.wav", "HDSDR_20240101_120000Z_169450kHz_RF.wav" or
// "01-Jan-2024 120000.000 169.450MHz.wav": a number with its unit (Hz, kHz, MHz, GHz) standing
// apart from the rest of the name.
#pragma once

#include <optional>
#include <string_view>

namespace vantrel {

// The frequency the last part of `path` names, in Hz; nothing when it names none, or names
// different ones (then neither can be trusted).
std::optional<double> CentreInName(std::string_view path);

} // namespace vantrel

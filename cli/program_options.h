// What both programs do with their command lines the same way: help, version and parse
// errors, and the choice of the tone polarity.
#pragma once

#include "demodulator.h"

#include <optional>
#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace vantrel::tool {

// What --invert auto does, for both programs' help.
inline constexpr std::string_view InvertAutoHelp =
    "auto (the default) reads each transmission both ways round and takes the reading whose "
    "content decodes: codewords that pass their check with function and country codes that "
    "exist, printable short data, GPS sentences whose checksum holds; where nothing decides, "
    "the transmissions before do, and with none 1200 Hz is \"1\" and a warning says so. Each "
    "transmission is held back until it ends (at most 4096 bits) while auto decides";

// --invert, bound to `invert`: auto (from what decodes), yes (1800 Hz is "1") or no.
void AddInvertOption(CLI::App& app, std::string& invert, const std::string& help);
demod::Polarity PolarityByName(const std::string& invert);

// Where sound comes from when its content cannot say: raw PCM (--raw --rate R) or a sound card
// (--device NAME, --rate R for its sample rate, 48000 when not given).
struct SoundSource {
    bool raw = false;
    int rate = 0; // 0: not given
    std::string device;
    int DeviceRate() const { return rate != 0 ? rate : 48000; }
};

// --raw, --rate and --device, bound to `source`.
void AddSoundSourceOptions(CLI::App& app, SoundSource& source);
// The name of --rate's check of a sound's rate: a program whose --rate also takes other rates
// (vantrel-decode's IQ) turns it off, and SoundSourceProblem checks a sound's rate instead.
inline constexpr std::string_view AudioRateCheck = "sound rate";
// What is wrong with them together; nothing when they go together.
std::optional<std::string> SoundSourceProblem(const SoundSource& source);

// Parses the command line. Answers --help (the help on standard output) and --version, and
// reports a parse error with `usage`: then returns the exit status; nothing when the program
// goes on. Throws OutputError when standard output fails.
std::optional<int> ParseArguments(CLI::App& app, int argc, char** argv, std::string_view program,
                                  std::string_view usage);

} // namespace vantrel::tool

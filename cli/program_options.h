// What both programs do with their command lines the same way: help, version and parse
// errors, the checks of option values, and the choice of the tone polarity.
#pragma once

#include "demodulator.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
class Validator;
} // namespace CLI

namespace vantrel::tool {

// The groups of --help, in the order it shows them. Every option joins one by its name,
// `->group("Live")`; an option in no group of this list is still shown, after them, and
// tests/cli's help check names it as a fault.
inline constexpr std::array<std::string_view, 6> HelpGroups = {"Input", "Output", "Live",
                                                               "Sound", "Radio",  "Program"};

// --help shows the description, `usage` (the program's own usage lines, CR LF ended), then one
// line per option, group by group as HelpGroups orders them: its names and the value it takes
// (`->option_text("auto|yes|no")`, or `->type_name("N")`) within HelpColumn columns, then its
// help. Every line fits in HelpWidth columns; the details are the manual page's, which the
// last line names.
inline constexpr std::size_t HelpColumn = 27;
inline constexpr std::size_t HelpWidth = 100;
void UseGroupedHelp(CLI::App& app, std::string usage);

// Checks of an option's value whose messages the user reads after the option's name:
// "--jobs: 0 is not a positive number", "--rate: 5 is not from 8000 to 192000",
// "--level: long is not short or debug".
CLI::Validator PositiveNumber();
CLI::Validator NumberFrom(int low, int high);
CLI::Validator OneOf(std::vector<std::string> names);

// The names, `between` apart and `last` before the last: "a, b or c".
std::string Joined(const std::vector<std::string>& names, std::string_view between,
                   std::string_view last);

// --invert's line of help, the same in both programs.
inline constexpr std::string_view InvertHelp =
    "The \"1\" tone: auto (the default, by what decodes), yes 1800, no 1200 Hz";

// --invert, bound to `invert`: auto (from what decodes), yes (1800 Hz is "1") or no.
void AddInvertOption(CLI::App& app, std::string& invert);

// --channel, bound to `channel`: the channel of a sound file, 1 for the first.
void AddChannelOption(CLI::App& app, int& channel);
demod::Polarity PolarityByName(const std::string& invert);

// Where sound comes from when its content cannot say: raw PCM (--raw --rate R) or a sound card
// (--device NAME, --rate R for its sample rate, 48000 when not given).
struct SoundSource {
    bool raw = false;
    int rate = 0; // 0: not given
    std::string device;
    int DeviceRate() const { return rate != 0 ? rate : 48000; }
};

// --raw and --rate (group Sound) and --device (group Live), bound to `source`.
void AddSoundSourceOptions(CLI::App& app, SoundSource& source);
// The name of --rate's check of a sound's rate: a program whose --rate also takes other rates
// (vantrel-decode's IQ) turns it off, and SoundSourceProblem checks a sound's rate instead.
inline constexpr std::string_view AudioRateCheck = "sound rate";
// What is wrong with them together; nothing when they go together.
std::optional<std::string> SoundSourceProblem(const SoundSource& source);

// --help and --version, in group Program; `version` is what --version prints.
void AddProgramOptions(CLI::App& app, const std::string& version);

// Parses the command line. Answers --help (the help on standard output) and --version, and
// reports a parse error in one line, naming the option the user gave, and the usage: then
// returns the exit status; nothing when the program goes on. Throws OutputError when standard
// output fails.
std::optional<int> ParseArguments(CLI::App& app, int argc, char** argv, std::string_view program,
                                  std::string_view usage);

// The message of a parse error in the program's words ("--level needs a value: short|debug"
// for CLI11's "--level: 1 required TEXT missing"); CLI11's own where it is plain already.
std::string ParseProblem(const CLI::App& app, const std::string& cli11Message);

} // namespace vantrel::tool

// vantrel-demod: turns a radio recording (a sound file, or raw PCM live from a sound card)
// into the bit text that vantrel-decode and the window read.
//
// Standard output carries the bit text: lines of "0"/"1" ended by CR LF, the last line of a
// transmission completed when the transmission ends and followed by its mark line
// (input/transmission_marks), after a first header line that names the clock start when one is
// known (--start-time, a sound card's clock); marks hold no "0" or "1", so a plain bit reader
// reads the same bits. From a sound card, standard input or a pipe each line is written and
// flushed as soon as it is complete; a sound file with the automatic polarity is demodulated
// whole first, so that the polarity is the one the whole recording weighs for. Problems go to
// standard error, one line each, in the words and with the exit status of vantrel-decode: 0 done, 1
// the input could not be read or ended early (what was there is still written), 2 the command line
// was wrong.
#include "bit_lines.h"
#include "demod_input.h"
#include "demodulate_sound.h"
#include "file_error.h"
#include "program_options.h"
#include "recording.h"
#include "sound_card.h"
#include "start_time.h"
#include "tool_output.h"
#include "transmission_marks.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace {

using vantrel::FileError;
using vantrel::tool::ExitFileError;
using vantrel::tool::OutputError;
using vantrel::tool::WriteErr;
namespace tool = vantrel::tool;

constexpr std::string_view ToolName = "vantrel-demod";
constexpr std::string_view Usage =
    "Usage: vantrel-demod [--raw --rate R] [--channel N] [--invert auto|yes|no]\r\n"
    "                     [--start-time TIME] [AUDIO|-]\r\n"
    "       vantrel-demod --device NAME [--rate R] [--invert auto|yes|no]\r\n";

struct Options {
    std::string input = "-";
    tool::SoundSource source;
    int channel = 1;
    std::string invert = "auto";
    std::string startTime; // ISO 8601, for the header line
};

// Each piece goes out at once: a live pipe shows every line as soon as it is complete.
void WriteOut(std::string_view text) {
    tool::WriteOut(text);
    tool::FlushOut();
}

void ReportProblem(std::string_view path, std::string_view description) {
    WriteErr(tool::ProblemLine(ToolName, path, description));
}

int UsageError(std::string_view message) {
    return tool::UsageError(ToolName, message, Usage);
}

// Set by SIGINT and SIGTERM while a sound card is recorded: the transmission on the air is
// finished and the program ends.
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int /*signal*/) {
    stopRequested = 1;
}

// The marked text of one recording, whatever it comes from: the header goes out with the first
// bits (silence writes nothing at all) and names the clock start when one is known; each
// transmission's lines, then its mark; the polarity warning once.
class MarkedText {
public:
    // `startTime` is asked once, when the first bits go out: a sound card knows its clock only
    // once it has given sound.
    MarkedText(std::string name, std::function<std::string()> startTime)
        : name_(std::move(name)), startTime_(std::move(startTime)),
          lines_([this](std::string_view line) {
              if (!headed_)
                  WriteOut(vantrel::MarksHeaderLine(startTime_()) + "\r\n");
              headed_ = true;
              WriteOut(line);
          }) {}
    MarkedText(const MarkedText&) = delete;
    MarkedText& operator=(const MarkedText&) = delete;

    void Bits(std::string_view bits) { lines_.Add(bits); }

    void TransmissionEnded(const vantrel::HeardTransmission& heard) {
        lines_.EndTransmission();
        if (heard.polarityGuessed && !guessed_)
            ReportProblem(name_, vantrel::PolarityGuessedWarning);
        guessed_ = guessed_ || heard.polarityGuessed;
        if (heard.bitCount == 0)
            return; // nothing of it was written
        WriteOut(vantrel::TransmissionMarkLine({heard.startSeconds, heard.endSeconds,
                                                heard.levelDbfs, heard.ebN0Db, heard.inverted}) +
                 "\r\n");
    }

    vantrel::DemodulationEvents Events() {
        return {[this](std::string_view bits) { Bits(bits); },
                [this](const vantrel::HeardTransmission& heard) { TransmissionEnded(heard); }};
    }

private:
    std::string name_;
    std::function<std::string()> startTime_;
    bool headed_ = false;
    bool guessed_ = false;
    vantrel::BitLines lines_;
};

// A sound card until the user stops the run; its lines as each is complete, the clock start
// the time of its first sample, the polarity decided on what was heard so far.
void RecordDevice(const tool::SoundSource& source, demod::Polarity polarity) {
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    vantrel::SoundCard card(source.device, source.DeviceRate());
    MarkedText text(source.device, [&card] {
        const auto start = card.clockStart();
        if (!start)
            return std::string();
        return vantrel::IsoTime(
            std::chrono::duration_cast<std::chrono::milliseconds>(start->time_since_epoch())
                .count());
    });
    vantrel::Demodulate(card, vantrel::SignallingReading(polarity), text.Events(), &stopRequested);
}

// A recording read whole before a line goes out: the automatic polarity is then the one the
// whole recording weighs for, as vantrel-decode reads it. Standard input, which may be live,
// and a named pipe are read as they come instead.
bool ReadWhole(const Options& options, demod::Polarity polarity) {
    std::error_code error;
    return polarity == demod::Polarity::Auto && options.input != "-" &&
           std::filesystem::is_regular_file(options.input, error);
}

int Run(const Options& options) {
    vantrel::AudioOptions audioOptions;
    audioOptions.channel = options.channel;
    audioOptions.rawSampleRate = options.source.raw ? options.source.rate : 0;
    audioOptions.polarity = tool::PolarityByName(options.invert);
    try {
        if (!options.source.device.empty()) {
            RecordDevice(options.source, audioOptions.polarity);
            return 0;
        }
        vantrel::AudioFile audio = vantrel::OpenDemodInput(options.input, audioOptions);
        MarkedText text(audio.name(), [&options] { return options.startTime; });
        const vantrel::ToneReading reading = vantrel::SignallingReading(audioOptions.polarity);
        if (ReadWhole(options, audioOptions.polarity)) {
            const vantrel::DemodulatedSound sound = vantrel::DemodulateWhole(audio, reading);
            const std::string_view bits = sound.Bits;
            for (const vantrel::HeardTransmission& heard : sound.Transmissions.transmissions()) {
                text.Bits(bits.substr(heard.firstBit, heard.bitCount));
                text.TransmissionEnded(heard);
            }
        } else {
            vantrel::Demodulate(audio, reading, text.Events());
        }
        if (audio.endedEarly()) {
            ReportProblem(audio.name(), "the file ended early; what it held was demodulated");
            return ExitFileError;
        }
        return 0;
    } catch (const OutputError& error) {
        // A reader that went away (the end of a pipe closed) wants nothing more, not even a
        // message; any other failure to write is reported.
        if (error.error != EPIPE)
            ReportProblem(error.path(), error.description());
        return ExitFileError;
    } catch (const FileError& error) {
        ReportProblem(error.path(), error.description());
        return ExitFileError;
    }
}

int Main(int argc, char** argv) {
    Options options;
    CLI::App app{"Demodulates FFSK 1200 bit/s signalling from sound into the bit text "
                 "vantrel-decode reads.",
                 std::string(ToolName)};
    // One line of help per option, in the groups of tool::HelpGroups (see cli/decode_options).
    app.add_option("AUDIO", options.input,
                   "WAV, FLAC, Ogg or AIFF, compressed too; - (the default) reads stdin")
        ->group("Input");
    tool::AddSoundSourceOptions(app, options.source);
    tool::AddChannelOption(app, options.channel);
    tool::AddInvertOption(app, options.invert);
    app.add_option("--start-time", options.startTime,
                   "When the sound began: ISO 8601 (local time without a zone)")
        ->check([](const std::string& value) { return vantrel::IsoTimeProblem(value); })
        ->option_text("TIME")
        ->group("Sound");
    tool::AddProgramOptions(app, std::string(ToolName) + " " + VANTREL_VERSION);
    tool::UseGroupedHelp(app, std::string(Usage));

    try {
        if (const std::optional<int> answered =
                tool::ParseArguments(app, argc, argv, ToolName, Usage))
            return *answered;
    } catch (const OutputError&) {
        return ExitFileError;
    }
    if (const std::optional<std::string> problem = tool::SoundSourceProblem(options.source))
        return UsageError(*problem);
    if (!options.source.device.empty() && options.input != "-")
        return UsageError("--device records the sound card instead of AUDIO: give one of them");
    if (!options.source.device.empty() && !options.startTime.empty())
        return UsageError("--start-time is for a recording: --device writes the clock time of "
                          "its first sample");
    if (options.source.raw && options.channel != 1)
        return UsageError("--channel is for sound files: raw input is read as one channel");
    // The first line carries a time every reader takes alike: one without a zone is local time
    // here and now, written in UTC.
    if (!options.startTime.empty())
        options.startTime = vantrel::ZonedIsoTime(options.startTime).value_or(options.startTime);
    return Run(options);
}

} // namespace

int main(int argc, char** argv) {
    // A closed pipe shows up as a failed write, so that the tool can stop in order.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return Main(argc, argv);
    } catch (const std::exception& error) {
        // Nothing expected ends up here; still a message rather than an abort.
        WriteErr(tool::ProgramLine(ToolName, error.what()));
        return ExitFileError;
    }
}

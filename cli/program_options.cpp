#include "program_options.h"

#include "audio_file.h"
#include "tool_output.h"

#include <CLI/CLI.hpp>

namespace vantrel::tool {

void AddInvertOption(CLI::App& app, std::string& invert, const std::string& help) {
    app.add_option("--invert", invert, help)->check(CLI::IsMember({"auto", "yes", "no"}));
}

demod::Polarity PolarityByName(const std::string& invert) {
    if (invert == "yes")
        return demod::Polarity::Inverted;
    if (invert == "no")
        return demod::Polarity::Normal;
    return demod::Polarity::Auto;
}

void AddSoundSourceOptions(CLI::App& app, SoundSource& source) {
    app.add_flag("--raw", source.raw,
                 "Read raw signed 16-bit little-endian mono PCM (needs --rate), as "
                 "\"arecord -f S16_LE -t raw\" or \"parec --format=s16le --channels=1\" write it");
    app.add_option("--rate", source.rate,
                   "Sample rate in Hz of raw input, or of the sound card with --device "
                   "(48000 when not given)")
        ->check(
            CLI::Range(MinAudioSampleRate, MaxAudioSampleRate).name(std::string(AudioRateCheck)));
    app.add_option("--device", source.device,
                   "Record a live sound card through PulseAudio or PipeWire instead of reading a "
                   "file: a source name as \"pactl list short sources\" shows it (a sink's "
                   "\".monitor\" records what it plays); runs until Ctrl-C or SIGTERM");
}

std::optional<std::string> SoundSourceProblem(const SoundSource& source) {
    // What the argument parser says when its AudioRateCheck is on, for a run that turns it off.
    if (source.rate != 0) {
        std::string rate = std::to_string(source.rate);
        const std::string refusal = CLI::Range(MinAudioSampleRate, MaxAudioSampleRate)(rate);
        if (!refusal.empty())
            return "--rate: " + refusal;
    }
    if (source.raw && !source.device.empty())
        return "--device records the sound card itself: no --raw";
    if (source.raw && source.rate == 0)
        return "--raw needs --rate: raw PCM does not say its sample rate";
    if (!source.raw && source.device.empty() && source.rate != 0)
        return "--rate is for --raw input or --device: a sound file says its own sample rate";
    return std::nullopt;
}

std::optional<int> ParseArguments(CLI::App& app, int argc, char** argv, std::string_view program,
                                  std::string_view usage) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        WriteOut(WithCrLf(app.help()));
        FlushOut();
        return 0;
    } catch (const CLI::CallForVersion& version) {
        WriteOut(version.what());
        WriteOut(LineEnd);
        FlushOut();
        return 0;
    } catch (const CLI::ParseError& error) {
        return UsageError(program, WithCrLf(error.what()), usage);
    }
    return std::nullopt;
}

} // namespace vantrel::tool

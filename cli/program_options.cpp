#include "program_options.h"

#include "audio_file.h"
#include "tool_output.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <sstream>

namespace vantrel::tool {

namespace {

// The layout of --help: the program's own usage lines where CLI11 has one generic line, and
// the options group by group in the order of HelpGroups, positionals among them, one line each.
class GroupedHelp : public CLI::Formatter {
public:
    explicit GroupedHelp(std::string usage) : usage_(std::move(usage)) { column_width(HelpColumn); }

    std::string make_help(const CLI::App* app, std::string /*name*/,
                          CLI::AppFormatMode /*mode*/) const override {
        return make_description(app) + usage_ + Groups(app) + "\n" + make_footer(app);
    }

    // A positional that takes many is "FILE...".
    std::string make_option_name(const CLI::Option* option, bool positional) const override {
        if (!positional)
            return Formatter::make_option_name(option, positional);
        return option->get_name(true, false) +
               (option->get_expected_max() > 1 ? std::string("...") : std::string());
    }

    // The value an option takes: its option_text, else its type name without what CLI11 adds
    // of its checks ("N", not "N:POSITIVE").
    std::string make_option_opts(const CLI::Option* option) const override {
        if (option->get_positional())
            return {};
        if (!option->get_option_text().empty())
            return " " + option->get_option_text();
        if (option->get_type_size() == 0)
            return {};
        const std::string type = option->get_type_name();
        return " " + type.substr(0, type.find(':'));
    }

    std::string make_footer(const CLI::App* app) const override {
        return "The manual page says more: man " + app->get_name() + "\n";
    }

private:
    // Every group of HelpGroups that has options, in its order, then any other; positionals
    // among the options of their group.
    std::string Groups(const CLI::App* app) const {
        std::vector<std::string> groups(HelpGroups.begin(), HelpGroups.end());
        for (const std::string& group : app->get_groups())
            if (std::find(groups.begin(), groups.end(), group) == groups.end())
                groups.push_back(group);
        std::string text;
        for (const std::string& group : groups) {
            const std::vector<const CLI::Option*> options = app->get_options(
                [&group](const CLI::Option* option) { return option->get_group() == group; });
            if (options.empty())
                continue;
            text += "\n" + group + ":\n";
            for (const CLI::Option* option : options)
                text += make_option(option, option->get_positional());
        }
        return text;
    }

    std::string usage_;
};

// The whole of `text` as a decimal number the options take (an int).
std::optional<int> WholeNumber(std::string_view text, bool& tooLarge) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    tooLarge = error == std::errc::result_out_of_range;
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::string Joined(const std::vector<std::string>& names, std::string_view between,
                   std::string_view last) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? last : between;
        text += names[i];
    }
    return text;
}

void UseGroupedHelp(CLI::App& app, std::string usage) {
    app.formatter(std::make_shared<GroupedHelp>(std::move(usage)));
}

CLI::Validator PositiveNumber() {
    return CLI::Validator(
        [](const std::string& text) {
            bool tooLarge = false;
            const std::optional<int> value = WholeNumber(text, tooLarge);
            if (tooLarge)
                return text + " is too large";
            return value && *value > 0 ? std::string() : text + " is not a positive number";
        },
        "POSITIVE", "positive");
}

CLI::Validator NumberFrom(int low, int high) {
    return CLI::Validator(
        [low, high](const std::string& text) {
            bool tooLarge = false;
            const std::optional<int> value = WholeNumber(text, tooLarge);
            return value && *value >= low && *value <= high
                       ? std::string()
                       : text + " is not from " + std::to_string(low) + " to " +
                             std::to_string(high);
        },
        "RANGE", "range");
}

CLI::Validator OneOf(std::vector<std::string> names) {
    return CLI::Validator(
        [names = std::move(names)](const std::string& text) {
            return std::find(names.begin(), names.end(), text) != names.end()
                       ? std::string()
                       : text + " is not " + Joined(names, ", ", " or ");
        },
        "ONE OF", "one of");
}

void AddInvertOption(CLI::App& app, std::string& invert) {
    app.add_option("--invert", invert, std::string(InvertHelp))
        ->check(OneOf({"auto", "yes", "no"}))
        ->option_text("auto|yes|no")
        ->group("Sound");
}

void AddChannelOption(CLI::App& app, int& channel) {
    app.add_option("--channel", channel,
                   "Channel of a sound file to demodulate, 1 for the first (the default)")
        ->check(PositiveNumber())
        ->option_text("N")
        ->group("Sound");
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
                 "The sound is raw 16-bit little-endian mono PCM (needs --rate)")
        ->group("Sound");
    app.add_option("--rate", source.rate,
                   "Sample rate in Hz of --raw input, or of --device (48000 by default)")
        ->check(
            NumberFrom(MinAudioSampleRate, MaxAudioSampleRate).name(std::string(AudioRateCheck)))
        ->option_text("R")
        ->group("Sound");
    app.add_option("--device", source.device,
                   "Record a sound card through PulseAudio or PipeWire, until Ctrl-C")
        ->option_text("NAME")
        ->group("Live");
}

std::optional<std::string> SoundSourceProblem(const SoundSource& source) {
    // What the argument parser says when its AudioRateCheck is on, for a run that turns it off.
    if (source.rate != 0) {
        std::string rate = std::to_string(source.rate);
        const std::string refusal = NumberFrom(MinAudioSampleRate, MaxAudioSampleRate)(rate);
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

void AddProgramOptions(CLI::App& app, const std::string& version) {
    app.set_help_flag("-h,--help", "Print this help and exit")->group("Program");
    app.set_version_flag("-V,--version", version, "Print the version and exit")->group("Program");
}

std::string ParseProblem(const CLI::App& app, const std::string& cli11Message) {
    // "--level: 1 required TEXT:{short,debug} missing": a value was not given.
    constexpr std::string_view Required = " required ";
    if (const std::size_t colon = cli11Message.find(": ");
        colon != std::string::npos && cli11Message.ends_with(" missing") &&
        cli11Message.find(Required, colon) != std::string::npos) {
        const std::string name = cli11Message.substr(0, colon);
        const CLI::Option* option = app.get_option_no_throw(name);
        const std::string value = option != nullptr ? option->get_option_text() : std::string();
        return name + " needs a value" + (value.empty() ? "" : ": " + value);
    }
    // "The following arguments were not expected: c b": unknown options, or arguments beyond
    // those the program takes, the last given first.
    for (const std::string_view extra : {"The following argument was not expected: ",
                                         "The following arguments were not expected: "}) {
        if (!cli11Message.starts_with(extra))
            continue;
        std::vector<std::string> arguments;
        std::istringstream words(cli11Message.substr(extra.size()));
        for (std::string word; words >> word;)
            arguments.insert(arguments.begin(), word);
        for (const std::string& argument : arguments)
            if (argument.starts_with("-"))
                return argument + ": no such option";
        return Joined(arguments, " ", " ") +
               (arguments.size() == 1 ? ": one argument too many" : ": arguments too many");
    }
    return cli11Message;
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
        return UsageError(program, ParseProblem(app, error.what()), usage);
    }
    return std::nullopt;
}

} // namespace vantrel::tool

#include "program_options.h"

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

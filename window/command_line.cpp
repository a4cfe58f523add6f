#include "command_line.h"

#include <QCommandLineParser>

namespace vantrel {

namespace {

const QCommandLineOption HelpOption({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Print this help and exit"));
const QCommandLineOption VersionOption({QStringLiteral("V"), QStringLiteral("version")},
                                       QStringLiteral("Print the version and exit"));

} // namespace

WindowCommandLine ReadWindowCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOption(HelpOption);
    parser.addOption(VersionOption);
    const bool understood = parser.parse(arguments);

    WindowCommandLine line;
    if (parser.isSet(HelpOption)) {
        line.action = WindowCommandLine::Action::PrintHelp;
    } else if (parser.isSet(VersionOption)) {
        line.action = WindowCommandLine::Action::PrintVersion;
    } else if (!understood) {
        line.action = WindowCommandLine::Action::Fail;
        line.error = parser.errorText();
    } else if (parser.positionalArguments().size() > 1) {
        line.action = WindowCommandLine::Action::Fail;
        line.error =
            QStringLiteral("one file at most, not %1").arg(parser.positionalArguments().size());
    } else if (parser.positionalArguments().size() == 1) {
        line.file = parser.positionalArguments().first();
    }
    return line;
}

QString WindowUsageText() {
    return QStringLiteral("Usage: vantrel [FILE]\nRun with --help for more information.\n");
}

// Laid out as the help of vantrel-decode and vantrel-demod: what it does, the usage, the
// options by group, and the manual page.
QString WindowHelpText() {
    return QStringLiteral(
        "Opens the decoder window; with FILE, in its folder, the file selected and decoded.\n"
        "Usage: vantrel [FILE]\n"
        "\n"
        "Program:\n"
        "  -h,--help                Print this help and exit\n"
        "  -V,--version             Print the version and exit\n"
        "\n"
        "The manual page says more: man vantrel\n");
}

QString WindowVersionText() {
    return QStringLiteral("vantrel " VANTREL_VERSION "\nLicense GPL-3.0-or-later\n");
}

} // namespace vantrel

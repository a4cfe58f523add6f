// The command line of the window program: `vantrel [FILE]`, `--help`, `--version`.
#pragma once

#include <QString>
#include <QStringList>

namespace vantrel {

struct WindowCommandLine {
    enum class Action { OpenWindow, PrintHelp, PrintVersion, Fail };
    Action action = Action::OpenWindow;
    // The file to open and decode; empty when none was given.
    QString file;
    // Why the command line was refused (Fail).
    QString error;
};

// Reads `arguments`, the program's name first. Help and version win over everything else
// that is given, so that they are answered before any window (and any display) is needed.
WindowCommandLine ReadWindowCommandLine(const QStringList& arguments);

// What the program does, "Usage: vantrel [FILE]" and its options: --help.
QString WindowHelpText();

// "Usage: vantrel [FILE]" and the hint at --help, after a refused command line, as the other
// programs write them.
QString WindowUsageText();

// "vantrel VERSION" and the licence, one line each.
QString WindowVersionText();

} // namespace vantrel

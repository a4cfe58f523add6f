// The program `vantrel`: opens the decoder window; closing it ends the program.
#include "command_line.h"
#include "frmVantrel.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt aborts with a toolkit message when it finds no display; say it in one line instead. A
// platform chosen explicitly (offscreen, for instance) needs no display.
bool HasDisplay(int argc, char** argv) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
#else
    (void)argc;
    (void)argv;
    return true;
#endif
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char** argv) {
    // Help and version need no window, and so no display. The toolkit's own options
    // (-platform and the like) are not known yet here; they are taken out further down.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    using Action = vantrel::WindowCommandLine::Action;
    const vantrel::WindowCommandLine early = vantrel::ReadWindowCommandLine(arguments);
    if (early.action == Action::PrintHelp) {
        Print(stdout, vantrel::WindowHelpText());
        return EXIT_SUCCESS;
    }
    if (early.action == Action::PrintVersion) {
        Print(stdout, vantrel::WindowVersionText());
        return EXIT_SUCCESS;
    }

    if (!HasDisplay(argc, argv)) {
        std::fputs("vantrel: no display to open the window on (DISPLAY and WAYLAND_DISPLAY "
                   "are not set)\n",
                   stderr);
        return EXIT_FAILURE;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    QApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vantrel"));

    const vantrel::WindowCommandLine line =
        vantrel::ReadWindowCommandLine(QApplication::arguments());
    if (line.action == Action::Fail) {
        Print(stderr, QStringLiteral("vantrel: %1\n").arg(line.error) + vantrel::WindowUsageText());
        return 2;
    }

    vantrel::MountedVolumes volumes;
    frmVantrel window;
    window.ListDrives = [&volumes] { return volumes.roots(); };
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    if (!line.file.isEmpty())
        window.OpenFile(line.file);
    return QApplication::exec();
}

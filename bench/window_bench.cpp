// The window on a large recording, taken step by step as a user takes it: a file opened at a
// level (what a double-click does), the level buttons, the save button. For each step it
// prints the wall and processor time the step took until the report box was painted, the
// process's peak and present resident memory, and what the report box holds. The window
// program's own code runs: only the clicks come from here.
//
// Usage: window-bench FILE STEP...   STEP: open-short, open-debug, short, debug, save
// The platform is Qt's (QT_QPA_PLATFORM, or the display); bench/window runs it under Xvfb.
#include "frmVantrel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// Lets the window finish what a step started (its paint included).
void Settle(frmVantrel& window) {
    QCoreApplication::processEvents();
    window.txtInfo->viewport()->repaint();
    QCoreApplication::processEvents();
}

void Print(const char* step, double wall, double cpu, const frmVantrel& window) {
    const qint64 characters = window.txtInfo->document()->characterCount();
    std::printf("%-11s wall_s %7.3f  cpu_s %7.3f  peak_MB %7.1f  rss_MB %7.1f  box_chars %10lld"
                "  box_text_MB %7.1f  status \"%s\"\n",
                step, wall, cpu, PeakMegabytes(), ResidentMegabytes(),
                static_cast<long long>(characters), static_cast<double>(characters) * 2 / 1e6,
                qPrintable(window.lblStatus->text()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    double cpu = CpuSeconds();
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 3) {
        std::fputs("usage: window-bench FILE STEP...  (open-short, open-debug, short, debug, "
                   "save)\n",
                   stderr);
        return 2;
    }
    const QFileInfo file(arguments[1]);
    frmVantrel window(QStringList{file.absolutePath()});
    bool failed = false;
    window.ShowFileError = [&failed](const QString& message) {
        std::fprintf(stderr, "window-bench: the window says: %s\n", qPrintable(message));
        failed = true;
    };
    window.show();
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
        if (clock.elapsed() > 10000) {
            std::fputs("window-bench: the window was never shown\n", stderr);
            return 1;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    Settle(window);
    Print("start", static_cast<double>(clock.elapsed()) / 1e3, CpuSeconds() - cpu, window);

    for (qsizetype i = 2; i < arguments.size(); ++i) {
        const QString& step = arguments[i];
        clock.restart();
        cpu = CpuSeconds();
        if (step == QLatin1String("open-short") || step == QLatin1String("open-debug")) {
            (step.endsWith(QLatin1String("short")) ? window.Option1 : window.Option2)
                ->setChecked(true);
            window.OpenFile(file.absoluteFilePath());
        } else if (step == QLatin1String("short")) {
            window.Option1->click();
        } else if (step == QLatin1String("debug")) {
            window.Option2->click();
        } else if (step == QLatin1String("save")) {
            window.cmdSave->click();
        } else {
            std::fprintf(stderr, "window-bench: unknown step %s\n", qPrintable(step));
            return 2;
        }
        Settle(window);
        Print(qPrintable(step), static_cast<double>(clock.elapsed()) / 1e3, CpuSeconds() - cpu,
              window);
    }
    return failed ? 1 : 0;
}

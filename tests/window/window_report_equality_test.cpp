// The window's report against the ones it must equal, at both levels, as shown and as saved:
// vantrel-decode's (the streaming pipeline run over the same file) and, for plain bit texts,
// the whole-string decode's (what the window showed before it took the pipeline). On the
// samples, the bench's stream kinds in several line shapes, and a text with vantrel-demod's
// marks, which only the pipeline reads as marks.
#include "window_test_support.h"

#include "recording.h"
#include "run.h"
#include "stream_maker.h"
#include "transmission_marks.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace window_test;
using vantrel::ReportLevel;

namespace {

// vantrel-decode's report of the file at `path`, as it writes it to standard output.
std::string PipelineReportOf(const std::string& path, ReportLevel level) {
    const vantrel::Recording recording =
        vantrel::OpenRecording(path, demod::Polarity::Auto, vantrel::SpoolMemoryLimit);
    vantrel::OutputChoice choice;
    choice.level = level;
    std::string report;
    vantrel::OutputTarget target;
    target.write = [&report](std::string_view piece) { report.append(piece); };
    vantrel::RunWhole(recording, path, choice, {}, target, nullptr);
    return report;
}

std::string Generated(streams::Kind kind, std::size_t bits, std::size_t width,
                      std::string_view lineEnd) {
    streams::Options options;
    options.kind = kind;
    options.bits = bits;
    options.pairs = 4;
    return encoder::Wrap(streams::GenerateBits(options), width, lineEnd);
}

std::string Sample(const char* name) {
    std::ifstream in(std::filesystem::path(VANTREL_SAMPLES) / name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Two calls heard as two transmissions: the marks end the first call's log where its
// transmission ended.
std::string MarkedText() {
    encoder::Header second;
    second.from = 0x333;
    second.to = 0x444;
    vantrel::TransmissionMark mark;
    std::string text = vantrel::MarksHeaderLine() + "\r\n";
    text += encoder::Wrap(std::string(40, '0') + encoder::CallBlock({}) + "0101", 64);
    mark.startSeconds = 0.5;
    mark.endSeconds = 0.9;
    text += vantrel::TransmissionMarkLine(mark) + "\r\n";
    text += encoder::Wrap(encoder::CallBlock(second) + std::string(300, '1'), 64);
    mark.startSeconds = 2.0;
    mark.endSeconds = 2.6;
    return text + vantrel::TransmissionMarkLine(mark) + "\r\n";
}

// Where two reports part, for the failure message: comparing megabytes prints nothing useful.
QByteArray FirstDifference(const QByteArray& got, const QByteArray& expected) {
    qsizetype at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at])
        ++at;
    return "first difference at byte " + QByteArray::number(at) + " of " +
           QByteArray::number(got.size()) + " (expected " + QByteArray::number(expected.size()) +
           "): got \"" + got.mid(at, 40).toPercentEncoding(" \"") + "\", expected \"" +
           expected.mid(at, 40).toPercentEncoding(" \"") + "\"";
}

} // namespace

class WindowReportEqualityTest : public QObject {
    Q_OBJECT

private slots:
    void reportsAreVantrelDecodes_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("plain"); // a plain bit text: the whole-string decode applies
        for (const char* name : {"damaged.txt", "extended-call.txt", "gps-positions.txt",
                                 "status-messages.txt", "text-message.txt", "two-calls.txt"})
            QTest::newRow(name) << QByteArray::fromStdString(Sample(name)) << true;
        const auto generated = [](const char* name, streams::Kind kind, std::size_t bits,
                                  std::size_t width, std::string_view lineEnd) {
            QTest::newRow(name) << QByteArray::fromStdString(Generated(kind, bits, width, lineEnd))
                                << true;
        };
        using streams::Kind;
        generated("realistic, LF", Kind::Realistic, 150'000, 64, "\n");
        generated("dense, CR LF, over a megabyte", Kind::Dense, 1'500'000, 64, "\r\n");
        generated("fec-only, 80 columns", Kind::FecOnly, 150'000, 80, "\r\n");
        generated("packed, CR", Kind::Packed, 150'000, 64, "\r");
        generated("long-noise", Kind::LongNoise, 150'000, 64, "\r\n");
        generated("undecodable", Kind::Undecodable, 50'000, 64, "\r\n");
        QTest::newRow("marked by vantrel-demod")
            << QByteArray::fromStdString(MarkedText()) << false;
    }

    void reportsAreVantrelDecodes() {
        QFETCH(QByteArray, content);
        QFETCH(bool, plain);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("recording.txt"));
        const QString saved = folder.filePath(QStringLiteral("recording-decoded.txt"));
        WriteFile(path, content.toStdString());
        frmVantrel window(QStringList{folder.path()});
        window.ShowFileError = [](const QString& message) { QFAIL(qPrintable(message)); };

        for (const ReportLevel level : {ReportLevel::Short, ReportLevel::Debug}) {
            const std::string expected = PipelineReportOf(path.toStdString(), level);
            if (plain)
                QVERIFY(expected == ReportOf(content.toStdString(), level));
            else if (level == ReportLevel::Debug) // the marks end the first call's log
                QVERIFY(expected != ReportOf(content.toStdString(), level));

            (level == ReportLevel::Short ? window.Option1 : window.Option2)->setChecked(true);
            window.OpenFile(path);
            const QString shown = window.txtInfo->toPlainText();
            const QString shownExpected = AsShown(expected);
            QVERIFY2(shown == shownExpected,
                     FirstDifference(shown.toLatin1(), shownExpected.toLatin1()));

            window.cmdSave->click();
            const QByteArray file = ReadFile(saved);
            const QByteArray fileExpected = QByteArray::fromStdString(expected + "\r\n");
            QVERIFY2(file == fileExpected, FirstDifference(file, fileExpected));
        }
    }
};

QTEST_MAIN(WindowReportEqualityTest)
#include "window_report_equality_test.moc"

// A 20 MB recording decodes and shows at both levels. The times it takes are printed for the
// performance table; the speed itself is measured by the benchmarks, not judged here.
#include "window_test_support.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <random>

using namespace window_test;

namespace {

// About 20 MB as a demodulator writes it: random noise with a call every ~2,000 bits, in
// lines of 80 characters.
std::string LargeRecording(std::size_t bits, std::size_t spacing) {
    std::mt19937 random(7);
    const std::string block = encoder::CallBlock({});
    std::string stream;
    stream.reserve(bits + block.size());
    while (stream.size() < bits) {
        for (std::size_t i = 0; i < spacing; ++i)
            stream += (random() & 1U) != 0 ? '1' : '0';
        stream += block;
    }
    return encoder::Wrap(stream, 80);
}

} // namespace

class WindowLargeFileTest : public QObject {
    Q_OBJECT

private slots:
    void largeRecordingDecodesAndShowsQuickly_data() {
        QTest::addColumn<int>("spacing");
        QTest::newRow("a call every 2000 bits") << 2000;
        QTest::newRow("calls back to back") << 0;
    }

    void largeRecordingDecodesAndShowsQuickly() {
        QFETCH(int, spacing);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string recording = LargeRecording(19'500'000, static_cast<std::size_t>(spacing));
        WriteFile(folder.filePath(QStringLiteral("large.txt")), recording);
        QVERIFY(QDir::setCurrent(folder.path()));

        frmVantrel window(QStringList{folder.path()});
        window.ShowFileError = [](const QString& message) { QFAIL(qPrintable(message)); };
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QElapsedTimer clock;
        clock.start();
        DoubleClickFile(window, QStringLiteral("large.txt"));
        const qint64 decodeMs = clock.elapsed();
        QCOMPARE(window.lblStatus->text(), QStringLiteral("large.txt decoded."));
        const qsizetype shortLength = window.txtInfo->toPlainText().size();

        clock.restart();
        QTest::mouseClick(window.Option2, Qt::LeftButton);
        const qint64 debugMs = clock.elapsed();
        const qsizetype debugLength = window.txtInfo->toPlainText().size();

        qInfo("%.1f MB file: decode and short report %lld ms (%lld characters shown), "
              "debug report %lld ms (%lld characters shown)",
              static_cast<double>(recording.size()) / 1e6, decodeMs,
              static_cast<long long>(shortLength), debugMs, static_cast<long long>(debugLength));
        QVERIFY(recording.size() >= 19'500'000);
        QVERIFY(debugLength > shortLength);
        QDir::setCurrent(QCoreApplication::applicationDirPath());
    }
};

QTEST_MAIN(WindowLargeFileTest)
#include "window_large_file_test.moc"

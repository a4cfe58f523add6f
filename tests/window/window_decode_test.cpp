// Decoding a recording from the file list, the two levels, saving, and file errors.
#include "window_test_support.h"

#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <cmath>
#include <filesystem>
#include <memory>

using namespace window_test;
using vantrel::ReportLevel;

namespace {

const QString StartStatus = QStringLiteral("Double click on a  file name   to decode");

encoder::Header Call(std::uint32_t from, std::uint32_t to) {
    encoder::Header header;
    header.from = from;
    header.to = to;
    return header;
}

// One call, in lines of 64 characters ended by CR LF.
const std::string OneCall = encoder::Wrap(encoder::CallBlock({}), 64);
// Two calls, in lines of 50 characters ended by LF alone.
const std::string TwoCalls = encoder::Wrap(
    encoder::CallBlock(Call(0x111, 0x222)) + encoder::CallBlock(Call(0x333, 0x444)), 50, "\n");
// Bits without any sync pattern.
const std::string NoSync = encoder::Wrap(std::string(300, '0'), 60);

} // namespace

class WindowDecodeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<frmVantrel> window_;
    QStringList errors_;

    QString PathOf(const QString& name) const { return folder_->filePath(name); }
    QString Shown() const { return window_->txtInfo->toPlainText(); }
    QString Status() const { return window_->lblStatus->text(); }

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        WriteFile(PathOf(QStringLiteral("one.txt")), OneCall);
        WriteFile(PathOf(QStringLiteral("two.txt")), TwoCalls);
        WriteFile(PathOf(QStringLiteral("none.txt")), NoSync);
        QVERIFY(QDir::setCurrent(folder_->path()));

        window_ = std::make_unique<frmVantrel>(QStringList{folder_->path()});
        errors_.clear();
        window_->ShowFileError = [this](const QString& message) { errors_ << message; };
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QCOMPARE(Names(window_->File1), (QStringList{"none.txt", "one.txt", "two.txt"}));
    }

    void cleanup() {
        window_.reset();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        folder_.reset();
    }

    void doubleClickDecodesTheFileAndNamesIt() {
        DoubleClickFile(*window_, QStringLiteral("two.txt"));
        QCOMPARE(Status(), QStringLiteral("two.txt decoded."));
        QCOMPARE(Shown(), AsShown(ReportOf(TwoCalls, ReportLevel::Short)));
        QVERIFY(Shown().startsWith(QStringLiteral("Blocks Found:2\n\nBlock #1\nOperat. Mode 1: ")));
        QCOMPARE(Shown().count(QStringLiteral("Redundancy chk: OK")), 2);
        QVERIFY(errors_.isEmpty());
    }

    // Notepad's "Unicode": UTF-16 with its byte order mark reads as the plain text.
    void aTextInUtf16DecodesAsThePlainOne() {
        std::string utf16 = "\xff\xfe";
        for (const char c : TwoCalls)
            utf16 += std::string{c, '\0'};
        WriteFile(PathOf(QStringLiteral("two.txt")), utf16);
        DoubleClickFile(*window_, QStringLiteral("two.txt"));
        QCOMPARE(Shown(), AsShown(ReportOf(TwoCalls, ReportLevel::Short)));
        QVERIFY(errors_.isEmpty());
    }

    // The level buttons and a save serve the recording as it was decoded, whatever became of
    // its file since: the report on show and the one saved always belong together.
    void levelsAndSaveServeTheFileAsDecoded_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("rewritten in place") << QStringLiteral("rewrite");
        QTest::newRow("replaced by another file") << QStringLiteral("replace");
        QTest::newRow("grown") << QStringLiteral("grow");
        QTest::newRow("removed") << QStringLiteral("remove");
    }

    void levelsAndSaveServeTheFileAsDecoded() {
        QFETCH(QString, change);
        DoubleClickFile(*window_, QStringLiteral("one.txt"));
        const QString shortReport = Shown();
        const QString path = PathOf(QStringLiteral("one.txt"));
        if (change == QLatin1String("rewrite")) {
            WriteFile(path, TwoCalls);
        } else if (change == QLatin1String("replace")) {
            WriteFile(PathOf(QStringLiteral("new.tmp")), TwoCalls);
            std::filesystem::rename(PathOf(QStringLiteral("new.tmp")).toStdString(),
                                    path.toStdString());
        } else if (change == QLatin1String("grow")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            file.write(TwoCalls.data(), static_cast<qint64>(TwoCalls.size()));
        } else {
            QVERIFY(QFile::remove(path));
        }

        QTest::mouseClick(window_->Option2, Qt::LeftButton);
        QVERIFY(window_->Option2->isChecked());
        QCOMPARE(Shown(), AsShown(ReportOf(OneCall, ReportLevel::Debug)));
        QVERIFY(Shown() != shortReport);
        QTest::mouseClick(window_->cmdSave, Qt::LeftButton);
        QCOMPARE(ReadFile(PathOf(QStringLiteral("one-decoded.txt"))),
                 QByteArray::fromStdString(ReportOf(OneCall, ReportLevel::Debug) + "\r\n"));

        QTest::mouseClick(window_->Option1, Qt::LeftButton);
        QCOMPARE(Shown(), shortReport);
        QCOMPARE(Status(), QStringLiteral("Decoded file saved as one-decoded.txt"));
        QVERIFY(errors_.isEmpty());
    }

    void decodingAtTheDebugLevelShowsTheLog() {
        QTest::mouseClick(window_->Option2, Qt::LeftButton);
        DoubleClickFile(*window_, QStringLiteral("one.txt"));
        QCOMPARE(Shown(), AsShown(ReportOf(OneCall, ReportLevel::Debug)));
    }

    void aLevelBeforeAnyDecodeShowsNoBlocks() {
        QTest::mouseClick(window_->Option2, Qt::LeftButton);
        QCOMPARE(Shown(), QStringLiteral("Blocks Found:0\n"));
        QCOMPARE(Status(), StartStatus);
    }

    void aFileWithoutSyncShowsNothingOfTheEarlierBlocks() {
        DoubleClickFile(*window_, QStringLiteral("two.txt"));
        DoubleClickFile(*window_, QStringLiteral("none.txt"));
        QCOMPARE(Status(), QStringLiteral("none.txt decoded."));
        QCOMPARE(Shown(), QStringLiteral("Blocks Found:0\n"));
        QTest::mouseClick(window_->Option2, Qt::LeftButton);
        QCOMPARE(Shown(), QStringLiteral("Blocks Found:0\n"));
    }

    // The box groups lines into paragraphs for speed; it must still show, count and scroll
    // over every line.
    void aLongReportShowsAndScrollsOverAllItsLines() {
        std::string calls;
        for (std::uint32_t i = 0; i < 150; ++i)
            calls += encoder::CallBlock(Call(0x100 + i, 0x200 + i));
        const std::string recording = encoder::Wrap(calls, 64);
        WriteFile(PathOf(QStringLiteral("long.txt")), recording);
        window_->File1->setPath(folder_->path());
        DoubleClickFile(*window_, QStringLiteral("long.txt"));

        const QString expected = AsShown(ReportOf(recording, ReportLevel::Short));
        QCOMPARE(Shown(), expected);
        const int lines = static_cast<int>(expected.count(QLatin1Char('\n'))) + 1;
        QVERIFY(lines > 1000);
        QCOMPARE(window_->txtInfo->document()->lineCount(), lines);
        const int visible = window_->txtInfo->viewport()->height() /
                            QFontMetrics(window_->txtInfo->font()).lineSpacing();
        QVERIFY2(window_->txtInfo->verticalScrollBar()->maximum() >= lines - visible - 1,
                 qPrintable(QString::number(window_->txtInfo->verticalScrollBar()->maximum())));

        // The last line is reached and shown at the end of the scroll range.
        window_->txtInfo->verticalScrollBar()->setValue(
            window_->txtInfo->verticalScrollBar()->maximum());
        const QTextCursor bottom = window_->txtInfo->cursorForPosition(
            QPoint(5, window_->txtInfo->viewport()->height() - 5));
        const int afterBottom = window_->txtInfo->document()->characterCount() - bottom.position();
        QVERIFY2(afterBottom < 60, qPrintable(QString::number(afterBottom)));
    }

    void saveWritesTheReportLastShown() {
        DoubleClickFile(*window_, QStringLiteral("two.txt"));
        QTest::mouseClick(window_->Option2, Qt::LeftButton);
        QTest::mouseClick(window_->cmdSave, Qt::LeftButton);
        const QString saved = PathOf(QStringLiteral("two-decoded.txt"));
        QCOMPARE(ReadFile(saved),
                 QByteArray::fromStdString(ReportOf(TwoCalls, ReportLevel::Debug) + "\r\n"));
        QCOMPARE(Status(), QStringLiteral("Decoded file saved as two-decoded.txt"));

        // Saving again replaces the file; what the user typed into the box is not saved.
        QTest::mouseClick(window_->Option1, Qt::LeftButton);
        QTest::keyClicks(window_->txtInfo, QStringLiteral("typed by the user"));
        QVERIFY(Shown().contains(QStringLiteral("typed by the user")));
        QTest::mouseClick(window_->cmdSave, Qt::LeftButton);
        QCOMPARE(ReadFile(saved),
                 QByteArray::fromStdString(ReportOf(TwoCalls, ReportLevel::Short) + "\r\n"));
        QVERIFY(errors_.isEmpty());
    }

    void saveBeforeAnyDecodeWritesNothing() {
        const QStringList before = QDir(folder_->path()).entryList(QDir::Files);
        QTest::mouseClick(window_->cmdSave, Qt::LeftButton);
        QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), before);
        QCOMPARE(Status(), StartStatus);
        QVERIFY(errors_.isEmpty());
    }

    void anUnreadableFileIsReportedAndThePreviousReportStays() {
        DoubleClickFile(*window_, QStringLiteral("one.txt"));
        const QString oneReport = Shown();
        // Removed after the list was filled.
        QVERIFY(QFile::remove(PathOf(QStringLiteral("two.txt"))));
        DoubleClickFile(*window_, QStringLiteral("two.txt"));

        QCOMPARE(errors_.size(), 1);
        QVERIFY2(errors_.first().contains(QDir::toNativeSeparators(PathOf("two.txt"))),
                 qPrintable(errors_.first()));
        QCOMPARE(Status(), QStringLiteral("Could not read two.txt."));
        QCOMPARE(Shown(), oneReport);
        QTest::mouseClick(window_->Option2, Qt::LeftButton);
        QCOMPARE(Shown(), AsShown(ReportOf(OneCall, ReportLevel::Debug)));

        // The report on show is one.txt's, so a save files it under one.txt's name.
        QTest::mouseClick(window_->cmdSave, Qt::LeftButton);
        QVERIFY(QFile::exists(PathOf(QStringLiteral("one-decoded.txt"))));
        QVERIFY(!QFile::exists(PathOf(QStringLiteral("two-decoded.txt"))));

        // The window goes on working.
        QTest::mouseClick(window_->Option1, Qt::LeftButton);
        DoubleClickFile(*window_, QStringLiteral("none.txt"));
        QCOMPARE(Status(), QStringLiteral("none.txt decoded."));
        QCOMPARE(errors_.size(), 1);
    }

    void aReportTooLargeToShowIsRefusedAndNotSaved() {
        // Fifty patterns each hidden inside the header codeword before it, then a long tail:
        // fifty records show the whole tail in their logs, twenty megabytes of report from a
        // file of half a megabyte.
        std::string bits;
        for (int i = 0; i < 50; ++i)
            bits += std::string(modETSI300230::SyncNoFec) + "0000" +
                    std::string(modETSI300230::SyncNoFec) + std::string(32, '0');
        bits += std::string(400'000, '0');
        WriteFile(PathOf(QStringLiteral("hidden.txt")), bits);
        window_->File1->setPath(window_->File1->path());
        window_->MaxShownReportBytes = 1'000'000;

        QTest::mouseClick(window_->Option2, Qt::LeftButton);
        DoubleClickFile(*window_, QStringLiteral("hidden.txt"));
        QCOMPARE(errors_.size(), 1);
        QVERIFY2(errors_.first().contains(QStringLiteral("too large")),
                 qPrintable(errors_.first()));
        // The decode stops at the limit; the size it tells is the whole report's.
        const QRegularExpressionMatch about =
            QRegularExpression(QStringLiteral("about (\\d+) MB")).match(errors_.first());
        QVERIFY2(about.hasMatch(), qPrintable(errors_.first()));
        const double megabytes =
            static_cast<double>(ReportOf(bits, ReportLevel::Debug).size()) / 1048576.0;
        QVERIFY2(std::abs(about.captured(1).toDouble() - megabytes) <= megabytes / 10,
                 qPrintable(errors_.first()));
        QCOMPARE(Shown(), QString());
        QCOMPARE(Status(), QStringLiteral("hidden.txt decoded."));
        QTest::mouseClick(window_->cmdSave, Qt::LeftButton);
        QVERIFY(!QFile::exists(PathOf(QStringLiteral("hidden-decoded.txt"))));

        // The short report of the same decode is small and shows as usual.
        QTest::mouseClick(window_->Option1, Qt::LeftButton);
        QCOMPARE(Shown(), AsShown(ReportOf(bits, ReportLevel::Short)));
        QTest::mouseClick(window_->cmdSave, Qt::LeftButton);
        QVERIFY(QFile::exists(PathOf(QStringLiteral("hidden-decoded.txt"))));
    }

    void aReportThatCannotBeWrittenIsReported() {
        DoubleClickFile(*window_, QStringLiteral("one.txt"));
        // A folder in the way of the report file.
        QVERIFY(QDir(folder_->path()).mkdir(QStringLiteral("one-decoded.txt")));
        QTest::mouseClick(window_->cmdSave, Qt::LeftButton);
        QCOMPARE(errors_.size(), 1);
        QVERIFY2(errors_.first().contains(QStringLiteral("one-decoded.txt")),
                 qPrintable(errors_.first()));
        QCOMPARE(Status(), QStringLiteral("one.txt decoded."));
        QVERIFY(QFileInfo(PathOf(QStringLiteral("one-decoded.txt"))).isDir());
    }

    void aDoubleClickWithoutASelectedFileDoesNothing() {
        window_->File1->clearSelection();
        emit window_->File1->itemDoubleClicked(window_->File1->item(1));
        QCOMPARE(Status(), StartStatus);
        QVERIFY(Shown().isEmpty());
        QVERIFY(errors_.isEmpty());
    }

    // Input that reaches the window while a run repaints must not save or decode: a save
    // there would file the previous report under the new file's name.
    void aRunYieldsTwiceAndStartsNothingInside() {
        DoubleClickFile(*window_, QStringLiteral("one.txt"));
        const QString oneReport = Shown();

        QStringList seenAtYields;
        QTimer intruder;
        intruder.setInterval(0);
        connect(&intruder, &QTimer::timeout, this, [&] {
            seenAtYields << Status();
            window_->cmdSave->click();
            emit window_->File1->itemDoubleClicked(window_->File1->item(0));
            // The report still shown inside the run is the previous one.
            QCOMPARE(Shown(), oneReport);
        });
        intruder.start();
        DoubleClickFile(*window_, QStringLiteral("two.txt"));
        intruder.stop();

        QCOMPARE(seenAtYields, (QStringList{QStringLiteral("Reading file...."),
                                            QStringLiteral("Decoding file....")}));
        QCOMPARE(Status(), QStringLiteral("two.txt decoded."));
        QCOMPARE(Shown(), AsShown(ReportOf(TwoCalls, ReportLevel::Short)));
        QVERIFY(QDir(folder_->path()).entryList({QStringLiteral("*-decoded.txt")}).isEmpty());
    }
};

QTEST_MAIN(WindowDecodeTest)
#include "window_decode_test.moc"

// Lists that follow the disk and the mounts, the status after errors, long names, and a file
// given on the command line.
#include "window_test_support.h"

#include "command_line.h"

#include <QTemporaryDir>

#include <memory>

using namespace window_test;
using vantrel::ReportLevel;

namespace {

const std::string OneCall = encoder::Wrap(encoder::CallBlock({}), 64);

} // namespace

class WindowFreshListsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<frmVantrel> window_;
    QStringList errors_;

    QString PathOf(const QString& name) const { return folder_->filePath(name); }
    QString Status() const { return window_->lblStatus->text(); }

    void Open(const QStringList& driveRoots) {
        window_ = std::make_unique<frmVantrel>(driveRoots);
        errors_.clear();
        window_->ShowFileError = [this](const QString& message) { errors_ << message; };
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        WriteFile(PathOf(QStringLiteral("one.txt")), OneCall);
        WriteFile(PathOf(QStringLiteral("two.txt")), OneCall + OneCall);
        QVERIFY(QDir::setCurrent(folder_->path()));
        Open({folder_->path()});
    }

    void cleanup() {
        window_.reset();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        folder_.reset();
    }

    void aFileWrittenIntoTheFolderAppears() {
        window_->File1->selectFile(QStringLiteral("two.txt"));
        WriteFile(PathOf(QStringLiteral("new.txt")), OneCall);
        WriteFile(PathOf(QStringLiteral("new.bin")), OneCall);
        QTRY_COMPARE_WITH_TIMEOUT(Names(window_->File1),
                                  (QStringList{"new.txt", "one.txt", "two.txt"}), 1000);
        QCOMPARE(window_->File1->fileName(), QStringLiteral("two.txt"));
        QVERIFY(QFile::remove(PathOf(QStringLiteral("one.txt"))));
        QTRY_COMPARE_WITH_TIMEOUT(Names(window_->File1), (QStringList{"new.txt", "two.txt"}), 1000);
    }

    void aSaveShowsTheNewReportAndKeepsTheSelection() {
        DoubleClickFile(*window_, QStringLiteral("one.txt"));
        QTest::mouseClick(window_->cmdSave, Qt::LeftButton);
        // At once, without waiting for the folder watch.
        QCOMPARE(Names(window_->File1), (QStringList{"one-decoded.txt", "one.txt", "two.txt"}));
        QCOMPARE(window_->File1->fileName(), QStringLiteral("one.txt"));
        QVERIFY(errors_.isEmpty());
    }

    void aFileGivenToOpenIsShownSelectedAndDecoded() {
        QVERIFY(QDir(folder_->path()).mkpath(QStringLiteral("rx/day")));
        WriteFile(PathOf(QStringLiteral("rx/day/log.txt")), OneCall + OneCall);
        Open({folder_->path()});
        window_->OpenFile(PathOf(QStringLiteral("rx/day/log.txt")));
        QCOMPARE(window_->Dir1->path(), PathOf(QStringLiteral("rx/day")));
        QCOMPARE(window_->File1->path(), PathOf(QStringLiteral("rx/day")));
        QCOMPARE(window_->File1->fileName(), QStringLiteral("log.txt"));
        QCOMPARE(Status(), QStringLiteral("log.txt decoded."));
        QCOMPARE(window_->txtInfo->toPlainText(),
                 AsShown(ReportOf(OneCall + OneCall, ReportLevel::Short)));
        QVERIFY(errors_.isEmpty());
    }

    void aMissingFileGivenToOpenIsReported() {
        window_->OpenFile(PathOf(QStringLiteral("missing.txt")));
        QCOMPARE(errors_.size(), 1);
        QVERIFY2(errors_.first().contains(PathOf("missing.txt")), qPrintable(errors_.first()));
        QCOMPARE(Status(), QStringLiteral("Could not read missing.txt."));
    }

    void theCommandLine_data() {
        using Action = vantrel::WindowCommandLine::Action;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::newRow("nothing") << QStringList{} << int(Action::OpenWindow) << "";
        QTest::newRow("a file") << QStringList{"a.txt"} << int(Action::OpenWindow) << "a.txt";
        QTest::newRow("a file named like an option")
            << QStringList{"--", "-V"} << int(Action::OpenWindow) << "-V";
        QTest::newRow("--help") << QStringList{"--help"} << int(Action::PrintHelp) << "";
        QTest::newRow("-V") << QStringList{"-V"} << int(Action::PrintVersion) << "";
        QTest::newRow("two files") << QStringList{"a.txt", "b.txt"} << int(Action::Fail) << "";
    }

    void theCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, file);
        const vantrel::WindowCommandLine line =
            vantrel::ReadWindowCommandLine(QStringList{"vantrel"} + arguments);
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.file, file);
        QCOMPARE(line.error.isEmpty(), action != int(vantrel::WindowCommandLine::Action::Fail));
    }

    void theDriveListFollowsMounts() {
        const QString stick = PathOf(QStringLiteral("stick"));
        QVERIFY(QDir(folder_->path()).mkpath(QStringLiteral("stick/rx")));
        QStringList mounted{folder_->path()};
        window_->ListDrives = [&mounted] { return mounted; };

        mounted << stick;
        QTRY_COMPARE(window_->Drive1->count(), 2);
        QCOMPARE(window_->Drive1->drive(), folder_->path()); // a new drive does not take over

        window_->Drive1->setCurrentIndex(1);
        QCOMPARE(window_->Dir1->path(), stick);
        // The folder list starts at the stick's root, not at the folders that hold it.
        QCOMPARE(window_->Dir1->topLevelItemCount(), 1);
        QCOMPARE(window_->Dir1->topLevelItem(0)->data(0, Qt::UserRole).toString(), stick);

        mounted.removeLast();
        QTRY_COMPARE(window_->Drive1->count(), 1);
        QCOMPARE(window_->Drive1->drive(), folder_->path());
        QCOMPARE(window_->File1->path(), window_->Dir1->path());
        QVERIFY(!window_->Dir1->path().startsWith(stick));
    }

    void longNamesShowWhole() {
        const QString name = QStringLiteral("a-recording-with-a-name-far-too-long-for-the-list-"
                                            "and-for-the-status-label-2026-12-07.txt");
        WriteFile(PathOf(name), OneCall);
        window_->File1->refresh();
        const QList<QListWidgetItem*> items = window_->File1->findItems(name, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first()->toolTip(), name);

        DoubleClickFile(*window_, name);
        const QString status = name + QStringLiteral(" decoded.");
        QCOMPARE(Status(), status);
        QCOMPARE(window_->lblStatus->toolTip(), status);
        // Shortened in the middle: the start and the verdict at the end both stay.
        const QString shown = window_->lblStatus->shownText();
        QVERIFY2(shown.size() < status.size() && shown.contains(QChar(0x2026)), qPrintable(shown));
        QVERIFY2(shown.startsWith(QStringLiteral("a-recording")), qPrintable(shown));
        QVERIFY2(shown.endsWith(QStringLiteral("-07.txt decoded.")), qPrintable(shown));

        // A short text is shown as it is.
        DoubleClickFile(*window_, QStringLiteral("one.txt"));
        QCOMPARE(window_->lblStatus->shownText(), QStringLiteral("one.txt decoded."));
    }
};

QTEST_MAIN(WindowFreshListsTest)
#include "window_fresh_lists_test.moc"

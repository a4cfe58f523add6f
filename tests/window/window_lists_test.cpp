// The linked drive, folder and file lists, on drives made of temporary folders.
#include "window_test_support.h"

#include <QTemporaryDir>

#include <memory>

using namespace window_test;

class WindowListsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> root_;
    std::unique_ptr<frmVantrel> window_;
    QString driveA_, driveB_;

    QString Folder(const QString& relative) const {
        return QDir::cleanPath(root_->filePath(relative));
    }

    void MakeFolder(const QString& relative) { QVERIFY(QDir().mkpath(Folder(relative))); }

    void SelectDrive(const QString& root) {
        const int index = window_->Drive1->findData(root);
        QVERIFY(index >= 0);
        window_->Drive1->setCurrentIndex(index);
    }

private slots:
    // Drive A holds the working folder; drive B holds files of several kinds and a subfolder.
    void init() {
        root_ = std::make_unique<QTemporaryDir>();
        QVERIFY(root_->isValid());
        driveA_ = Folder(QStringLiteral("driveA"));
        driveB_ = Folder(QStringLiteral("driveB"));
        MakeFolder(QStringLiteral("driveA/work"));
        MakeFolder(QStringLiteral("driveA/other"));
        MakeFolder(QStringLiteral("driveB/deep"));
        MakeFolder(QStringLiteral("driveB/e.txt"));
        WriteFile(Folder(QStringLiteral("driveA/work/one.txt")), "0");
        WriteFile(Folder(QStringLiteral("driveA/work/notes.log")), "0");
        for (const char* name : {"b1.txt", "B2.TXT", "c.log", "d.txt.bak", "noext", "f.txtx"})
            WriteFile(Folder(QStringLiteral("driveB/") + QString::fromLatin1(name)), "0");
        WriteFile(Folder(QStringLiteral("driveB/deep/deep.txt")), "0");
        QVERIFY(QDir::setCurrent(Folder(QStringLiteral("driveA/work"))));

        // The program's own folder lies on neither drive, so the load moves nothing.
        window_ = std::make_unique<frmVantrel>(QStringList{driveA_, driveB_});
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() {
        window_.reset();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        root_.reset();
    }

    void startsInTheWorkingFolder() {
        QCOMPARE(window_->Drive1->drive(), driveA_);
        QCOMPARE(window_->Dir1->path(), Folder(QStringLiteral("driveA/work")));
        QCOMPARE(window_->File1->path(), window_->Dir1->path());
        QCOMPARE(Names(window_->File1), QStringList{"one.txt"});
    }

    void choosingADriveMovesFolderAndFileListsAtOnce() {
        SelectDrive(driveB_);
        QCOMPARE(window_->Dir1->path(), driveB_);
        QCOMPARE(window_->File1->path(), driveB_);
        QCOMPARE(Names(window_->File1), (QStringList{"b1.txt", "B2.TXT"}));
    }

    void onlyTxtFilesAreListed() {
        SelectDrive(driveB_);
        // Not the log, the backup, the file without extension, the ".txtx" file, nor the
        // folder whose name ends in ".txt".
        QCOMPARE(Names(window_->File1), (QStringList{"b1.txt", "B2.TXT"}));
    }

    void aDriveReopensTheFolderLastVisitedOnIt() {
        SelectDrive(driveB_);
        ClickFolder(*window_, FolderEntry(*window_, QStringLiteral("deep")), true);
        QCOMPARE(window_->Dir1->path(), Folder(QStringLiteral("driveB/deep")));

        SelectDrive(driveA_);
        QCOMPARE(window_->Dir1->path(), Folder(QStringLiteral("driveA/work")));
        QCOMPARE(Names(window_->File1), QStringList{"one.txt"});

        SelectDrive(driveB_);
        QCOMPARE(window_->Dir1->path(), Folder(QStringLiteral("driveB/deep")));
        QCOMPARE(Names(window_->File1), QStringList{"deep.txt"});
    }

    void singleClickOnAFolderOnlyHighlightsIt() {
        SelectDrive(driveB_);
        QTreeWidgetItem* deep = FolderEntry(*window_, QStringLiteral("deep"));
        QVERIFY(deep != nullptr);
        ClickFolder(*window_, deep, false);
        QCOMPARE(window_->Dir1->currentItem(), deep);
        QCOMPARE(window_->Dir1->path(), driveB_);
        QCOMPARE(window_->File1->path(), driveB_);
        QCOMPARE(Names(window_->File1), (QStringList{"b1.txt", "B2.TXT"}));
    }

    void openingAFolderRefreshesTheFileList() {
        ClickFolder(*window_, FolderEntry(*window_, QStringLiteral("driveA")), true);
        QCOMPARE(window_->Dir1->path(), driveA_);
        QCOMPARE(window_->File1->path(), driveA_);
        QVERIFY(Names(window_->File1).isEmpty());
        // The subfolders of the opened folder are listed below it.
        QVERIFY(FolderEntry(*window_, QStringLiteral("other")) != nullptr);

        ClickFolder(*window_, FolderEntry(*window_, QStringLiteral("work")), true);
        QCOMPARE(Names(window_->File1), QStringList{"one.txt"});
    }

    void returnKeyOpensTheHighlightedFolder() {
        QTreeWidgetItem* parent = FolderEntry(*window_, QStringLiteral("driveA"));
        window_->Dir1->setCurrentItem(parent);
        QCOMPARE(window_->Dir1->path(), Folder(QStringLiteral("driveA/work")));
        QTest::keyClick(window_->Dir1, Qt::Key_Return);
        QCOMPARE(window_->File1->path(), driveA_);
    }

    void aDriveThatCannotBeListedLeavesTheLists() {
        QVERIFY(QDir(driveB_).removeRecursively());
        SelectDrive(driveB_);
        QCOMPARE(window_->Dir1->path(), Folder(QStringLiteral("driveA/work")));
        QCOMPARE(Names(window_->File1), QStringList{"one.txt"});
    }

    void aFolderThatCannotBeListedLeavesTheLists() {
        ClickFolder(*window_, FolderEntry(*window_, QStringLiteral("driveA")), true);
        QTreeWidgetItem* other = FolderEntry(*window_, QStringLiteral("other"));
        // Gone between the listing and the double-click.
        QVERIFY(QDir(Folder(QStringLiteral("driveA/other"))).removeRecursively());
        ClickFolder(*window_, other, true);
        QCOMPARE(window_->Dir1->path(), driveA_);
        QCOMPARE(window_->File1->path(), driveA_);
    }

    void singleClickOnAFileChangesOnlyTheSelection() {
        const QString status = window_->lblStatus->text();
        QListWidgetItem* item = window_->File1->item(0);
        QTest::mouseClick(window_->File1->viewport(), Qt::LeftButton, {},
                          CentreOf(window_->File1, window_->File1->indexFromItem(item)));
        QCOMPARE(window_->File1->fileName(), QStringLiteral("one.txt"));
        QCOMPARE(window_->lblStatus->text(), status);
        QVERIFY(window_->txtInfo->toPlainText().isEmpty());
    }

    void loadSelectsTheProgramsDriveWhenTheWorkingFolderIsElsewhere() {
        const QString programFolder = QCoreApplication::applicationDirPath();
        frmVantrel window(QStringList{driveA_, programFolder});
        QCOMPARE(window.Drive1->drive(), programFolder);
        QCOMPARE(window.Dir1->path(), QDir::cleanPath(programFolder));
        QCOMPARE(window.File1->path(), window.Dir1->path());
    }

    void loadKeepsTheWorkingFolderOnTheProgramsDrive() {
        const QString programFolder = QCoreApplication::applicationDirPath();
        QTemporaryDir working(programFolder + QStringLiteral("/lists-XXXXXX"));
        QVERIFY(working.isValid());
        WriteFile(working.filePath(QStringLiteral("here.txt")), "0");
        QVERIFY(QDir::setCurrent(working.path()));
        frmVantrel window(QStringList{programFolder});
        QCOMPARE(window.Dir1->path(), QDir::cleanPath(working.path()));
        QCOMPARE(Names(window.File1), QStringList{"here.txt"});
        QVERIFY(QDir::setCurrent(programFolder));
    }

    void driveOfAPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("drive");
        QTest::newRow("deepest root wins") << "/work/main/x"
                                           << "/work/main";
        QTest::newRow("the root itself") << "/work"
                                         << "/work";
        QTest::newRow("no partial name") << "/workshop/a"
                                         << "/";
        QTest::newRow("file system root") << "/"
                                          << "/";
        QTest::newRow("dot segments") << "/work/main/../x"
                                      << "/work";
        QTest::newRow("trailing separator") << "/work/main/"
                                            << "/work/main";
    }

    void driveOfAPath() {
        QFETCH(QString, path);
        QFETCH(QString, drive);
        QCOMPARE(vantrel::DriveOf(path, {"/", "/work", "/work/main"}), drive);
    }

    void driveOfAPathOnNoListedDrive() {
        QCOMPARE(vantrel::DriveOf(QStringLiteral("/srv/a"), {"/work", "/work/main"}), QString());
    }
};

QTEST_MAIN(WindowListsTest)
#include "window_lists_test.moc"

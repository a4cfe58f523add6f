// The window as it opens: caption, size, icon, the nine controls and where the lists stand.
#include "window_test_support.h"

#include <QApplication>
#include <QStyleOptionButton>
#include <QTemporaryDir>

#include <memory>

using namespace window_test;

class WindowLoadTest : public QObject {
    Q_OBJECT

    // The working folder lies below the program's folder, so on the program's drive.
    std::unique_ptr<QTemporaryDir> workingFolder_;
    std::unique_ptr<frmVantrel> window_;

    QWidget* Control(const char* name) const {
        return window_->findChild<QWidget*>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase() {
        workingFolder_ = std::make_unique<QTemporaryDir>(QCoreApplication::applicationDirPath() +
                                                         QStringLiteral("/load-XXXXXX"));
        QVERIFY(workingFolder_->isValid());
        for (const char* name : {"a.txt", "b.log", "C.TXT", "d.txt.bak"})
            WriteFile(workingFolder_->filePath(QString::fromLatin1(name)), "0");
        QVERIFY(QDir::setCurrent(workingFolder_->path()));

        window_ = std::make_unique<frmVantrel>();
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    void cleanupTestCase() {
        window_.reset();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
    }

    void captionAndFixedClientArea() {
        QCOMPARE(window_->windowTitle(), QStringLiteral(" ETSI 300-230 Vantrel"));
        QCOMPARE(window_->size(), QSize(745, 516));
        QCOMPARE(window_->minimumSize(), QSize(745, 516));
        QCOMPARE(window_->maximumSize(), QSize(745, 516));
    }

    void iconInBothSizes() {
        const QList<QSize> sizes = window_->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
    }

    void controls_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("startText");

        const QString window = QStringLiteral("window");
        QTest::newRow("txtInfo") << "QPlainTextEdit" << window << QRect(0, 1560, 11175, 6015)
                                 << QString();
        QTest::newRow("File1") << "vantrel::FileList" << window << QRect(5760, 0, 2535, 1455)
                               << QString();
        QTest::newRow("cmdSave") << "QPushButton" << window << QRect(8760, 120, 1935, 495)
                                 << "Save decoded file";
        QTest::newRow("Drive1") << "vantrel::DriveList" << window << QRect(120, 0, 2295, 315)
                                << QString();
        QTest::newRow("Dir1") << "vantrel::FolderList" << window << QRect(2520, 0, 3135, 1440)
                              << QString();
        QTest::newRow("lblStatus") << "QLabel" << window << QRect(8400, 840, 2730, 495)
                                   << "Double click on a  file name   to decode";
        QTest::newRow("Frame1") << "QGroupBox" << window << QRect(240, 600, 1935, 855)
                                << "Decoding Level";
        QTest::newRow("Option2") << "QRadioButton"
                                 << "Frame1" << QRect(120, 515, 1650, 255) << "Debug (long info)";
        QTest::newRow("Option1") << "QRadioButton"
                                 << "Frame1" << QRect(120, 240, 1650, 255) << "Normal (short info)";
    }

    void controls() {
        QFETCH(QString, kind);
        QFETCH(QString, parentName);
        QFETCH(QRect, twips);
        QFETCH(QString, startText);

        QWidget* control = Control(QTest::currentDataTag());
        QVERIFY(control != nullptr);
        QVERIFY2(control->inherits(kind.toLatin1().constData()),
                 control->metaObject()->className());
        QCOMPARE(control->parentWidget(), parentName == QLatin1String("window")
                                              ? static_cast<QWidget*>(window_.get())
                                              : Control(parentName.toLatin1().constData()));
        // 15 twips to the pixel, rounded to the nearest pixel.
        const auto pixels = [](int twips) { return qRound(twips / 15.0); };
        QCOMPARE(control->geometry(), QRect(pixels(twips.left()), pixels(twips.top()),
                                            pixels(twips.width()), pixels(twips.height())));
        QVERIFY(control->isVisible());

        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(control))
            text = label->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(control))
            text = frame->title();
        else if (auto* box = qobject_cast<QPlainTextEdit*>(control))
            text = box->toPlainText();
        QCOMPARE(text, startText);
    }

    void tabOrder() {
        QStringList order;
        QWidget* widget = window_->txtInfo;
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && !widget->objectName().isEmpty() &&
                widget->window() == window_.get())
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != window_->txtInfo);
        // Of the level group only the selected button is a tab stop ("Normal" at start).
        QCOMPARE(order, (QStringList{"txtInfo", "File1", "cmdSave", "Drive1", "Dir1", "Option1"}));
    }

    void tabKeyFollowsTheOrder() {
        window_->txtInfo->setFocus();
        QStringList visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, (QStringList{"File1", "cmdSave", "Drive1", "Dir1", "Option1"}));
        window_->txtInfo->setFocus();
    }

    void reportBoxHoldsTheFocusAtStart() {
        // Measured on a second window, so the tab key test cannot have moved it.
        frmVantrel fresh;
        fresh.show();
        QVERIFY(QTest::qWaitForWindowActive(&fresh));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fresh.txtInfo));
    }

    void normalLevelSelectedAtStart() {
        QVERIFY(window_->Option1->isChecked());
        QVERIFY(!window_->Option2->isChecked());
        QVERIFY(window_->Option1->autoExclusive() && window_->Option2->autoExclusive());
    }

    void reportBox() {
        const QPlainTextEdit* box = window_->txtInfo;
        QVERIFY(box->toPlainText().isEmpty());
        QVERIFY(!box->isReadOnly());
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        const QFontInfo font(box->font());
        QVERIFY2(font.fixedPitch(), qPrintable(font.family()));
        QCOMPARE(font.pointSize(), 9);
    }

    void statusLabel() {
        const QLabel* label = window_->lblStatus;
        QVERIFY(label->wordWrap());
        QVERIFY(label->autoFillBackground());
        QCOMPARE(label->palette().color(QPalette::Window), QColor(224, 224, 224));
        QCOMPARE(label->palette().color(QPalette::WindowText),
                 QApplication::palette().color(QPalette::WindowText));
        QCOMPARE(label->font().pointSizeF(), 9.75);
        // Two lines of its text fit its height.
        QVERIFY(2 * QFontMetrics(label->font()).lineSpacing() <= label->height() + 2);
    }

    // The layout is fixed, so the captions must fit the space the style leaves them.
    void captionsFitTheirControls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("contents");
        QTest::newRow("Option1") << "Option1" << int(QStyle::SE_RadioButtonContents);
        QTest::newRow("Option2") << "Option2" << int(QStyle::SE_RadioButtonContents);
        QTest::newRow("cmdSave") << "cmdSave" << int(QStyle::SE_PushButtonContents);
    }

    void captionsFitTheirControls() {
        QFETCH(QString, name);
        QFETCH(int, contents);
        auto* button = window_->findChild<QAbstractButton*>(name);
        QVERIFY(button != nullptr);
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect space = button->style()->subElementRect(
            static_cast<QStyle::SubElement>(contents), &option, button);
        // The inked part of the caption; the blank bearing after its last letter may be cut.
        const int needed = button->fontMetrics().tightBoundingRect(button->text()).right() + 1;
        QVERIFY2(needed <= space.width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(needed).arg(space.width())));
    }

    void listsStandInTheWorkingFolderOnTheProgramsDrive() {
        const QString programFolder = QCoreApplication::applicationDirPath();
        const QString drive = window_->Drive1->drive();
        QCOMPARE(drive, vantrel::DriveOf(programFolder, vantrel::MountedVolumeRoots()));
        QVERIFY(!drive.isEmpty());
        QCOMPARE(window_->Dir1->path(), QDir::cleanPath(workingFolder_->path()));
        QCOMPARE(window_->File1->path(), window_->Dir1->path());
        QCOMPARE(window_->File1->pattern(), QStringLiteral("*.txt"));
        QCOMPARE(Names(window_->File1), (QStringList{"a.txt", "C.TXT"}));
        QCOMPARE(window_->File1->fileName(), QString());
    }
};

QTEST_MAIN(WindowLoadTest)
#include "window_load_test.moc"

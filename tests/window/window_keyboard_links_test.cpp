// The keyboard (Return, Tab, arrows, focus marks), map links in the report, and the frame.
#include "window_test_support.h"

#include "map_link.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <memory>
#include <optional>

using namespace window_test;
using vantrel::ReportLevel;

namespace {

const QString Base = QStringLiteral("https://www.openstreetmap.org");
const QString Fix =
    QStringLiteral("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
const QString FixUrl = Base + QStringLiteral("/index.html?mlat=48.1173&mlon=11.51667&zoom=12");
// A sender can put anything printable into a message, a map link line included.
const QString ForgedLine =
    QStringLiteral("[MAP URL ] ") + Base + QStringLiteral("/index.html?mlat=1&mlon=2&zoom=12");

std::string Message(const QString& text) {
    encoder::Header header;
    header.function = encoder::ShortData;
    return encoder::Wrap(encoder::ShortDataBlock(header, text.toStdString()), 64);
}

} // namespace

class WindowKeyboardLinksTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<frmVantrel> window_;
    QStringList errors_;
    QList<QUrl> opened_;

    QString Status() const { return window_->lblStatus->text(); }

    void Decode(const QString& name, ReportLevel level) {
        QTest::mouseClick(level == ReportLevel::Short ? window_->Option1 : window_->Option2,
                          Qt::LeftButton);
        DoubleClickFile(*window_, name);
        QCOMPARE(Status(), name + QStringLiteral(" decoded."));
    }

    // The middle of the first place where the report box shows `text`, in viewport points.
    QPoint PointOf(const QString& text) {
        QTextCursor found = window_->txtInfo->document()->find(text);
        if (found.isNull())
            return {-1, -1};
        found.setPosition(found.selectionStart() + static_cast<int>(text.size()) / 2);
        window_->txtInfo->setTextCursor(found);
        window_->txtInfo->ensureCursorVisible();
        return window_->txtInfo->cursorRect(found).center();
    }

    void CtrlClick(QPoint at) {
        QTest::mouseClick(window_->txtInfo->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
    }

    QAction* OpenMapEntry(QMenu* menu) {
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("Open map"))
                return action;
        return nullptr;
    }

    QStringList TabWalk(Qt::Key key, int steps) {
        QStringList names;
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            names << QApplication::focusWidget()->objectName();
        }
        return names;
    }

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        WriteFile(folder_->filePath(QStringLiteral("a-call.txt")),
                  encoder::Wrap(encoder::CallBlock({}), 64));
        WriteFile(folder_->filePath(QStringLiteral("b-fix.txt")), Message(Fix));
        WriteFile(folder_->filePath(QStringLiteral("c-forged.txt")), Message(ForgedLine));
        WriteFile(folder_->filePath(QStringLiteral("d-bare.txt")), Message(FixUrl));
        QVERIFY(QDir::setCurrent(folder_->path()));
        window_ = std::make_unique<frmVantrel>(QStringList{folder_->path()});
        errors_.clear();
        opened_.clear();
        window_->ShowFileError = [this](const QString& message) { errors_ << message; };
        window_->OpenUrl = [this](const QUrl& url) { opened_ << url; };
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    void cleanup() {
        window_.reset();
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        folder_.reset();
    }

    void returnAndEnterDecodeTheFocusedFile_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
    }

    void returnAndEnterDecodeTheFocusedFile() {
        QFETCH(int, key);
        window_->File1->setFocus();
        QTest::keyClick(window_->File1, Qt::Key_Home);
        QTest::keyClick(window_->File1, Qt::Key_Down);
        QCOMPARE(window_->File1->currentItem()->text(), QStringLiteral("b-fix.txt"));
        QTest::keyClick(window_->File1, Qt::Key(key));
        QCOMPARE(Status(), QStringLiteral("b-fix.txt decoded."));
        QCOMPARE(window_->txtInfo->toPlainText(),
                 AsShown(ReportOf(Message(Fix), ReportLevel::Short)));
        QVERIFY(errors_.isEmpty());
    }

    void tabFollowsTheTableAndEntersTheLevelGroupAtTheSelectedButton_data() {
        QTest::addColumn<bool>("debugSelected");
        QTest::addColumn<QString>("levelStop");
        QTest::newRow("Normal selected") << false << "Option1";
        QTest::newRow("Debug selected") << true << "Option2";
    }

    void tabFollowsTheTableAndEntersTheLevelGroupAtTheSelectedButton() {
        QFETCH(bool, debugSelected);
        QFETCH(QString, levelStop);
        if (debugSelected)
            QTest::mouseClick(window_->Option2, Qt::LeftButton);
        window_->txtInfo->setFocus();
        const QStringList forward{"File1", "cmdSave", "Drive1", "Dir1", levelStop, "txtInfo"};
        QCOMPARE(TabWalk(Qt::Key_Tab, 6), forward);
        const QStringList backward{levelStop, "Dir1", "Drive1", "cmdSave", "File1", "txtInfo"};
        QCOMPARE(TabWalk(Qt::Key_Backtab, 6), backward);
    }

    void arrowKeysMoveWithinTheLevelGroupAndChooseTheLevel() {
        Decode(QStringLiteral("b-fix.txt"), ReportLevel::Short);
        window_->Option1->setFocus();
        QTest::keyClick(window_->Option1, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), window_->Option2);
        QVERIFY(window_->Option2->isChecked());
        QCOMPARE(window_->txtInfo->toPlainText(),
                 AsShown(ReportOf(Message(Fix), ReportLevel::Debug)));
        QTest::keyClick(window_->Option2, Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), window_->Option1);
        QVERIFY(window_->Option1->isChecked());
    }

    void everyListMarksItsFocus_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Drive1") << "Drive1";
        QTest::newRow("Dir1") << "Dir1";
        QTest::newRow("File1") << "File1";
    }

    void everyListMarksItsFocus() {
        QFETCH(QString, name);
        auto* list = window_->findChild<QWidget*>(name);
        QVERIFY(list != nullptr);
        auto* area = qobject_cast<QAbstractScrollArea*>(list);
        QWidget* painted = area != nullptr ? area->viewport() : list;
        const QColor mark = list->palette().color(QPalette::Active, QPalette::Highlight);
        // A point of the mark: the painted area's left edge, halfway down.
        const QPoint edge = painted->mapTo(list, QPoint(0, painted->height() / 2));

        window_->txtInfo->setFocus();
        QCOMPARE_NE(list->grab().toImage().pixelColor(edge), mark);
        list->setFocus();
        QCOMPARE(list->grab().toImage().pixelColor(edge), mark);
    }

    void ctrlClickOnTheMapLinkOpensIt() {
        Decode(QStringLiteral("b-fix.txt"), ReportLevel::Debug);
        const QString before = window_->txtInfo->toPlainText();
        const QPoint link = PointOf(QStringLiteral("[MAP URL ] "));
        QVERIFY(link.x() >= 0);
        QTest::mouseClick(window_->txtInfo->viewport(), Qt::LeftButton, {}, link);
        QVERIFY(opened_.isEmpty()); // a plain click only places the cursor
        CtrlClick(link);
        QCOMPARE(opened_, QList<QUrl>{QUrl(FixUrl)});
        QCOMPARE(window_->txtInfo->toPlainText(), before);

        std::unique_ptr<QMenu> menu(window_->CreateReportMenu(link));
        QAction* openMap = OpenMapEntry(menu.get());
        QVERIFY(openMap != nullptr && openMap->isEnabled());
        openMap->trigger();
        QCOMPARE(opened_, (QList<QUrl>{QUrl(FixUrl), QUrl(FixUrl)}));
        QCOMPARE(window_->txtInfo->toPlainText(), before);
    }

    void anAddressInAMessageNeverOpens_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("shown");
        QTest::newRow("forged line, debug")
            << "c-forged.txt" << int(ReportLevel::Debug) << ForgedLine;
        QTest::newRow("forged line, short")
            << "c-forged.txt" << int(ReportLevel::Short) << ForgedLine;
        QTest::newRow("bare address, debug") << "d-bare.txt" << int(ReportLevel::Debug) << FixUrl;
        QTest::newRow("bare address, short") << "d-bare.txt" << int(ReportLevel::Short) << FixUrl;
    }

    void anAddressInAMessageNeverOpens() {
        QFETCH(QString, file);
        QFETCH(int, level);
        QFETCH(QString, shown);
        Decode(file, ReportLevel(level));
        const QPoint inMessage = PointOf(shown);
        QVERIFY(inMessage.x() >= 0);
        CtrlClick(inMessage);
        std::unique_ptr<QMenu> menu(window_->CreateReportMenu(inMessage));
        QAction* openMap = OpenMapEntry(menu.get());
        QVERIFY(openMap != nullptr);
        QVERIFY(!openMap->isEnabled());
        openMap->trigger();
        QVERIFY(opened_.isEmpty());
    }

    void mapLinkLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("url");
        const QString link = QStringLiteral("[MAP URL ] ");
        const QString query = QStringLiteral("/index.html?mlat=-0.01&mlon=45&zoom=12");
        QTest::newRow("link line") << link + Base + query << Base + query;
        QTest::newRow("in a message line") << "[MESSAGE ] " + link + Base + query << "";
        QTest::newRow("bare address") << Base + query << "";
        QTest::newRow("text after it") << link + Base + query + " x"
                                       << "";
        QTest::newRow("other host") << link + Base + ".example.com" + query << "";
        QTest::newRow("user part")
            << link + "https://www.openstreetmap.org@example.com" + query << "";
        QTest::newRow("other path") << link + Base + "/../x" + query << "";
        QTest::newRow("other zoom") << link + Base + "/index.html?mlat=1&mlon=2&zoom=13"
                                    << "";
        QTest::newRow("extra parameter") << link + Base + query + "&x=1"
                                         << "";
        QTest::newRow("exponent") << link + Base + "/index.html?mlat=1e5&mlon=2&zoom=12"
                                  << "";
        QTest::newRow("leading blank") << " " + link + Base + query << "";
    }

    void mapLinkLines() {
        QFETCH(QString, line);
        QFETCH(QString, url);
        const std::optional<QUrl> found = vantrel::MapLinkOf(line);
        QCOMPARE(found.has_value(), !url.isEmpty());
        if (found)
            QCOMPARE(*found, QUrl(url));
    }

    void theFrameIsFixedAndHoldsTheLevelButtons() {
        QVERIFY(!window_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        const QRect inside = window_->Frame1->border().adjusted(1, 1, -1, -1);
        QVERIFY(inside.contains(window_->Option1->geometry()));
        QVERIFY(inside.contains(window_->Option2->geometry()));
    }

    void errorBoxesCarryTheCaptionExactly() {
        frmVantrel window(QStringList{folder_->path()});
        window.show();
        QVERIFY(QFile::remove(folder_->filePath(QStringLiteral("a-call.txt"))));
        // The box waits for a click; a timer gives it, once the box is up.
        QString title;
        QTimer closer;
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                box->accept();
                closer.stop();
            }
        });
        closer.start();
        window.OpenFile(folder_->filePath(QStringLiteral("a-call.txt")));
        QCOMPARE(title, QStringLiteral(" ETSI 300-230 Vantrel"));
    }
};

QTEST_MAIN(WindowKeyboardLinksTest)
#include "window_keyboard_links_test.moc"

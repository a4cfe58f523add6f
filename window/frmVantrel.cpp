#include "frmVantrel.h"

#include "file_error.h"
#include "map_link.h"
#include "recording_snapshot.h"
#include "report.h"
#include "report_box.h"
#include "report_file.h"
#include "run.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QTextBlock>
#include <QToolTip>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// The layout is drawn in twips, 15 of them to a pixel at 96 dots per inch.
constexpr int TwipsToPixels(int twips) {
    return (twips + 7) / 15;
}

constexpr QRect Twips(int left, int top, int width, int height) {
    return {TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height)};
}

const QString Caption = QStringLiteral(" ETSI 300-230 Vantrel");
const QString StartStatus = QStringLiteral("Double click on a  file name   to decode");

// Paths travel to the file functions in the file system's own encoding, with its separator.
std::string ToFileSystem(const QString& path) {
    return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString();
}

QString FromFileSystem(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QFont ReportFont() {
    // Liberation Mono has the metrics of Courier New, so the report's columns keep their
    // width where Courier New is missing.
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(9);
    return font;
}

// MS Sans Serif, or the sans-serif fonts closest to it in width.
QFont SansSerif(qreal points) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    return font;
}

// Lets the window paint the new status text. User input stays queued until the run ends.
void LetWindowRepaint() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// A run (a decode, a level's report, a save) lets the window repaint every so often, so that
// however long it takes the window is never frozen: it keeps its status text, and the report
// shows as it fills. A run over within the interval does not pause at all.
class RepaintNowAndThen {
public:
    RepaintNowAndThen() { clock_.start(); }
    void operator()() {
        if (clock_.elapsed() >= IntervalMs) {
            LetWindowRepaint();
            clock_.restart();
        }
    }

private:
    static constexpr qint64 IntervalMs = 250;
    QElapsedTimer clock_;
};

// Thrown out of a run whose report has grown beyond what the report box is given.
struct ReportTooLarge {};

QString CannotReadMessage(const vantrel::FileError& error) {
    return QCoreApplication::translate("frmVantrel", "Cannot read the file %1\n\n%2")
        .arg(QDir::toNativeSeparators(FromFileSystem(error.path())),
             QString::fromLocal8Bit(error.description()));
}

} // namespace

frmVantrel::frmVantrel(const QStringList& driveRoots, QWidget* parent) : QWidget(parent) {
    Q_INIT_RESOURCE(vantrel);
    setWindowTitle(Caption);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/vantrel-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/vantrel-32.png"), QSize(32, 32));
    setWindowIcon(icon);
    // The layout is fixed, so the frame offers neither maximise nor a resizing border.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(745, 516);
    // The layout is fixed, so the captions must fit it: controls without a font of their own
    // use a face as narrow as the one the layout was measured with (MS Sans Serif 8 point,
    // whose substitutes run wider), not the desktop's larger default.
    setFont(SansSerif(7.5));

    txtInfo = new QPlainTextEdit(this);
    txtInfo->setObjectName(QStringLiteral("txtInfo"));
    txtInfo->setGeometry(Twips(0, 1560, 11175, 6015));
    txtInfo->setFont(ReportFont());
    txtInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtInfo->setTabChangesFocus(true);
    txtInfo->setContextMenuPolicy(Qt::CustomContextMenu);
    txtInfo->viewport()->setMouseTracking(true);
    txtInfo->viewport()->installEventFilter(this);

    // The lists stand in the working folder until the load moves them.
    const QString workingFolder = QDir::currentPath();
    Drive1 = new vantrel::DriveList(driveRoots, this);
    Dir1 = new vantrel::FolderList(Drive1->drive(), workingFolder, this);
    File1 = new vantrel::FileList(Dir1->path(), this);

    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(Twips(5760, 0, 2535, 1455));

    cmdSave = new QPushButton(QStringLiteral("Save decoded file"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setGeometry(Twips(8760, 120, 1935, 495));

    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(Twips(120, 0, 2295, 315));

    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(Twips(2520, 0, 3135, 1440));

    lblStatus = new vantrel::StatusLabel(StartStatus, this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setGeometry(Twips(8400, 840, 2730, 495));
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setWordWrap(true);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblStatus->setFont(SansSerif(9.75));
    lblStatus->setAutoFillBackground(true);
    QPalette statusColours = lblStatus->palette();
    statusColours.setColor(QPalette::Window, QColor(224, 224, 224));
    lblStatus->setPalette(statusColours);

    Frame1 = new vantrel::TitledFrame(QStringLiteral("Decoding Level"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(Twips(240, 600, 1935, 855));

    Option2 = new QRadioButton(QStringLiteral("Debug (long info)"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setGeometry(Twips(120, 515, 1650, 255));

    Option1 = new QRadioButton(QStringLiteral("Normal (short info)"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setGeometry(Twips(120, 240, 1650, 255));
    Option1->setChecked(true);

    setTabOrder(txtInfo, File1);
    setTabOrder(File1, cmdSave);
    setTabOrder(cmdSave, Drive1);
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, Option2);
    setTabOrder(Option2, Option1);
    KeepLevelGroupTabStop();
    txtInfo->setFocus();

    ShowFileError = [this](const QString& message) {
        QMessageBox::critical(this, Caption, message);
    };
    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    connect(Drive1, &QComboBox::currentIndexChanged, this, &frmVantrel::Drive1_Change);
    connect(Dir1, &vantrel::FolderList::pathChanged, this, &frmVantrel::Dir1_Change);
    connect(File1, &QListWidget::itemDoubleClicked, this, &frmVantrel::File1_DblClick);
    connect(File1, &vantrel::FileList::returnPressed, this, &frmVantrel::File1_DblClick);
    connect(Option1, &QRadioButton::toggled, this, &frmVantrel::KeepLevelGroupTabStop);
    connect(Option2, &QRadioButton::toggled, this, &frmVantrel::KeepLevelGroupTabStop);
    connect(txtInfo, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = CreateReportMenu(at);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(txtInfo->viewport()->mapToGlobal(at));
    });
    connect(Option1, &QRadioButton::clicked, this, &frmVantrel::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &frmVantrel::Option2_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmVantrel::cmdSave_Click);
    drivePoll_.setInterval(DrivePollMs);
    connect(&drivePoll_, &QTimer::timeout, this, &frmVantrel::PollDrives);
    drivePoll_.start();

    Form_Load();
}

void frmVantrel::Form_Load() {
    Drive1->setDrive(QCoreApplication::applicationDirPath());
    File1->setPattern(QStringLiteral("*.txt"));
}

void frmVantrel::Drive1_Change() {
    Dir1->openDrive(Drive1->drive());
}

void frmVantrel::Dir1_Change() {
    File1->setPath(Dir1->path());
}

frmVantrel::~frmVantrel() = default;

// The run's pauses for repainting take no user input, so the busy pointer says why a click
// does nothing yet.
auto frmVantrel::StartRun() {
    running_ = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    return qScopeGuard([this] {
        QGuiApplication::restoreOverrideCursor();
        running_ = false;
    });
}

void frmVantrel::File1_DblClick() {
    const QString fileName = File1->fileName();
    if (running_ || fileName.isEmpty())
        return;
    const auto finished = StartRun();

    lblStatus->setText(QStringLiteral("Reading file...."));
    LetWindowRepaint();

    // The report on show still belongs to the previous recording if this one cannot be read;
    // keeping that recording and its path means the level buttons and a save still serve it,
    // and a save cannot file it under this file's name.
    const std::string path =
        vantrel::InputPathFor(ToFileSystem(File1->path()), ToFileSystem(File1->fileName()));
    std::unique_ptr<vantrel::Recording> opened;
    try {
        opened = std::make_unique<vantrel::Recording>(vantrel::OpenRecordingSnapshot(path));
    } catch (const vantrel::FileError& error) {
        lblStatus->setText(tr("Could not read %1.").arg(fileName));
        ShowFileError(CannotReadMessage(error));
        return;
    }

    lblStatus->setText(QStringLiteral("Decoding file...."));
    LetWindowRepaint();

    recording_ = std::move(opened);
    InputPath = path;
    if (ShowReport())
        lblStatus->setText(fileName + QStringLiteral(" decoded."));
    else
        lblStatus->setText(tr("Could not read %1.").arg(fileName));
}

void frmVantrel::RunReport(vantrel::ReportLevel level, const vantrel::OutputTarget& target) const {
    if (!recording_) {
        target.write(vantrel::ReportHeaderText(0));
        return;
    }
    vantrel::OutputChoice choice;
    choice.level = level;
    RepaintNowAndThen repaint;
    vantrel::OutputTarget paced = target;
    paced.write = [&repaint, &target](std::string_view piece) {
        target.write(piece);
        repaint();
    };
    vantrel::StreamOptions options;
    // Told as the input is read, also while nothing is written (the count comes first).
    options.progress = [&repaint](const vantrel::StreamProgress&) { repaint(); };
    vantrel::RunWhole(*recording_, InputPath, choice, options, paced, nullptr);
}

bool frmVantrel::ShowReport() {
    const vantrel::ReportLevel level =
        Option1->isChecked() ? vantrel::ReportLevel::Short : vantrel::ReportLevel::Debug;
    shownLevel_.reset();
    // The report goes into the box as it is made, so the box's document is all that holds it.
    vantrel::ReportBoxWriter box(*txtInfo);
    std::size_t shown = 0;
    std::size_t current = 0; // of the record under way
    std::size_t last = 0;    // of the last whole record
    std::int64_t done = 0;
    vantrel::OutputTarget target;
    target.write = [&](std::string_view piece) {
        shown += piece.size();
        current += piece.size();
        if (shown > MaxShownReportBytes)
            throw ReportTooLarge();
        box.Write(piece);
    };
    target.recordDone = [&] {
        ++done;
        last = current;
        current = 0;
    };
    try {
        RunReport(level, target);
        box.Finish();
        shownLevel_ = level;
        return true;
    } catch (const ReportTooLarge&) {
        // No report is on show, so there is none to save either.
        txtInfo->clear();
        const std::size_t size = TooLargeReportSize(shown, done, current, last);
        ShowFileError(tr("The report is too large to show: about %1 MB.\n\nvantrel-decode "
                         "writes it to a file, or choose \"Normal (short info)\".")
                          .arg(size >> 20));
        return true;
    } catch (const vantrel::FileError& error) {
        txtInfo->clear();
        ShowFileError(CannotReadMessage(error));
        return false;
    }
}

std::size_t frmVantrel::TooLargeReportSize(std::size_t shown, std::int64_t done,
                                           std::size_t current, std::size_t last) const {
    // The records still to come are taken to be as long as the longer of the last two: where
    // a report runs away, its last records all repeat the same stretch of the input. Their
    // count is that of the short report, which is small.
    std::int64_t count = 0;
    vantrel::OutputTarget counter;
    counter.write = [](std::string_view) {};
    counter.recordDone = [&count] { ++count; };
    try {
        RunReport(vantrel::ReportLevel::Short, counter);
    } catch (const vantrel::FileError&) {
        // What was counted is all that can be told.
    }
    const auto toCome = static_cast<std::size_t>(std::max<std::int64_t>(count - done - 1, 0));
    return shown + toCome * std::max(current, last);
}

void frmVantrel::Option1_Click() {
    LevelClicked();
}

void frmVantrel::Option2_Click() {
    LevelClicked();
}

void frmVantrel::LevelClicked() {
    // A run pauses for repainting with user input held back, so a click cannot come in
    // during one; a call that does is left alone rather than nest a second run.
    if (running_)
        return;
    const auto finished = StartRun();
    ShowReport();
}

void frmVantrel::cmdSave_Click() {
    if (running_)
        return;
    const std::optional<std::string> reportPath = vantrel::ReportFileName(InputPath);
    if (!reportPath || !shownLevel_)
        return;
    const auto finished = StartRun();
    // The report on show is made again from the same copy of the recording, into the file:
    // the same bytes, without the window ever holding them beside the box's.
    try {
        vantrel::ReportFile file(*reportPath);
        vantrel::OutputTarget target;
        target.write = [&file](std::string_view piece) { file.Write(piece); };
        RunReport(*shownLevel_, target);
        file.Commit();
    } catch (const vantrel::FileError& error) {
        ShowFileError(tr("Cannot save the report as %1\n\n%2")
                          .arg(QDir::toNativeSeparators(FromFileSystem(error.path())),
                               QString::fromLocal8Bit(error.description())));
        return;
    }
    lblStatus->setText(FromFileSystem(vantrel::SavedStatusText(*reportPath)));
    // The new report belongs in the list at once, whatever the folder watch reports later.
    File1->refresh();
}

void frmVantrel::KeepLevelGroupTabStop() {
    for (QRadioButton* button : {Option1, Option2})
        button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void frmVantrel::PollDrives() {
    if (ListDrives && !running_)
        Drive1->setRoots(ListDrives());
}

void frmVantrel::OpenFile(const QString& path) {
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    Drive1->setDrive(folder);
    Dir1->setPath(folder);
    // A folder that cannot be listed leaves the lists where they were, and a file of the same
    // name there is another file.
    const bool listed = QDir(File1->path()) == QDir(folder);
    if (listed && File1->selectFile(file.fileName())) {
        File1->scrollToItem(File1->currentItem());
        File1_DblClick();
        return;
    }
    QString why;
    if (!file.exists())
        why = QString::fromLocal8Bit(std::strerror(ENOENT));
    else if (!listed)
        why = tr("Its folder cannot be listed.");
    else
        why = tr("Only files whose names match %1 can be decoded.").arg(File1->pattern());
    lblStatus->setText(tr("Could not read %1.").arg(file.fileName()));
    ShowFileError(tr("Cannot read the file %1\n\n%2")
                      .arg(QDir::toNativeSeparators(file.absoluteFilePath()), why));
}

std::optional<QUrl> frmVantrel::MapLinkAt(const QPoint& at) const {
    const QTextCursor cursor = txtInfo->cursorForPosition(at);
    // Below the last line the nearest position is still on it; only the line's own row counts.
    const QRect row = txtInfo->cursorRect(cursor);
    if (at.y() < row.top() || at.y() > row.bottom())
        return std::nullopt;
    return vantrel::MapLinkOf(vantrel::LineAt(cursor.block().text(), cursor.positionInBlock()));
}

QMenu* frmVantrel::CreateReportMenu(const QPoint& at) {
    QMenu* menu = txtInfo->createStandardContextMenu(at);
    menu->addSeparator();
    QAction* openMap = menu->addAction(tr("Open map"));
    const std::optional<QUrl> link = MapLinkAt(at);
    openMap->setEnabled(link.has_value());
    if (link)
        connect(openMap, &QAction::triggered, this, [this, url = *link] { OpenUrl(url); });
    return menu;
}

bool frmVantrel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != txtInfo->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::ControlModifier &&
            !txtInfo->textCursor().hasSelection()) {
            if (const std::optional<QUrl> link = MapLinkAt(mouse->position().toPoint()))
                OpenUrl(*link);
        }
        break;
    }
    case QEvent::MouseMove: {
        // The hand shows where Ctrl+click would open a map.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool onLink = mouse->modifiers() == Qt::ControlModifier &&
                            MapLinkAt(mouse->position().toPoint()).has_value();
        txtInfo->viewport()->setCursor(onLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
        break;
    }
    case QEvent::ToolTip: {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (MapLinkAt(help->pos()))
            QToolTip::showText(help->globalPos(), tr("Ctrl+click opens the map in the browser"),
                               txtInfo->viewport());
        else
            QToolTip::hideText();
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

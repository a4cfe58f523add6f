// The decoder window: three linked lists to pick a recording, the report of its decode at
// one of two levels, and saving that report next to the recording.
#pragma once

#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"
#include "report.h"
#include "status_label.h"
#include "titled_frame.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantrel {
struct Recording;
struct OutputTarget;
} // namespace vantrel

class frmVantrel : public QWidget {
    Q_OBJECT

public:
    // `driveRoots` are the drives the drive list offers; the mounted volumes unless a caller
    // (a test) gives others.
    explicit frmVantrel(const QStringList& driveRoots = vantrel::MountedVolumeRoots(),
                        QWidget* parent = nullptr);
    ~frmVantrel() override;

    // The controls, in tab order. Each also carries its name as object name.
    QPlainTextEdit* txtInfo;
    vantrel::FileList* File1;
    QPushButton* cmdSave;
    vantrel::DriveList* Drive1;
    vantrel::FolderList* Dir1;
    vantrel::StatusLabel* lblStatus;
    vantrel::TitledFrame* Frame1;
    QRadioButton* Option2;
    QRadioButton* Option1;

    // Tells the user about a file that could not be read or written. A message box, unless
    // replaced: tests replace it so that nothing waits for a click.
    std::function<void(const QString& message)> ShowFileError;

    // Hands a map link to the desktop's browser. Tests replace it to see what would open.
    std::function<void(const QUrl& url)> OpenUrl;

    // The drives as they are now. While set, the drive list is brought up to date with it
    // every DrivePollMs, so that a stick plugged in later appears and an unplugged one goes.
    std::function<QStringList()> ListDrives;
    static constexpr int DrivePollMs = 1500;

    // Does what a double-click on `path` in the file list would: moves the three lists to the
    // file's folder, selects the file and decodes it. A file the list does not offer (missing,
    // not matching its pattern, or in a folder that cannot be listed) is reported instead, in
    // the status label and as a file error.
    void OpenFile(const QString& path);

    // The report box's context menu for the point `at` of its viewport: the box's own entries
    // and "Open map", enabled when `at` is on a map link line. The caller owns the menu.
    QMenu* CreateReportMenu(const QPoint& at);

    // The map link of the report line at the point `at` of the report box's viewport.
    std::optional<QUrl> MapLinkAt(const QPoint& at) const;

    // The largest report the report box is given. Records that all repeat a long stretch of
    // the input can make a debug report many times the size of the recording; one beyond this
    // is not shown (the decode stops there), and the command-line tool writes it to a file
    // instead.
    std::size_t MaxShownReportBytes = std::size_t{1} << 30;

protected:
    // Ctrl+click on a map link in the report box.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void File1_DblClick();
    // Shows the report at the chosen level; false when the recording could not be read.
    bool ShowReport();
    // The report of the decoded recording at `level`, byte for byte what vantrel-decode
    // writes, handed to `target` as it is made, the window repainting now and then; before
    // any decode, the report of nothing.
    void RunReport(vantrel::ReportLevel level, const vantrel::OutputTarget& target) const;
    // The size the report that ShowReport refused would have: `shown` bytes so far, `done`
    // records of it whole and the one under way `current` bytes long, the last whole one
    // `last` bytes.
    std::size_t TooLargeReportSize(std::size_t shown, std::int64_t done, std::size_t current,
                                   std::size_t last) const;
    void Option1_Click();
    void Option2_Click();
    void LevelClicked();
    // Starts a run (a decode, a level's report, a save); it ends when the guard returned goes.
    auto StartRun();
    void cmdSave_Click();

    // Keeps only the selected level button in the tab chain, as desktops have it: Tab enters
    // the group at the selected button, the arrow keys move within the group.
    void KeepLevelGroupTabStop();
    void PollDrives();

    // The recording last decoded and its path. The recording is a copy of the file as it
    // was decoded, so that the other level and a save show the very report the user saw made,
    // whatever became of the file since.
    std::string InputPath;
    std::unique_ptr<vantrel::Recording> recording_;
    // The level of the report on show; nothing when none is (one refused as too large).
    std::optional<vantrel::ReportLevel> shownLevel_;

    // Set while a decode, a level's report or a save runs: its pauses for repainting must not
    // start a save or another run.
    bool running_ = false;

    QTimer drivePoll_;
};

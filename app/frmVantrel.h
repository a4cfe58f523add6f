// The decoder window: three linked lists to pick a recording, the report of its decode at
// one of two levels, and saving that report next to the recording.
#pragma once

#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"
#include "modETSI300230.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class frmVantrel : public QWidget {
    Q_OBJECT

public:
    // `driveRoots` are the drives the drive list offers; the mounted volumes unless a caller
    // (a test) gives others.
    explicit frmVantrel(const QStringList& driveRoots = vantrel::MountedVolumeRoots(),
                        QWidget* parent = nullptr);

    // The controls, in tab order. Each also carries its name as object name.
    QPlainTextEdit* txtInfo;
    vantrel::FileList* File1;
    QPushButton* cmdSave;
    vantrel::DriveList* Drive1;
    vantrel::FolderList* Dir1;
    QLabel* lblStatus;
    QGroupBox* Frame1;
    QRadioButton* Option2;
    QRadioButton* Option1;

    // Tells the user about a file that could not be read or written. A message box, unless
    // replaced: tests replace it so that nothing waits for a click.
    std::function<void(const QString& message)> ShowFileError;

    // The largest report the report box is given. Records that all repeat a long stretch of
    // the input can make a debug report many times the size of the recording; one beyond this
    // is not built, and the command-line tool writes it to a file instead.
    std::size_t MaxShownReportBytes = std::size_t{1} << 30;

private:
    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void File1_DblClick();
    void ShowReport();
    void Option1_Click();
    void Option2_Click();
    void cmdSave_Click();

    // The report as last built, the recording it came from, and the decode it was built from.
    std::string ReportText;
    std::string InputPath;
    std::vector<modETSI300230::BlockInfo> Blocks;
    std::int32_t BlockCount = 0;

    // Set while a decode runs: its two pauses for repainting must not start a save or a
    // second decode.
    bool running_ = false;
};

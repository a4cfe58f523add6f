// The file list: the files of one folder whose names match a pattern.
#pragma once

#include "marked_list.h"

#include <QFileSystemWatcher>
#include <QListWidget>
#include <QString>
#include <QTimer>

namespace vantrel {

// A double-click on a name is the list's itemDoubleClicked; Return or Enter on the focused name
// selects it and announces returnPressed, which the window takes as the same request. Names
// match the pattern without regard to letter case, so recordings written as "LOG1.TXT" are
// offered as well. The list follows its folder on disk: a file written, copied in, renamed or
// removed shows within a fraction of a second, the selection staying on its name.
class FileList : public MarkedList<QListWidget> {
    Q_OBJECT

public:
    // Lists every file of `folder` until a pattern is set.
    explicit FileList(const QString& folder, QWidget* parent = nullptr);

    QString path() const { return path_; }
    QString pattern() const { return pattern_; }

    // Each setting lists the folder again; the selection is cleared.
    void setPath(const QString& folder);
    // One or more wildcard patterns, separated by ";".
    void setPattern(const QString& pattern);

    // Lists the folder again, keeping the selected name selected while it is there.
    void refresh();

    // Selects `name` if the list shows it; true when it does.
    bool selectFile(const QString& name);

    // The selected file name, empty when none is selected.
    QString fileName() const;

signals:
    void returnPressed();

protected:
    void openFocused() override;

private:
    void fill();
    void watch();

    QString path_;
    QString pattern_ = QStringLiteral("*");
    QFileSystemWatcher watcher_;
    // Gathers the burst of changes one copy or save makes into one refresh.
    QTimer refreshSoon_;
};

} // namespace vantrel

// The file list: the files of one folder whose names match a pattern.
#pragma once

#include <QListWidget>
#include <QString>

namespace vantrel {

// A double-click on a name is the list's itemDoubleClicked. Names match the pattern without
// regard to letter case, so recordings written as "LOG1.TXT" are offered as well.
class FileList : public QListWidget {
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

    // The selected file name, empty when none is selected.
    QString fileName() const;

private:
    void fill();

    QString path_;
    QString pattern_ = QStringLiteral("*");
};

} // namespace vantrel

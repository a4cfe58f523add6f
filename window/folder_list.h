// The folder list: the path from the root down to the current folder, then its subfolders.
#pragma once

#include "marked_list.h"

#include <QHash>
#include <QString>
#include <QTreeWidget>

namespace vantrel {

// The list shows the folders from the drive's root down to the current folder, never above
// the root of the drive it was last opened on. Opening a folder (double-click, or Return on the
// highlighted one) makes it current and announces pathChanged; a single click only highlights. Each
// drive remembers the folder last current on it, as the system keeps a current folder per drive.
class FolderList : public MarkedList<QTreeWidget> {
    Q_OBJECT

public:
    // Starts in `folder`, which is taken as the current folder of the drive `driveRoot`.
    FolderList(const QString& driveRoot, const QString& folder, QWidget* parent = nullptr);

    // The current folder, absolute and cleaned.
    QString path() const { return path_; }

    // Makes `folder` current and lists it again. Announces pathChanged when the current
    // folder changed. A folder that does not exist or cannot be listed changes nothing and
    // gives false.
    bool setPath(const QString& folder);

    // Opens the folder last current on the drive `root`, or its root the first time. A drive
    // that cannot be listed leaves the list where it was.
    void openDrive(const QString& root);

signals:
    void pathChanged();

protected:
    void openFocused() override;
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

private:
    void openItem(const QTreeWidgetItem* item);
    void fill();

    QString path_;
    QString driveRoot_;
    QHash<QString, QString> lastFolderOnDrive_;
};

} // namespace vantrel

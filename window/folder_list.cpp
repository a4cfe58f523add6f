#include "folder_list.h"

#include "drive_list.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStyle>

namespace vantrel {

namespace {

constexpr int PathRole = Qt::UserRole;

bool CanList(const QFileInfo& info) {
    // Listing a folder needs both the right to read it and the right to search it.
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QTreeWidgetItem* NewEntry(const QString& text, const QString& path, const QIcon& icon) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, PathRole, path);
    item->setIcon(0, icon);
    item->setToolTip(0, QDir::toNativeSeparators(path));
    return item;
}

} // namespace

FolderList::FolderList(const QString& driveRoot, const QString& folder, QWidget* parent)
    : MarkedList(parent), driveRoot_(driveRoot) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(10);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](const QTreeWidgetItem* item) { openItem(item); });
    setPath(folder);
}

bool FolderList::setPath(const QString& folder) {
    const QFileInfo info(folder);
    if (!CanList(info))
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = clean != path_;
    path_ = clean;
    if (!driveRoot_.isEmpty())
        lastFolderOnDrive_.insert(driveRoot_, path_);
    fill();
    if (changed)
        emit pathChanged();
    return true;
}

void FolderList::openDrive(const QString& root) {
    const QString previousDrive = driveRoot_;
    driveRoot_ = root;
    const QString remembered = lastFolderOnDrive_.value(root);
    if (!remembered.isEmpty() && setPath(remembered))
        return;
    if (setPath(root))
        return;
    driveRoot_ = previousDrive;
}

void FolderList::openFocused() {
    openItem(currentItem());
}

void FolderList::drawBranches(QPainter*, const QRect&, const QModelIndex&) const {
    // Every entry is always open; expand arrows would only suggest otherwise.
}

void FolderList::openItem(const QTreeWidgetItem* item) {
    if (item != nullptr)
        setPath(item->data(0, PathRole).toString());
}

void FolderList::fill() {
    clear();
    // The folders from the current one up to the root, collected upwards and shown downwards.
    QStringList chain;
    // The chain starts at the drive's root: the drive box names the drive the list is on,
    // so the list never offers the folders above it.
    const bool onDrive = !driveRoot_.isEmpty() && IsOnDrive(driveRoot_, path_);
    QDir dir(path_);
    chain.prepend(dir.absolutePath());
    while (!dir.isRoot() && !(onDrive && IsOnDrive(dir.absolutePath(), driveRoot_)) && dir.cdUp())
        chain.prepend(dir.absolutePath());

    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parentEntry = nullptr;
    for (const QString& folder : chain) {
        const QString name =
            QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        QTreeWidgetItem* entry = NewEntry(name, folder, openIcon);
        if (parentEntry == nullptr)
            addTopLevelItem(entry);
        else
            parentEntry->addChild(entry);
        parentEntry = entry;
    }
    QTreeWidgetItem* current = parentEntry;

    const QFileInfoList subfolders =
        QDir(path_).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& subfolder : subfolders)
        current->addChild(NewEntry(subfolder.fileName(),
                                   QDir::cleanPath(subfolder.absoluteFilePath()), closedIcon));

    expandAll();
    setCurrentItem(current);
    scrollToItem(current);
}

} // namespace vantrel

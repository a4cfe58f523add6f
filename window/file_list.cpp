#include "file_list.h"

#include <QDir>
#include <QScrollBar>

namespace vantrel {

namespace {

// Short enough that a new file shows "at once", long enough to take a save's temporary file
// and its rename together.
constexpr int RefreshDelayMs = 150;

} // namespace

FileList::FileList(const QString& folder, QWidget* parent) : MarkedList(parent), path_(folder) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    refreshSoon_.setSingleShot(true);
    refreshSoon_.setInterval(RefreshDelayMs);
    connect(&refreshSoon_, &QTimer::timeout, this, &FileList::refresh);
    // Not restarted by further changes, so that a folder that keeps changing is still shown
    // fresh every RefreshDelayMs.
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!refreshSoon_.isActive())
            refreshSoon_.start();
    });
    fill();
    watch();
}

void FileList::setPath(const QString& folder) {
    path_ = folder;
    fill();
    watch();
}

void FileList::setPattern(const QString& pattern) {
    pattern_ = pattern;
    fill();
}

void FileList::refresh() {
    const QString selected = fileName();
    const int scrolled = verticalScrollBar()->value();
    fill();
    if (!selected.isEmpty())
        selectFile(selected);
    verticalScrollBar()->setValue(scrolled);
}

bool FileList::selectFile(const QString& name) {
    const QList<QListWidgetItem*> found =
        findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty())
        return false;
    setCurrentItem(found.first());
    return true;
}

QString FileList::fileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void FileList::openFocused() {
    // The focused name is the one meant, even where the focus arrived without selecting it.
    if (QListWidgetItem* focused = currentItem()) {
        focused->setSelected(true);
        emit returnPressed();
    }
}

void FileList::fill() {
    clear();
    // Without QDir::CaseSensitive the name filters ignore letter case.
    const QDir folder(path_, QString(), QDir::Name | QDir::IgnoreCase, QDir::Files);
    for (const QString& name :
         folder.entryList(pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts))) {
        auto* item = new QListWidgetItem(name, this);
        // The list is narrow; the whole name is always a hover away.
        item->setToolTip(name);
    }
}

void FileList::watch() {
    if (const QStringList watched = watcher_.directories(); !watched.isEmpty())
        watcher_.removePaths(watched);
    if (!path_.isEmpty() && QDir(path_).exists())
        watcher_.addPath(path_);
}

} // namespace vantrel

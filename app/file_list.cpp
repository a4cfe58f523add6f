#include "file_list.h"

#include <QDir>

namespace vantrel {

FileList::FileList(const QString& folder, QWidget* parent) : QListWidget(parent), path_(folder) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    fill();
}

void FileList::setPath(const QString& folder) {
    path_ = folder;
    fill();
}

void FileList::setPattern(const QString& pattern) {
    pattern_ = pattern;
    fill();
}

QString FileList::fileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void FileList::fill() {
    clear();
    // Without QDir::CaseSensitive the name filters ignore letter case.
    const QDir folder(path_, QString(), QDir::Name | QDir::IgnoreCase, QDir::Files);
    addItems(folder.entryList(pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts)));
}

} // namespace vantrel

#include "drive_list.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace vantrel {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity PathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity PathCase = Qt::CaseSensitive;
#endif

QString CleanAbsolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// True when `path` is `root` or lies below it; "/work" does not hold "/workshop".
bool Holds(const QString& root, const QString& path) {
    if (path.compare(root, PathCase) == 0)
        return true;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return path.startsWith(prefix, PathCase);
}

} // namespace

QStringList MountedVolumeRoots() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Containers bind single files (resolv.conf, hosts) as volumes; only folders can be
        // opened in the folder list.
        if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir())
            roots << CleanAbsolute(volume.rootPath());
    }
    roots.removeDuplicates();
    roots.sort(PathCase);
    return roots;
}

QString DriveOf(const QString& path, const QStringList& roots) {
    const QString target = CleanAbsolute(path);
    QString best;
    for (const QString& root : roots) {
        const QString clean = CleanAbsolute(root);
        if (Holds(clean, target) && clean.size() > best.size())
            best = root;
    }
    return best;
}

DriveList::DriveList(const QStringList& roots, QWidget* parent) : QComboBox(parent) {
    for (const QString& root : roots)
        addItem(QDir::toNativeSeparators(root), root);
    setDrive(QDir::currentPath());
}

void DriveList::setDrive(const QString& path) {
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots << itemData(i).toString();
    const QString root = DriveOf(path, roots);
    if (!root.isEmpty())
        setCurrentIndex(static_cast<int>(roots.indexOf(root)));
}

QString DriveList::drive() const {
    return currentData().toString();
}

} // namespace vantrel

#include "drive_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>

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

} // namespace

bool IsOnDrive(const QString& root, const QString& path) {
    if (path.compare(root, PathCase) == 0)
        return true;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return path.startsWith(prefix, PathCase);
}

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

QStringList MountedVolumes::roots() {
    // Where the system shows no mount table as a file, the table reads as empty and the
    // volumes are listed every time.
    QByteArray table;
    QFile mountTable(QStringLiteral("/proc/self/mountinfo"));
    if (mountTable.open(QIODevice::ReadOnly))
        table = mountTable.readAll();
    if (!listed_ || table.isEmpty() || table != table_) {
        roots_ = MountedVolumeRoots();
        table_ = table;
        listed_ = true;
    }
    return roots_;
}

QString DriveOf(const QString& path, const QStringList& roots) {
    const QString target = CleanAbsolute(path);
    QString best;
    for (const QString& root : roots) {
        const QString clean = CleanAbsolute(root);
        if (IsOnDrive(clean, target) && clean.size() > best.size())
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

void DriveList::setRoots(const QStringList& roots) {
    QStringList listed;
    for (int i = 0; i < count(); ++i)
        listed << itemData(i).toString();
    if (listed == roots)
        return;
    const QString selected = drive();
    int index = static_cast<int>(roots.indexOf(selected));
    const bool stays = index >= 0 || selected.isEmpty();
    if (index < 0)
        index = std::max(0, static_cast<int>(roots.indexOf(DriveOf(selected, roots))));
    {
        const QSignalBlocker quiet(this);
        clear();
        for (const QString& root : roots)
            addItem(QDir::toNativeSeparators(root), root);
        setCurrentIndex(roots.isEmpty() ? -1 : index);
    }
    if (!stays && !roots.isEmpty())
        emit currentIndexChanged(index);
}

void DriveList::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    if (!hasFocus())
        return;
    // As clear a focus mark as the two other lists carry.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
}

} // namespace vantrel

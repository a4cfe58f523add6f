// The drive list: the mounted volumes of the system, one of them selected.
#pragma once

#include <QByteArray>
#include <QComboBox>
#include <QString>
#include <QStringList>

namespace vantrel {

// The root folders of the mounted volumes that can be listed, sorted, each once.
QStringList MountedVolumeRoots();

// The mounted volume roots for a window that asks again and again: the volumes are listed
// anew only when the system's mount table has changed since the last call. Listing them looks
// at every volume, network ones included, which is too slow to repeat every few seconds.
class MountedVolumes {
public:
    QStringList roots();

private:
    QByteArray table_;
    QStringList roots_;
    bool listed_ = false;
};

// The drive that holds `path`: the longest of `roots` that contains it, or an empty text when
// none does. Both are compared as absolute, cleaned paths.
QString DriveOf(const QString& path, const QStringList& roots);

// True when `path` is the drive root `root` or lies below it ("/work" does not hold
// "/workshop"). Both are taken as they are: absolute, cleaned paths.
bool IsOnDrive(const QString& root, const QString& path);

// Lists drives by their root folders. Its change is the combo box's currentIndexChanged, so
// a drive chosen by the user and one set from a path are announced alike.
class DriveList : public QComboBox {
    Q_OBJECT

public:
    // Starts on the drive of the working folder, as the system's current drive.
    explicit DriveList(const QStringList& roots, QWidget* parent = nullptr);

    // Selects the drive that holds `path`; a path on no listed drive changes nothing.
    void setDrive(const QString& path);

    // The root folder of the selected drive, empty when nothing is listed.
    QString drive() const;

    // Lists `roots` instead, as drives are mounted and unmounted. The selected drive stays
    // selected while it is listed; when it goes, the drive that held its root is selected (or
    // the first), announced as any change of drive.
    void setRoots(const QStringList& roots);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vantrel

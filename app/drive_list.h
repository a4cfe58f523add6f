// The drive list: the mounted volumes of the system, one of them selected.
#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>

namespace vantrel {

// The root folders of the mounted volumes that can be listed, sorted, each once.
QStringList MountedVolumeRoots();

// The drive that holds `path`: the longest of `roots` that contains it, or an empty text when
// none does. Both are compared as absolute, cleaned paths.
QString DriveOf(const QString& path, const QStringList& roots);

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
};

} // namespace vantrel

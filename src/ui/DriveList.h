#pragma once

#include <QComboBox>
#include <QStringList>

// The drive list of the main window: the user's Home and Pictures folders,
// then the mounted volumes of the machine, the root first and the others
// sorted by path. A drive is named by the folder it is mounted on; Home
// and Pictures by their names, their folders in their tips.
//
// Change is raised whenever another drive is chosen, by the user or by
// setDrive; never when the list is refilled or merely shows where a folder
// lies (showDriveOf).
class DriveList : public QComboBox {
    Q_OBJECT

public:
    explicit DriveList(QWidget* parent = nullptr);

    // The mount points worth browsing: pseudo file systems and mounts of
    // single files are left out.
    static QStringList mountedDrives();
    // The user's home folder and picture folder (QStandardPaths), those
    // that are folders, the home first.
    static QStringList userPlaces();
    // userPlaces, then mountedDrives, each folder once: what the list holds.
    static QStringList places();
    // The drive of the list that holds path: the longest mount point that
    // is path or one of its ancestors; empty when none is.
    static QString driveOf(const QString& path, const QStringList& drives);

    // Refills the list, keeping the chosen drive when it is still there.
    void setDrives(const QStringList& drives);
    QStringList drives() const;

    QString drive() const;
    // Chooses the drive; false, and nothing changes, when it is not in the
    // list. Raises Change when it differs from the drive shown.
    bool setDrive(const QString& drive);
    // Shows the drive that holds path, without raising Change.
    void showDriveOf(const QString& path);

signals:
    void valueChanged();

private:
    bool m_quiet = false;
};

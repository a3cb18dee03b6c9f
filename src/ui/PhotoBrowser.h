#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

class DriveList;
class FileList;
class FolderList;

// The browser at the top of the main window's left column: the drive list,
// the folder list and the list of the folder's photos. It remembers the
// folder shown last on each drive, hides the folder and file lists while a
// drive that cannot be read is chosen, and raises photoChosen when the user
// picks a photo in the file list and folderShown when the folder changes.
class PhotoBrowser : public QWidget {
    Q_OBJECT

public:
    explicit PhotoBrowser(QWidget* parent = nullptr);

    // The stored drive and then the stored folder; a folder that cannot be
    // read leaves the lists where they were.
    void restore(const QString& drive, const QString& folder);
    // Shows the folder in the lists; false when it cannot be read.
    bool showFolder(const QString& folder);
    // Selects the photo of that name in the file list without raising
    // photoChosen; false when the list does not hold it.
    bool selectPhoto(const QString& name);
    // The full path of the photo selected in the file list; empty when none is.
    QString chosenPhoto() const;

    DriveList* driveList;
    FolderList* folderList;
    FileList* fileList;

signals:
    void photoChosen();
    // The folder list moved to another folder, by the user or by a call.
    void folderShown();

private:
    void onDriveChanged();
    void onFolderChanged();

    // The folder shown last on each drive.
    QHash<QString, QString> m_driveFolders;
};

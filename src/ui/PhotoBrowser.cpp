#include "ui/PhotoBrowser.h"

#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1Design.h"

#include <QDir>

PhotoBrowser::PhotoBrowser(QWidget* parent)
    : QWidget(parent)
    , TheDrive(new DriveList(this))
    , TheDir(new FolderList(this))
    , TheFile(new FileList(this))
{
    TheDrive->setGeometry(Form1Design::TheDrive.pixels());
    TheDir->setGeometry(Form1Design::TheDir.pixels());
    TheFile->setGeometry(Form1Design::TheFile.pixels());

    // The browser starts on the program's working folder.
    TheDrive->setDrives(DriveList::mountedDrives());
    TheDrive->showDriveOf(QDir::currentPath());
    TheDir->setPath(QDir::currentPath());
    TheFile->setPath(TheDir->path());
    m_driveFolders.insert(DriveList::driveOf(TheDir->path(), TheDrive->drives()), TheDir->path());

    connect(TheDrive, &DriveList::Change, this, &PhotoBrowser::TheDrive_Change);
    connect(TheDir, &FolderList::Change, this, &PhotoBrowser::TheDir_Change);
    connect(TheFile, &FileList::Click, this, &PhotoBrowser::photoChosen);
}

void PhotoBrowser::restore(const QString& drive, const QString& folder)
{
    // The drive is restored before the folder, so that a stored folder is
    // shown whatever drive the list showed at start.
    TheDrive->setDrive(drive);
    showFolder(folder);
}

bool PhotoBrowser::showFolder(const QString& folder)
{
    if (!TheDir->setPath(folder)) return false;
    TheDrive->showDriveOf(TheDir->path());
    TheDir->show();
    TheFile->show();
    return true;
}

QString PhotoBrowser::chosenPhoto() const
{
    const QString name = TheFile->fileName();
    return name.isEmpty() ? QString() : QDir(TheFile->path()).filePath(name);
}

void PhotoBrowser::TheDrive_Change()
{
    const QString drive = TheDrive->drive();
    const QString folder = m_driveFolders.value(drive, drive);
    // A drive that cannot be read (no medium, no permission) hides the lists
    // until a readable one is chosen.
    const bool readable = TheDir->setPath(folder) || (folder != drive && TheDir->setPath(drive));
    TheDir->setVisible(readable);
    TheFile->setVisible(readable);
}

void PhotoBrowser::TheDir_Change()
{
    const QString folder = TheDir->path();
    m_driveFolders.insert(DriveList::driveOf(folder, TheDrive->drives()), folder);
    TheDrive->showDriveOf(folder);
    TheFile->setPath(folder);
}

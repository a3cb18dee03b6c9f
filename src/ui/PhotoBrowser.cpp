#include "ui/PhotoBrowser.h"

#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1Design.h"

#include <QDir>
#include <QVBoxLayout>

PhotoBrowser::PhotoBrowser(QWidget* parent)
    : QWidget(parent)
    , TheDrive(new DriveList(this))
    , TheDir(new FolderList(this))
    , TheFile(new FileList(this))
{
    namespace Design = Form1Design;
    // The design's sizes are the least the lists get; the folder list and,
    // twice as much, the file list take what the column gains in height.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TheDrive);
    layout->addSpacing(Twips::toPixels(Design::TheDir.top - Design::TheDrive.bottom()));
    layout->addWidget(TheDir, 1);
    layout->addSpacing(Twips::toPixels(Design::TheFile.top - Design::TheDir.bottom()));
    layout->addWidget(TheFile, 2);
    TheDrive->setMinimumSize(Design::TheDrive.pixelSize());
    TheDir->setMinimumSize(Design::TheDir.pixelSize());
    TheFile->setMinimumSize(Design::TheFile.pixelSize());

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

bool PhotoBrowser::selectPhoto(const QString& name)
{
    return TheFile->selectQuietly(name);
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

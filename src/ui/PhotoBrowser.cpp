#include "ui/PhotoBrowser.h"

#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/MainWindowDesign.h"

#include <QDir>
#include <QVBoxLayout>

PhotoBrowser::PhotoBrowser(QWidget* parent)
    : QWidget(parent)
    , driveList(new DriveList(this))
    , folderList(new FolderList(this))
    , fileList(new FileList(this))
{
    namespace Design = MainWindowDesign;
    // The design's sizes are the least the lists get; the folder list and,
    // twice as much, the file list take what the column gains in height.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(driveList);
    layout->addSpacing(Twips::toPixels(Design::folderList.top - Design::driveList.bottom()));
    layout->addWidget(folderList, 1);
    layout->addSpacing(Twips::toPixels(Design::fileList.top - Design::folderList.bottom()));
    layout->addWidget(fileList, 2);
    driveList->setMinimumSize(Design::driveList.pixelSize());
    folderList->setMinimumSize(Design::folderList.pixelSize());
    fileList->setMinimumSize(Design::fileList.pixelSize());

    // The browser starts on the program's working folder.
    driveList->setDrives(DriveList::places());
    driveList->showDriveOf(QDir::currentPath());
    folderList->setPath(QDir::currentPath());
    fileList->setPath(folderList->path());
    m_driveFolders.insert(DriveList::driveOf(folderList->path(), driveList->drives()), folderList->path());

    connect(driveList, &DriveList::valueChanged, this, &PhotoBrowser::onDriveChanged);
    connect(folderList, &FolderList::valueChanged, this, &PhotoBrowser::onFolderChanged);
    connect(fileList, &FileList::Click, this, &PhotoBrowser::photoChosen);
}

void PhotoBrowser::restore(const QString& drive, const QString& folder)
{
    // The drive is restored before the folder, so that a stored folder is
    // shown whatever drive the list showed at start.
    driveList->setDrive(drive);
    showFolder(folder);
}

bool PhotoBrowser::showFolder(const QString& folder)
{
    if (!folderList->setPath(folder)) return false;
    driveList->showDriveOf(folderList->path());
    folderList->show();
    fileList->show();
    return true;
}

bool PhotoBrowser::selectPhoto(const QString& name)
{
    return fileList->selectQuietly(name);
}

QString PhotoBrowser::chosenPhoto() const
{
    const QString name = fileList->fileName();
    return name.isEmpty() ? QString() : QDir(fileList->path()).filePath(name);
}

void PhotoBrowser::onDriveChanged()
{
    const QString drive = driveList->drive();
    const QString folder = m_driveFolders.value(drive, drive);
    // A drive that cannot be read (no medium, no permission) hides the lists
    // until a readable one is chosen.
    const bool readable = folderList->setPath(folder) || (folder != drive && folderList->setPath(drive));
    folderList->setVisible(readable);
    fileList->setVisible(readable);
}

void PhotoBrowser::onFolderChanged()
{
    const QString folder = folderList->path();
    m_driveFolders.insert(DriveList::driveOf(folder, driveList->drives()), folder);
    driveList->showDriveOf(folder);
    fileList->setPath(folder);
    emit folderShown();
}

#include "ui/FolderList.h"

#include "workflow/PhotoFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

namespace {

constexpr int PathRole = Qt::UserRole;

} // namespace

FolderList::FolderList(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { setPath(item->data(PathRole).toString()); });
}

bool FolderList::setPath(const QString& path)
{
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable() || !QDir(path).isReadable()) return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = clean != m_path;
    m_path = clean;
    fill();
    if (changed) emit Change();
    return true;
}

QString FolderList::entryPath(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(PathRole).toString() : QString();
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        setPath(currentItem()->data(PathRole).toString());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderList::fill()
{
    clear();
    // Ancestors first, from the root down to the current folder.
    QStringList chain;
    for (QDir dir(m_path);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp()) break;
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = folder == QLatin1String("/") ? folder : QFileInfo(folder).fileName();
        auto* entry = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name, this);
        entry->setData(PathRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);
    for (const QString& folder : PhotoFolder::subFolders(m_path)) {
        auto* entry
            = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + QFileInfo(folder).fileName(), this);
        entry->setData(PathRole, QDir::cleanPath(folder));
    }
}

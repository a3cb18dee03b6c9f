#include "ui/FileList.h"

#include "workflow/PhotoFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

FileList::FileList(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling && row >= 0) emit Click();
    });
    // A click on the entry already selected changes no row, yet it picks
    // the photo again.
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (row(item) == m_rowAtPress) emit Click();
    });
}

bool FileList::setPath(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !QDir(path).isReadable()) return false;
    m_path = QDir::cleanPath(info.absoluteFilePath());
    m_filling = true;
    clear();
    addItems(PhotoFolder::photoNames(m_path));
    setCurrentRow(-1);
    m_filling = false;
    return true;
}

QString FileList::fileName() const
{
    const QListWidgetItem* entry = currentItem();
    return entry ? entry->text() : QString();
}

bool FileList::selectQuietly(const QString& name)
{
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty()) return false;
    m_filling = true;
    setCurrentItem(found.first());
    m_filling = false;
    scrollToItem(found.first());
    return true;
}

void FileList::mousePressEvent(QMouseEvent* event)
{
    m_rowAtPress = currentRow();
    QListWidget::mousePressEvent(event);
}

void FileList::keyPressEvent(QKeyEvent* event)
{
    // Enter opens the selected photo again, as a click on it does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        emit Click();
        return;
    }
    QListWidget::keyPressEvent(event);
}

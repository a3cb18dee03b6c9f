#include "ui/FileList.h"

#include "workflow/PhotoFolder.h"
#include "workflow/ThumbnailQueue.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>

namespace {

// Whether the entry shows its photo's own picture.
constexpr int ThumbnailRole = Qt::UserRole + 1;

// A frame the size of a thumbnail, light and empty: a photo's place while
// its picture is being made.
QIcon placeholderIcon(const QColor& color)
{
    QPixmap frame(FileList::ThumbnailSide, FileList::ThumbnailSide);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setPen(color);
    // A photo's usual shape, 4:3, a little inside the square.
    const int width = frame.width() - 8;
    const int height = width * 3 / 4;
    painter.drawRect((frame.width() - width) / 2, (frame.height() - height) / 2, width - 1, height - 1);
    return QIcon(frame);
}

// The picture centred on a clear square, so that every name starts at the
// same place whatever the shape of its photo.
QIcon squareIcon(const QImage& picture)
{
    QPixmap square(FileList::ThumbnailSide, FileList::ThumbnailSide);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((square.width() - picture.width()) / 2, (square.height() - picture.height()) / 2, picture);
    return QIcon(square);
}

QIcon emptyIcon()
{
    QPixmap blank(FileList::ThumbnailSide, FileList::ThumbnailSide);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

} // namespace

FileList::FileList(QWidget* parent)
    : QListWidget(parent)
    , m_thumbnails(new ThumbnailQueue(ThumbnailSide, this))
    , m_placeholder(placeholderIcon(palette().color(QPalette::Mid)))
    , m_noThumbnail(emptyIcon())
{
    connect(m_thumbnails, &ThumbnailQueue::thumbnailReady, this, &FileList::onThumbnailReady);
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
    const QStringList names = PhotoFolder::photoNames(m_path);
    addItems(names);
    m_rows.clear();
    for (int i = 0; i < names.size(); ++i)
        m_rows.insert(names[i], i);
    setCurrentRow(-1);
    m_filling = false;
    if (m_thumbnailsShown)
        requestThumbnails();
    else
        stopThumbnails();
    return true;
}

void FileList::setThumbnailsShown(bool shown)
{
    if (shown == m_thumbnailsShown) return;
    m_thumbnailsShown = shown;
    setIconSize(shown ? QSize(ThumbnailSide, ThumbnailSide) : QSize());
    if (shown) {
        requestThumbnails();
        return;
    }
    stopThumbnails();
    for (int i = 0; i < count(); ++i) {
        item(i)->setIcon(QIcon());
        item(i)->setData(ThumbnailRole, false);
    }
}

void FileList::stopThumbnails()
{
    m_thumbnails->cancel();
}

bool FileList::hasThumbnail(const QString& name) const
{
    const auto row = m_rows.constFind(name);
    return row != m_rows.constEnd() && item(*row)->data(ThumbnailRole).toBool();
}

void FileList::requestThumbnails()
{
    QStringList names;
    names.reserve(count());
    for (int i = 0; i < count(); ++i) {
        item(i)->setIcon(m_placeholder);
        item(i)->setData(ThumbnailRole, false);
        names << item(i)->text();
    }
    m_thumbnails->request(m_path, names);
}

void FileList::onThumbnailReady(const QString& folder, const QString& name, const QImage& picture)
{
    const auto row = m_rows.constFind(name);
    if (!m_thumbnailsShown || folder != m_path || row == m_rows.constEnd()) return;
    QListWidgetItem* entry = item(*row);
    if (picture.isNull()) {
        entry->setIcon(m_noThumbnail);
    } else {
        entry->setIcon(squareIcon(picture));
        entry->setData(ThumbnailRole, true);
    }
    emit thumbnailDone(name);
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

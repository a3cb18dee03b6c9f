#include "workflow/ThumbnailQueue.h"

#include "workflow/ListThumbnail.h"

#include <QDir>
#include <QThread>

#include <algorithm>

ThumbnailQueue::ThumbnailQueue(int side, QObject* parent)
    : QObject(parent)
    , m_side(side)
{
    // Half the cores, so that the window and the preview keep theirs; each
    // thread holds at most one decoded picture, most often a JPEG reduced
    // by 8, which bounds the memory the queue takes whatever the folder.
    m_pool.setMaxThreadCount(std::clamp(QThread::idealThreadCount() / 2, 1, 4));
}

ThumbnailQueue::~ThumbnailQueue()
{
    cancel();
    m_pool.waitForDone();
}

void ThumbnailQueue::request(const QString& folder, const QStringList& names)
{
    cancel();
    const uint64_t request = m_request.load();
    const QDir dir(folder);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        m_pool.start([this, request, folder, name, path] {
            if (m_request.load() != request) return;
            const QImage picture = ListThumbnail::make(path, m_side);
            // Events still queued for the queue go with it, and the
            // destructor waits for this thread: this outlives the call.
            QMetaObject::invokeMethod(
                this,
                [this, request, folder, name, picture] {
                    if (m_request.load() == request) emit thumbnailReady(folder, name, picture);
                },
                Qt::QueuedConnection);
        });
    }
}

void ThumbnailQueue::cancel()
{
    ++m_request;
    m_pool.clear();
}

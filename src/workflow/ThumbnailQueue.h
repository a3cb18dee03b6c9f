#pragma once

#include <QImage>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <cstdint>

// Makes the file list's thumbnails (ListThumbnail) of one folder's photos
// on threads of its own, a few at a time, and hands each to the thread the
// queue lives on through a queued thumbnailReady. A new request, cancel()
// or the queue's end drops what an earlier request has not delivered yet:
// photos not started are not made, those being made are thrown away.
class ThumbnailQueue : public QObject {
    Q_OBJECT

public:
    explicit ThumbnailQueue(int side, QObject* parent = nullptr);
    // Waits for the thumbnails being made (each a bounded decode).
    ~ThumbnailQueue() override;

    int side() const { return m_side; }

    // The thumbnails of the photos of folder called names, in their order.
    void request(const QString& folder, const QStringList& names);
    void cancel();
    // Waits until every thumbnail requested was made or dropped; for
    // benchmarks and tests.
    void waitForDone() { m_pool.waitForDone(); }

signals:
    // picture is null for a photo that gives none (damaged, unreadable).
    void thumbnailReady(const QString& folder, const QString& name, const QImage& picture);

private:
    int m_side;
    QThreadPool m_pool;
    // Counts the requests; a thumbnail of an earlier one is dropped.
    std::atomic<uint64_t> m_request { 0 };
};

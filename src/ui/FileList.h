#pragma once

#include <QHash>
#include <QIcon>
#include <QListWidget>

class ThumbnailQueue;

// A file list of the main window: the photos of one folder (JPEG, HEIF,
// PNG, WebP and TIFF names, as PhotoFolder::isPhotoName takes them),
// sorted by name.
//
// Click is raised when the user picks an entry: a mouse click (also on the
// entry already selected), a move of the selection with the keyboard
// (arrows, or typing the first letters of a name), or Enter.
// Refilling the list raises nothing.
//
// With thumbnails shown, each entry has a small picture of its photo,
// made off the window's thread (ThumbnailQueue) while the list answers;
// a placeholder stands in until it comes, and a photo that gives none
// (damaged, unreadable) keeps an empty place.
class FileList : public QListWidget {
    Q_OBJECT

public:
    explicit FileList(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Lists the photos of path; false, and the list keeps its content, when
    // the folder cannot be read.
    bool setPath(const QString& path);
    // The name of the selected entry; empty when none is.
    QString fileName() const;
    // Selects the entry of that name without raising Click; false when the
    // list holds none.
    bool selectQuietly(const QString& name);

    bool thumbnailsShown() const { return m_thumbnailsShown; }
    void setThumbnailsShown(bool shown);
    // Drops the thumbnails not made yet; setPath or setThumbnailsShown asks
    // for them again.
    void stopThumbnails();
    // Whether the entry of that name shows its photo's thumbnail.
    bool hasThumbnail(const QString& name) const;
    static constexpr int ThumbnailSide = 48;

signals:
    void Click();
    // The thumbnail of the entry of that name came and is shown, or none
    // could be made (hasThumbnail tells which); for tests and benchmarks.
    void thumbnailDone(const QString& name);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void requestThumbnails();
    void onThumbnailReady(const QString& folder, const QString& name, const QImage& picture);

    QString m_path;
    bool m_thumbnailsShown = false;
    ThumbnailQueue* m_thumbnails;
    QIcon m_placeholder;
    QIcon m_noThumbnail;
    // The row of each name, for the thumbnails as they come.
    QHash<QString, int> m_rows;
    bool m_filling = false;
    int m_rowAtPress = -1;
};

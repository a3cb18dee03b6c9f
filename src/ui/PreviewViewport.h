#pragma once

#include <QFrame>

#include <utility>

class QScrollBar;

// The viewport of the preview (previewViewport): a sunken frame whose inner area,
// client(), holds the photo and the stamp labels and clips them. Positions
// of the things inside count from the inner area's top-left corner.
//
// A picture larger than the inner area gets scroll bars along the frame's
// right and bottom edges, which take their room from the inner area; their
// values are how far the picture is scrolled, in pixels of the picture as
// shown.
class PreviewViewport : public QFrame {
    Q_OBJECT

public:
    explicit PreviewViewport(QWidget* parent = nullptr);

    QWidget* client() const { return m_client; }
    // The width and height of the frame's border, together on both sides.
    int borderSize() const { return 2 * frameWidth(); }
    // The picture shown inside, which sets the scroll bars' ranges.
    void setPictureSize(QSize picture);
    // The size the viewport takes for picture, where area is the room it
    // has: no larger than the picture with its border and the scroll bars
    // it then needs.
    QSize sizeFor(QSize picture, QSize area) const;
    // How far the picture is scrolled, in the bars' ranges.
    QPoint scrollPosition() const;
    void setScrollPosition(QPoint position);
    QScrollBar* horizontalBar() const { return m_horizontal; }
    QScrollBar* verticalBar() const { return m_vertical; }

signals:
    // The user moved a scroll bar.
    void scrolled(QPoint position);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Which bars a picture needs inside a frame of outer size.
    std::pair<bool, bool> barsFor(QSize picture, QSize outer) const;
    void layOut();

    QWidget* m_client;
    QScrollBar* m_horizontal;
    QScrollBar* m_vertical;
    QSize m_picture;
};

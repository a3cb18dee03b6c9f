#pragma once

#include <QImage>
#include <QWidget>

// A picture stretched over the whole widget: the preview of the photo
// (previewImage) and the display of the working image (displayView). A picture that
// has the widget's size and QImage::Format_RGB32 is painted as it is; any
// other is stretched and converted once per picture and size, so that
// panning only repaints. A widget larger than its picture (a zoom past
// 100 %) stretches it while painting, the exposed part only.
class PictureView : public QWidget {
    Q_OBJECT

public:
    explicit PictureView(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    QImage m_shown;
};

#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

// A picture stretched over the whole widget: the preview of the photo
// (Image1) and the display of the working image (Picture1). The stretched
// copy is made once per picture and size, so that panning only repaints.
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
    QPixmap m_stretched;
};

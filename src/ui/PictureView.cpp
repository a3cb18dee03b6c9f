#include "ui/PictureView.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

// The picture at the widget's size in QImage::Format_RGB32, which the
// window's backing store takes without a conversion: the picture itself
// when it is both already (a preview decoded at the size shown), else a
// smooth copy.
QImage fitted(const QImage& picture, QSize size)
{
    QImage shown = picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
    if (shown.size() != size) shown = shown.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return shown;
}

} // namespace

PictureView::PictureView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_shown = QImage();
    update();
}

void PictureView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_picture.isNull() || width() <= 0 || height() <= 0) {
        painter.fillRect(event->rect(), palette().color(QPalette::Window));
        return;
    }
    if (width() > m_picture.width() || height() > m_picture.height()) {
        // Zoomed in: a copy at the widget's size could take gigabytes, so
        // the painter stretches the picture over what is exposed only.
        if (m_shown.size() != m_picture.size()) m_shown = fitted(m_picture, m_picture.size());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setClipRect(event->rect());
        painter.scale(static_cast<double>(width()) / m_shown.width(), static_cast<double>(height()) / m_shown.height());
        painter.drawImage(0, 0, m_shown);
        return;
    }
    if (m_shown.size() != size()) m_shown = fitted(m_picture, size());
    // Only what is exposed: at 100 % most of the photo lies outside the
    // viewport.
    painter.drawImage(event->rect(), m_shown, event->rect());
}

#include "ui/PictureView.h"

#include <QPaintEvent>
#include <QPainter>

PictureView::PictureView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_stretched = QPixmap();
    update();
}

void PictureView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_picture.isNull() || width() <= 0 || height() <= 0) {
        painter.fillRect(event->rect(), palette().color(QPalette::Window));
        return;
    }
    if (m_stretched.size() != size()) {
        m_stretched = QPixmap::fromImage(m_picture.size() == size()
                ? m_picture
                : m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    painter.drawPixmap(event->rect(), m_stretched, event->rect());
}

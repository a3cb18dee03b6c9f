#include "ui/PreviewViewport.h"

#include <QPalette>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

PreviewViewport::PreviewViewport(QWidget* parent)
    : QFrame(parent)
    , m_client(new QWidget(this))
    , m_horizontal(new QScrollBar(Qt::Horizontal, this))
    , m_vertical(new QScrollBar(Qt::Vertical, this))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // The application-workspace grey behind a photo smaller than the area.
    QPalette workspace = m_client->palette();
    workspace.setColor(QPalette::Window, QColor(0xAB, 0xAB, 0xAB));
    m_client->setPalette(workspace);
    m_client->setAutoFillBackground(true);
    m_horizontal->hide();
    m_vertical->hide();
    for (QScrollBar* bar : { m_horizontal, m_vertical })
        connect(bar, &QScrollBar::valueChanged, this, [this] { emit scrolled(scrollPosition()); });
    layOut();
}

std::pair<bool, bool> PreviewViewport::barsFor(QSize picture, QSize outer) const
{
    const int across = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QSize inner = outer - QSize(borderSize(), borderSize());
    bool horizontal = picture.width() > inner.width();
    bool vertical = picture.height() > inner.height();
    // One bar takes the room that may make the other needed.
    if (vertical && !horizontal) horizontal = picture.width() > inner.width() - across;
    if (horizontal && !vertical) vertical = picture.height() > inner.height() - across;
    return { horizontal, vertical };
}

QSize PreviewViewport::sizeFor(QSize picture, QSize area) const
{
    const int across = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const auto [horizontal, vertical] = barsFor(picture, area);
    return QSize(std::min(area.width(), picture.width() + borderSize() + (vertical ? across : 0)),
        std::min(area.height(), picture.height() + borderSize() + (horizontal ? across : 0)));
}

void PreviewViewport::setPictureSize(QSize picture)
{
    m_picture = picture;
    layOut();
}

QPoint PreviewViewport::scrollPosition() const
{
    return QPoint(m_horizontal->value(), m_vertical->value());
}

void PreviewViewport::setScrollPosition(QPoint position)
{
    const QSignalBlocker quietHorizontal(m_horizontal);
    const QSignalBlocker quietVertical(m_vertical);
    m_horizontal->setValue(position.x());
    m_vertical->setValue(position.y());
}

void PreviewViewport::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layOut();
}

void PreviewViewport::layOut()
{
    const int across = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const auto [horizontal, vertical] = barsFor(m_picture, size());
    QRect inner = contentsRect();
    if (horizontal) inner.setBottom(inner.bottom() - across);
    if (vertical) inner.setRight(inner.right() - across);
    m_client->setGeometry(inner);
    const QSignalBlocker quietHorizontal(m_horizontal);
    const QSignalBlocker quietVertical(m_vertical);
    m_horizontal->setVisible(horizontal);
    m_vertical->setVisible(vertical);
    m_horizontal->setGeometry(inner.left(), inner.bottom() + 1, inner.width(), across);
    m_vertical->setGeometry(inner.right() + 1, inner.top(), across, inner.height());
    m_horizontal->setRange(0, std::max(0, m_picture.width() - inner.width()));
    m_vertical->setRange(0, std::max(0, m_picture.height() - inner.height()));
    m_horizontal->setPageStep(std::max(1, inner.width()));
    m_vertical->setPageStep(std::max(1, inner.height()));
    m_horizontal->setSingleStep(std::max(1, inner.width() / 20));
    m_vertical->setSingleStep(std::max(1, inner.height() / 20));
}

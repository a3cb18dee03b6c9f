#include "ui/StampLabelView.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

StampLabelView::StampLabelView(QWidget* parent)
    : QWidget(parent)
{
}

void StampLabelView::setStamp(const QString& text, const QFont& font, const QColor& color, double zoom)
{
    if (text == m_text && font == m_font && color == m_color && zoom == m_zoom) return;
    m_text = text;
    m_font = font;
    m_color = color;
    m_zoom = zoom;
    if (!m_text.isEmpty()) {
        const QFontMetricsF metrics(m_font, this);
        resize(static_cast<int>(std::ceil(metrics.horizontalAdvance(m_text) * m_zoom)) + 1,
            static_cast<int>(std::ceil(metrics.height() * m_zoom)));
    }
    update();
}

void StampLabelView::paintEvent(QPaintEvent*)
{
    if (m_text.isEmpty()) return;
    QPainter painter(this);
    // Scaled rather than set in a font of another size, whose hinting would
    // give the text another width than the printed one.
    if (m_zoom != 1.0) painter.scale(m_zoom, m_zoom);
    painter.setFont(m_font);
    painter.setPen(m_color);
    // Placed as the printed stamp is: the baseline one ascent below the top.
    painter.drawText(QPointF(0, QFontMetricsF(m_font, painter.device()).ascent()), m_text);
}

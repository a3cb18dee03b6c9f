#include "ui/StampLabelView.h"

#include "workflow/StampPlacement.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

StampLabelView::StampLabelView(QWidget* parent)
    : QWidget(parent)
{
}

void StampLabelView::setStamp(
    const QString& text, const QFont& font, const QColor& color, double zoom, StampAnchoring::Side alignment)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QList<QPoint> starts = StampPlacement::lineStarts(font, lines, alignment);
    if (text == m_text && font == m_font && color == m_color && zoom == m_zoom && starts == m_starts) return;
    m_text = text;
    m_font = font;
    m_color = color;
    m_zoom = zoom;
    m_lines = lines;
    m_starts = starts;
    if (!m_text.isEmpty()) {
        const QFontMetricsF metrics(m_font, this);
        qreal right = 0;
        for (qsizetype i = 0; i < m_lines.size(); ++i)
            right = std::max(right, m_starts[i].x() + metrics.horizontalAdvance(m_lines[i]));
        resize(static_cast<int>(std::ceil(right * m_zoom)) + 1,
            static_cast<int>(std::ceil((m_starts.last().y() + metrics.height()) * m_zoom)));
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
    // Placed as the printed stamp is: each line's baseline one ascent below
    // its start.
    const qreal ascent = QFontMetricsF(m_font, painter.device()).ascent();
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        painter.drawText(QPointF(m_starts[i].x(), m_starts[i].y() + ascent), m_lines[i]);
}

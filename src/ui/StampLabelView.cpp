#include "ui/StampLabelView.h"

#include "workflow/StampPlacement.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

StampLabelView::StampLabelView(QWidget* parent)
    : QWidget(parent)
{
}

void StampLabelView::setStamp(const QString& text, const QFont& font, const QColor& color)
{
    if (text == m_text && font == m_font && color == m_color) return;
    m_text = text;
    m_font = font;
    m_color = color;
    if (!m_text.isEmpty()) {
        const QFontMetricsF metrics(StampPlacement::ScreenFont(m_font), this);
        resize(static_cast<int>(std::ceil(metrics.horizontalAdvance(m_text))) + 1,
            static_cast<int>(std::ceil(metrics.height())));
    }
    update();
}

void StampLabelView::paintEvent(QPaintEvent*)
{
    if (m_text.isEmpty()) return;
    QPainter painter(this);
    const QFont font = StampPlacement::ScreenFont(m_font);
    painter.setFont(font);
    painter.setPen(m_color);
    // Placed as the printed stamp is: the baseline one ascent below the top.
    painter.drawText(QPointF(0, QFontMetricsF(font, painter.device()).ascent()), m_text);
}

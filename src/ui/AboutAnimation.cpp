#include "ui/AboutAnimation.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QString StampText = QStringLiteral("24/12");
const QRectF Card(28, 10, 104, 66);

void drawBackground(QPainter& painter)
{
    QLinearGradient sky(0, 0, 0, AboutAnimation::FrameHeight);
    sky.setColorAt(0, QColor(232, 240, 250));
    sky.setColorAt(1, QColor(196, 212, 232));
    painter.fillRect(QRect(0, 0, AboutAnimation::FrameWidth, AboutAnimation::FrameHeight), sky);
}

void drawCamera(QPainter& painter, double flash)
{
    const QRectF body(45, 26, 70, 42);
    painter.setPen(QPen(QColor(30, 30, 40), 1.5));
    painter.setBrush(QColor(70, 74, 86));
    painter.drawRoundedRect(QRectF(58, 18, 24, 10), 2, 2); // viewfinder hump
    painter.drawRoundedRect(body, 6, 6);
    painter.setBrush(QColor(40, 40, 48));
    painter.drawEllipse(body.center() + QPointF(2, 1), 15, 15);
    painter.setBrush(QColor(90, 130, 190));
    painter.drawEllipse(body.center() + QPointF(2, 1), 9, 9);
    painter.setBrush(Qt::white);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(body.center() + QPointF(-1, -3), 2.5, 2.5);
    // The flash window, and its light when it fires.
    const QRectF lamp(92, 30, 16, 8);
    painter.setBrush(flash > 0 ? QColor(255, 250, 200) : QColor(200, 200, 190));
    painter.drawRect(lamp);
    if (flash > 0) {
        QRadialGradient glow(lamp.center(), 20 + 70 * flash);
        glow.setColorAt(0, QColor(255, 255, 220, 240));
        glow.setColorAt(1, QColor(255, 255, 220, 0));
        painter.setBrush(glow);
        painter.drawEllipse(lamp.center(), 20 + 70 * flash, 20 + 70 * flash);
        painter.setPen(QPen(QColor(255, 220, 80), 2));
        for (int ray = 0; ray < 8; ++ray) {
            painter.save();
            painter.translate(lamp.center());
            painter.rotate(ray * 45.0);
            painter.drawLine(QPointF(12, 0), QPointF(12 + 14 * flash, 0));
            painter.restore();
        }
    }
}

// A small landscape in a white-bordered print.
void drawPhoto(QPainter& painter, const QRectF& card)
{
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(card);
    const QRectF view = card.adjusted(4, 4, -4, -4);
    painter.save();
    painter.setClipRect(view);
    QLinearGradient sky(view.topLeft(), view.bottomLeft());
    sky.setColorAt(0, QColor(110, 170, 230));
    sky.setColorAt(1, QColor(200, 225, 245));
    painter.fillRect(view, sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 215, 70));
    painter.drawEllipse(QPointF(view.right() - view.width() * 0.22, view.top() + view.height() * 0.28),
        view.height() * 0.14, view.height() * 0.14);
    painter.setBrush(QColor(80, 150, 70));
    painter.drawEllipse(QPointF(view.left() + view.width() * 0.25, view.bottom() + view.height() * 0.2),
        view.width() * 0.55, view.height() * 0.55);
    painter.setBrush(QColor(60, 125, 60));
    painter.drawEllipse(QPointF(view.right() - view.width() * 0.1, view.bottom() + view.height() * 0.3),
        view.width() * 0.5, view.height() * 0.55);
    painter.restore();
}

QFont stampFont(double scale)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(std::max(6, static_cast<int>(14 * scale)));
    return font;
}

// The date as the stamp prints it: the text twice, in two colours, the
// upper one a little up and to the left.
QRectF drawStamp(QPainter& painter, const QRectF& card, const QString& text, double scale)
{
    painter.setFont(stampFont(scale));
    const QPointF base(card.left() + 10 * scale, card.bottom() - 9 * scale);
    painter.setPen(QColor(150, 60, 0));
    painter.drawText(base, text);
    painter.setPen(QColor(255, 190, 40));
    painter.drawText(base - QPointF(1, 1), text);
    const QFontMetricsF metrics(painter.font());
    return QRectF(base.x(), base.y() - metrics.ascent(), metrics.horizontalAdvance(text), metrics.height());
}

// A feather whose nib touches the given point.
void drawQuill(QPainter& painter, const QPointF& nib)
{
    painter.save();
    painter.translate(nib);
    painter.rotate(-35);
    QPainterPath vane;
    vane.moveTo(0, 0);
    vane.cubicTo(6, -10, 14, -30, 10, -52);
    vane.cubicTo(2, -40, -6, -22, 0, 0);
    painter.setPen(QPen(QColor(90, 90, 110), 1));
    painter.setBrush(QColor(250, 250, 255));
    painter.drawPath(vane);
    painter.setPen(QPen(QColor(120, 110, 100), 1.2));
    painter.drawLine(QPointF(0, 0), QPointF(9, -48)); // the shaft
    painter.setPen(QPen(QColor(40, 30, 20), 2));
    painter.drawLine(QPointF(0, 0), QPointF(1.5, -6)); // the inked nib
    painter.restore();
}

void drawFrame(QPainter& painter, int index)
{
    drawBackground(painter);
    if (index < 5) {
        // The camera waits, then its flash builds up and fills the frame.
        drawCamera(painter, index == 0 ? 0.0 : index / 4.0);
        if (index == 4)
            painter.fillRect(
                QRect(0, 0, AboutAnimation::FrameWidth, AboutAnimation::FrameHeight), QColor(255, 255, 255, 210));
        return;
    }
    if (index < 10) {
        // The print, and the quill writing the date one piece at a time.
        drawPhoto(painter, Card);
        static const int shown[] = { 0, 1, 2, 4, 5 };
        const QString text = StampText.left(shown[index - 5]);
        const QRectF written = drawStamp(painter, Card, text, 1.0);
        drawQuill(painter, QPointF(written.right() + 1, written.bottom() - 4));
        return;
    }
    // The stamped print shrinks to a thumbnail, then the picture fades.
    const double scale = index < 11 ? 1.0 : index > 13 ? 0.5 : 1.0 - (index - 10) * 0.15;
    QRectF card(0, 0, Card.width() * scale, Card.height() * scale);
    card.moveCenter(Card.center() + QPointF((1.0 - scale) * 40, 0));
    drawPhoto(painter, card);
    drawStamp(painter, card, StampText, scale);
    if (index == 14)
        painter.fillRect(
            QRect(0, 0, AboutAnimation::FrameWidth, AboutAnimation::FrameHeight), QColor(232, 240, 250, 150));
}

} // namespace

QImage AboutAnimation::frame(int index)
{
    QImage image(FrameWidth, FrameHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawFrame(painter, index);
    return image;
}

QImage AboutAnimation::strip()
{
    QImage image(FrameWidth, FrameHeight * FrameCount, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int index = 0; index < FrameCount; ++index)
        painter.drawImage(0, index * FrameHeight, frame(index));
    return image;
}

QImage AboutAnimation::band(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, QColor(40, 70, 130));
    gradient.setColorAt(1, QColor(150, 180, 225));
    painter.fillRect(image.rect(), gradient);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(height - 6);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(6, 0, width - 12, height), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillon"));
    return image;
}

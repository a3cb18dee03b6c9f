#include "ui/Cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int CursorSize = 32;

QPixmap blankPixmap()
{
    QPixmap pixmap(CursorSize, CursorSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QCursor Cursors::openHand()
{
    QPixmap pixmap = blankPixmap();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::white);

    // Four spread fingers, the palm below them and the thumb on the left,
    // united into one outline so that no inner lines show.
    QPainterPath hand;
    const qreal fingerX[] = { 9.5, 13.5, 17.5, 21.5 };
    const qreal fingerTop[] = { 7, 4, 5, 8 };
    for (int i = 0; i < 4; ++i)
        hand.addRoundedRect(QRectF(fingerX[i], fingerTop[i], 3.6, 14), 1.8, 1.8);
    hand.addRoundedRect(QRectF(9.5, 14, 15.6, 13), 4, 4);
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(0, 0, 3.6, 10), 1.8, 1.8);
    hand = hand.united(QTransform().translate(4.5, 14).rotate(-40).map(thumb));
    painter.drawPath(hand.simplified());
    painter.end();
    return QCursor(pixmap, 16, 15);
}

QCursor Cursors::stampArrow()
{
    QPixmap pixmap = blankPixmap();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const QPointF arrow[] = { { 1, 1 }, { 1, 17 }, { 5, 13 }, { 8, 20 }, { 10.5, 19 }, { 7.5, 12.5 }, { 13, 12.5 } };
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(arrow, 7);

    // The text sign: a small box holding a capital T and two lines of text.
    const QRectF box(14.5, 17.5, 15, 12);
    painter.drawRect(box);
    painter.setPen(QPen(Qt::black, 1.6));
    painter.drawLine(QPointF(16.5, 20), QPointF(21.5, 20));
    painter.drawLine(QPointF(19, 20), QPointF(19, 27));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(QPointF(23, 23.5), QPointF(28, 23.5));
    painter.drawLine(QPointF(23, 26.5), QPointF(28, 26.5));
    painter.end();
    return QCursor(pixmap, 1, 1);
}

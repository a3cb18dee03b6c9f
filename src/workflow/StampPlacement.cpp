#include "workflow/StampPlacement.h"

#include "files/mMain.h"
#include "imaging/cDIBSection.h"
#include "platform/DateFormatter.h"
#include "platform/ExifReader.h"
#include "platform/OleColor.h"
#include "platform/Twips.h"
#include "workflow/PhotoControls.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

StampPlacement StampPlacement::FromControls(const SettingsRecord& settings, const PhotoControls& controls)
{
    const ImageControl& image = controls.Image1;
    StampPlacement stamp;
    stamp.font = ScreenFont(controls.Label1.Font);
    stamp.firstColor = OleColor::toQColor(settings.DateColor1);
    stamp.secondColor = OleColor::toQColor(settings.DateColor2);
    stamp.first
        = QPoint(Twips::toPixels(controls.Label1.Left - image.Left), Twips::toPixels(controls.Label1.Top - image.Top));
    stamp.second
        = QPoint(Twips::toPixels(controls.Label2.Left - image.Left), Twips::toPixels(controls.Label2.Top - image.Top));
    stamp.dateFormat = settings.DateFormat;
    return stamp;
}

QString StampPlacement::DateText(const ExifRecord& record, const QString& dateFormat)
{
    // The moment the photo was taken; "DateTime" alone is when the file was
    // last changed, so it serves only when nothing better is there.
    return DateFormatter::dateText(ExifReader::photoDateText(record), dateFormat);
}

void StampPlacement::Print(cDIBSection& picture, const QString& text) const
{
    if (text.isEmpty() || picture.hdc() == nullptr) return;
    // Only the band of rows under the two texts is redrawn; the margin takes
    // in what the glyphs may stick out of their advance box.
    const QFontMetricsF metrics(font);
    const int margin = font.pixelSize();
    const QRect textBox = metrics.boundingRect(text).toAlignedRect().translated(0, qRound(metrics.ascent()));
    const QRect area
        = (textBox.translated(first) | textBox.translated(second)).adjusted(-margin, -margin, margin, margin);
    picture.hdc()->paint(
        [&](QPainter& painter) {
            painter.setFont(font);
            // The text's top-left corner at the position: the baseline lies
            // one ascent below it.
            const qreal ascent = QFontMetricsF(font, painter.device()).ascent();
            painter.setPen(firstColor);
            painter.drawText(QPointF(first.x(), first.y() + ascent), text);
            painter.setPen(secondColor);
            painter.drawText(QPointF(second.x(), second.y() + ascent), text);
        },
        area);
}

QFont StampPlacement::ScreenFont(const QFont& font)
{
    QFont screen = font;
    // Points to pixels at 96 dots per inch, rounded as the screen rounds.
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    screen.setPixelSize(std::max(1, static_cast<int>(std::floor(points * 96.0 / 72.0 + 0.5))));
    screen.setStyleStrategy(QFont::PreferAntialias);
    return screen;
}

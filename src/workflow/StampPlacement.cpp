#include "workflow/StampPlacement.h"

#include "files/SettingsFile.h"
#include "platform/BgrColor.h"
#include "platform/ClockShift.h"
#include "platform/DateFormatter.h"
#include "platform/ExifReader.h"
#include "platform/ExifRecord.h"
#include "platform/FileNameDate.h"
#include "platform/PixelSurface.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

using Side = StampAnchoring::Side;

int rounded(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

// Percentages are kept to a thousandth: a fraction of a pixel on any photo,
// and a short number in config.ini.
double percentOf(double pixels, int shorterSide)
{
    return std::nearbyint(pixels * 100.0 / shorterSide * 1000.0) / 1000.0;
}

// The ink box of one line with its top-left corner at position: the
// glyphs' tight box sits on the baseline, one ascent below the corner,
// where the painter puts it on the nearest row.
QRectF inkOf(const QFontMetricsF& metrics, const QString& line, QPoint position)
{
    return metrics.tightBoundingRect(line).translated(position.x(), position.y() + qRound(metrics.ascent()));
}

QStringList linesOf(const QString& text)
{
    return text.split(QLatin1Char('\n'));
}

} // namespace

StampPlacement StampPlacement::fromSettings(const Settings& settings, QPointF position, const QFont& font)
{
    const auto onPixel = [](QPointF point) { return QPoint(rounded(point.x()), rounded(point.y())); };
    StampPlacement stamp;
    stamp.font = screenFont(font);
    stamp.firstColor = BgrColor::toQColor(settings.dateColor1);
    stamp.secondColor = BgrColor::toQColor(settings.dateColor2);
    stamp.first = onPixel(position);
    stamp.second = onPixel(position + SettingsFile::stampOffset(settings));
    stamp.dateFormat = settings.dateFormat;
    stamp.shiftMinutes = settings.shiftMinutes;
    stamp.nameDateFallback = settings.nameDateFallback;
    stamp.fileDateFallback = settings.fileDateFallback;
    stamp.heightPercent = settings.stampHeightPercent;
    stamp.anchoring = settings.anchoring;
    stamp.look = settings.stampLook;
    stamp.autoContrast = settings.autoContrast;
    stamp.strip = settings.stripInUse();
    // A template that is not understood was named when the settings were
    // read; the stamp keeps the date alone.
    stamp.textTemplate = StampTemplate::parse(settings.stampTemplate).value_or(StampTemplate());
    stamp.lineAlignment = StampAnchoring::horizontalSide(settings.anchoring.place);
    return stamp;
}

StampPlacement::Date StampPlacement::dateFor(const ExifRecord& record, const QString& photoPath) const
{
    // The moment the photo was taken; "DateTime" alone is when the file was
    // last changed, so it serves only when nothing better is there.
    const QString taken = ExifReader::photoDateText(record);
    Date date;
    if (!taken.isEmpty()) {
        const QString moment = ClockShift::exifDate(taken, shiftMinutes);
        const auto text = DateFormatter::dateText(moment, dateFormat);
        if (text) return { *text, Date::Source::photo, {}, moment };
        date.invalidPhotoDate = taken;
    }
    if (photoPath.isEmpty()) return date;
    const auto from = [&](Date::Source source, const QString& dateText) {
        if (const auto text = DateFormatter::dateText(dateText, dateFormat)) {
            date.text = *text;
            date.source = source;
            date.moment = dateText;
        }
        return date.source != Date::Source::None;
    };
    if (from(Date::Source::Xmp, ClockShift::exifDate(ExifReader::xmpDateText(photoPath), shiftMinutes))) return date;
    if (nameDateFallback && from(Date::Source::Name, FileNameDate::read(QFileInfo(photoPath).fileName()))) return date;
    if (fileDateFallback) {
        const QDateTime modified = QFileInfo(photoPath).lastModified();
        if (modified.isValid()) {
            date.text = DateFormatter::format(modified, dateFormat);
            date.source = Date::Source::File;
            date.moment = modified.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
        }
    }
    return date;
}

QString StampPlacement::textFor(
    const Date& date, const ExifRecord& record, const QString& photoPath, QSize photoSize) const
{
    return textTemplate.expand({ record, photoPath, photoSize, date.text, date.moment });
}

QString StampPlacement::textFor(const ExifRecord& record, const QString& photoPath, QSize photoSize) const
{
    return textFor(dateFor(record, photoPath), record, photoPath, photoSize);
}

QString StampPlacement::textAt(const QDateTime& moment) const
{
    return textTemplate.expand({ ExifRecord(), QString(), QSize(), DateFormatter::format(moment, dateFormat),
        moment.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")) });
}

// In the window's language where it installs a translation; the command
// line installs none, so it reads English.
QString StampPlacement::Date::sourceNote() const
{
    switch (source) {
    case Source::Xmp:
        return QCoreApplication::translate("StampPlacement", "date from XMP");
    case Source::Name:
        return QCoreApplication::translate("StampPlacement", "date from the file name");
    case Source::File:
        return QCoreApplication::translate("StampPlacement", "date from the file's modification time");
    case Source::photo:
    case Source::None:
        break;
    }
    return {};
}

StampPlacement::Layout StampPlacement::layoutOn(QSize picture, const QString& text) const
{
    Layout layout { font, first, second, QRect(), false, lineAlignment };
    const int shorterSide = std::min(picture.width(), picture.height());
    if (heightPercent > 0 && shorterSide > 0) {
        // The offset between the copies grows with the text, so that a large
        // stamp keeps the look of the small one.
        const int pixels = std::max(1, rounded(heightPercent / 100.0 * shorterSide));
        const double scale = font.pixelSize() > 0 ? double(pixels) / font.pixelSize() : 1.0;
        const QPoint offset = second - first;
        layout.font.setPixelSize(pixels);
        layout.second = first + QPoint(rounded(offset.x() * scale), rounded(offset.y() * scale));
    }
    // The outline and the glow draw the upper text only, and reach beyond
    // its glyphs; their antialiased edges may touch one pixel more.
    if (look == StampLook::Shadow) {
        layout.inkBox = inkBox(layout.font, text, layout.first, layout.second);
    } else {
        const int halo = haloOf(look, layout.font) + 1;
        layout.inkBox = inkBox(layout.font, text, layout.second, layout.second);
        if (!layout.inkBox.isEmpty()) layout.inkBox.adjust(-halo, -halo, halo, halo);
    }
    if (layout.inkBox.isEmpty()) return layout;

    // Where the stamp may lie: the picture, or the strip's band below it.
    const int band = strip.bandHeight(picture);
    const QRect area = band > 0 ? QRect(0, picture.height(), picture.width(), band) : QRect(QPoint(0, 0), picture);
    QPoint move;
    if (band > 0) {
        const QSize box = layout.inkBox.size();
        const int x = anchoring.place == StampAnchoring::Place::None
            ? layout.inkBox.left()
            : anchoredPosition({ anchoring.place, anchoring.marginPercent, 0, 0 }, picture, box).x();
        move = QPoint(x, area.top() + rounded((band - box.height()) / 2.0)) - layout.inkBox.topLeft();
    } else if (anchoring.place != StampAnchoring::Place::None) {
        move = anchoredPosition(anchoring, picture, layout.inkBox.size()) - layout.inkBox.topLeft();
    }
    const QRect placed = layout.inkBox.translated(move);
    const QRect inside = clampedInside(placed.translated(-area.topLeft()), area.size()).translated(area.topLeft());
    layout.movedInside = inside != placed;
    move += inside.topLeft() - placed.topLeft();
    layout.first += move;
    layout.second += move;
    layout.inkBox.translate(move);
    return layout;
}

StampPlacement::Layout StampPlacement::print(PixelSurface& picture, const QString& text, QSize photo) const
{
    if (text.isEmpty()) return {};
    const Layout layout = layoutOn(photo.isValid() ? photo : QSize(picture.width(), picture.height()), text);
    Ink ink { firstColor, secondColor };
    if (autoContrast) ink = inkFor(meanLuminance(picture, layout.inkBox));
    // Only the band of rows under the two texts is redrawn; the margin takes
    // in what the glyphs may stick out of their advance box, and the halo.
    const QFontMetricsF metrics(layout.font);
    const int margin = layout.font.pixelSize() + haloOf(look, layout.font);
    const QStringList lines = linesOf(text);
    const QList<QPoint> starts = lineStarts(layout.font, lines, lineAlignment);
    QRect textBox;
    for (qsizetype i = 0; i < lines.size(); ++i)
        textBox |= metrics.boundingRect(lines[i]).toAlignedRect().translated(starts[i]).translated(
            0, qRound(metrics.ascent()));
    const QRect area = (textBox.translated(layout.first) | textBox.translated(layout.second))
                           .adjusted(-margin, -margin, margin, margin);
    picture.paint(
        [&](QPainter& painter) { drawText(painter, look, layout, lines, starts, ink.back, ink.front); }, area);
    return layout;
}

void StampPlacement::drawText(QPainter& painter, StampLook look, const Layout& layout, const QStringList& lines,
    const QList<QPoint>& starts, QColor back, QColor front)
{
    painter.setFont(layout.font);
    // Each line's top-left corner at its start: the baseline lies one ascent
    // below it.
    const qreal ascent = QFontMetricsF(layout.font, painter.device()).ascent();
    const auto baseline = [&](QPoint corner, qsizetype line) {
        return QPointF(corner.x() + starts[line].x(), corner.y() + starts[line].y() + ascent);
    };
    if (look == StampLook::Shadow) {
        // Every line's shadow under every line's text.
        for (const auto& [corner, color] : { std::pair(layout.first, back), std::pair(layout.second, front) }) {
            painter.setPen(color);
            for (qsizetype i = 0; i < lines.size(); ++i)
                painter.drawText(baseline(corner, i), lines[i]);
        }
        return;
    }
    QPainterPath glyphs;
    for (qsizetype i = 0; i < lines.size(); ++i)
        glyphs.addText(baseline(layout.second, i), layout.font, lines[i]);
    painter.setRenderHint(QPainter::Antialiasing);
    const int halo = haloOf(look, layout.font);
    if (look == StampLook::Outline) {
        // The pen is centred on the glyphs' edge: half of it lies outside.
        painter.strokePath(glyphs, QPen(back, 2.0 * halo, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    } else {
        // Three faint rings, the narrower over the wider, so that the light
        // fades outwards; each adds to what is under it.
        QColor faint = back;
        faint.setAlpha(56);
        for (int ring = 3; ring >= 1; --ring)
            painter.strokePath(
                glyphs, QPen(faint, 2.0 * halo * ring / 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    painter.fillPath(glyphs, front);
}

int StampPlacement::haloOf(StampLook look, const QFont& font)
{
    // A sixteenth of the text's height: a two-pixel ring on a 32-pixel
    // stamp, never less than one pixel. The glow reaches three times as far.
    const int unit = std::max(1, rounded(std::max(1, font.pixelSize()) / 16.0));
    switch (look) {
    case StampLook::Outline:
        return unit;
    case StampLook::Glow:
        return 3 * unit;
    case StampLook::Shadow:
        break;
    }
    return 0;
}

double StampPlacement::meanLuminance(const PixelSurface& picture, QRect box)
{
    const QRect inside = box.intersected(QRect(0, 0, picture.width(), picture.height()));
    if (inside.isEmpty()) return 0;
    // sRGB's transfer function undone once per byte value.
    static const std::array<double, 256> linear = [] {
        std::array<double, 256> table {};
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            table[v] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return table;
    }();
    double sum = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const uint8_t* pixel = picture.scanLine(y) + 3 * inside.left();
        for (int x = 0; x < inside.width(); ++x, pixel += 3)
            sum += 0.0722 * linear[pixel[0]] + 0.7152 * linear[pixel[1]] + 0.2126 * linear[pixel[2]];
    }
    return sum / (double(inside.width()) * inside.height());
}

StampPlacement::Ink StampPlacement::inkFor(double luminance)
{
    if (luminance > DarkInkAbove) return { QColor(235, 235, 235), QColor(20, 20, 20) };
    return { QColor(0, 0, 0), QColor(255, 255, 255) };
}

QRect StampPlacement::inkBox(const QFont& font, const QString& text, QPoint first, QPoint second) const
{
    if (text.isEmpty()) return {};
    const QFontMetricsF metrics(font);
    const QStringList lines = linesOf(text);
    const QList<QPoint> starts = lineStarts(font, lines, lineAlignment);
    QRectF ink;
    for (qsizetype i = 0; i < lines.size(); ++i)
        ink |= inkOf(metrics, lines[i], first + starts[i]) | inkOf(metrics, lines[i], second + starts[i]);
    return ink.isEmpty() ? QRect() : ink.toAlignedRect();
}

QList<QPoint> StampPlacement::lineStarts(const QFont& font, const QStringList& lines, StampAnchoring::Side alignment)
{
    const QFontMetricsF metrics(font);
    // Whole pixels down, as the first line's baseline is rounded to its row,
    // so every line is drawn as the first one is.
    const int spacing = qRound(metrics.lineSpacing());
    QList<qreal> widths;
    qreal widest = 0;
    for (const QString& line : lines) {
        widths.append(metrics.horizontalAdvance(line));
        widest = std::max(widest, widths.last());
    }
    QList<QPoint> starts;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qreal free = widest - widths[i];
        const qreal across = alignment == StampAnchoring::Side::Start ? 0
            : alignment == StampAnchoring::Side::Centre               ? free / 2
                                                                      : free;
        starts.append(QPoint(qRound(across), int(i) * spacing));
    }
    return starts;
}

QPoint StampPlacement::anchoredPosition(const StampAnchoring& anchoring, QSize picture, QSize boxSize)
{
    const double unit = std::min(picture.width(), picture.height()) / 100.0;
    const double margin = anchoring.marginPercent * unit;
    const auto along = [margin](Side side, int length, int box, double offset) {
        const double start = side == Side::Start ? margin
            : side == Side::Centre               ? (length - box) / 2.0
                                                 : length - box - margin;
        return rounded(start + offset);
    };
    return QPoint(along(StampAnchoring::horizontalSide(anchoring.place), picture.width(), boxSize.width(),
                      anchoring.offsetXPercent * unit),
        along(StampAnchoring::verticalSide(anchoring.place), picture.height(), boxSize.height(),
            anchoring.offsetYPercent * unit));
}

StampAnchoring StampPlacement::anchoringAt(QRect box, QSize picture)
{
    const int shorterSide = std::min(picture.width(), picture.height());
    if (shorterSide <= 0 || box.isEmpty()) return {};

    // Along one axis: the nearest of the three positions (at the start, in
    // the centre, at the end), and how far the box lies from it (inwards
    // from the edge, or from the centre line in the axis' direction).
    struct Axis {
        Side side;
        double distance;
    };
    const auto nearest = [](int position, int length, int size) {
        const double free = length - size;
        if (free <= 0) return Axis { Side::Start, double(position) };
        if (position * 4.0 < free) return Axis { Side::Start, double(position) };
        if (position * 4.0 > free * 3.0) return Axis { Side::End, free - position };
        return Axis { Side::Centre, position - free / 2.0 };
    };
    const Axis across = nearest(box.left(), picture.width(), box.width());
    const Axis down = nearest(box.top(), picture.height(), box.height());

    // One margin serves both axes: the smaller distance to an edge; the
    // other edge's surplus becomes the offset.
    double margin = std::numeric_limits<double>::max();
    for (const Axis& axis : { across, down })
        if (axis.side != Side::Centre) margin = std::min(margin, axis.distance);
    margin = margin == std::numeric_limits<double>::max() ? 0 : std::max(0.0, margin);
    const auto offset = [margin](const Axis& axis) {
        if (axis.side == Side::Centre) return axis.distance;
        // Inwards from the right or bottom edge is leftwards or upwards.
        return (axis.side == Side::Start ? 1 : -1) * (axis.distance - margin);
    };

    StampAnchoring anchoring;
    anchoring.place = StampAnchoring::placeAt(across.side, down.side);
    anchoring.marginPercent = percentOf(margin, shorterSide);
    anchoring.offsetXPercent = percentOf(offset(across), shorterSide);
    anchoring.offsetYPercent = percentOf(offset(down), shorterSide);
    return anchoring;
}

StampAnchoring StampPlacement::columnAt(QRect box, QSize photo)
{
    const int shorterSide = std::min(photo.width(), photo.height());
    if (shorterSide <= 0 || box.isEmpty()) return {};
    const double centre = box.left() + box.width() / 2.0;
    const Side side = centre * 3 < photo.width() ? Side::Start
        : centre * 3 > photo.width() * 2.0       ? Side::End
                                                 : Side::Centre;
    const double margin = side == Side::Start ? box.left()
        : side == Side::End                   ? photo.width() - box.width() - box.left()
                                              : 0;
    StampAnchoring anchoring;
    anchoring.place = StampAnchoring::placeAt(side, Side::End);
    anchoring.marginPercent = percentOf(std::max(0.0, margin), shorterSide);
    return anchoring;
}

QRect StampPlacement::clampedInside(QRect box, QSize picture)
{
    if (QRect(QPoint(0, 0), picture).contains(box)) return box;
    const auto clamp
        = [](int position, int size, int length) { return size > length ? 0 : std::clamp(position, 0, length - size); };
    return QRect(
        QPoint(clamp(box.left(), box.width(), picture.width()), clamp(box.top(), box.height(), picture.height())),
        box.size());
}

QFont StampPlacement::screenFont(const QFont& font)
{
    QFont screen = font;
    // Points to pixels at 96 dots per inch, rounded as the screen rounds.
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    screen.setPixelSize(std::max(1, static_cast<int>(std::floor(points * 96.0 / 72.0 + 0.5))));
    screen.setStyleStrategy(QFont::PreferAntialias);
    return screen;
}

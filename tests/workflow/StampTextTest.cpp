// The stamp's text from its template on the sample photos, and the stamp of
// several lines on the picture.
#include "workflow/StampPlacement.h"

#include "files/SettingsFile.h"
#include "platform/PixelSurface.h"
#include "support/TestSupport.h"
#include "workflow/PhotoState.h"

#include <QDir>
#include <QFontMetricsF>
#include <QImage>

#include <gtest/gtest.h>

namespace {

Settings settingsWith(const QString& stampTemplate)
{
    Settings settings;
    SettingsFile::load(QStringLiteral("/nonexistent/config.ini"), settings);
    settings.stampTemplate = stampTemplate;
    return settings;
}

PhotoState opened(const QString& name)
{
    PhotoState photo;
    photo.setPaths(testPhoto(QStringLiteral("cameras/") + name), QDir::tempPath());
    photo.open();
    return photo;
}

// The rows and columns where red was printed.
QRect redBox(const QImage& picture)
{
    QRect r;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (const QColor c = picture.pixelColor(x, y); c.red() > 200 && c.blue() < 80) r |= QRect(x, y, 1, 1);
    return r;
}

} // namespace

TEST(StampTextTest, EachFieldOfTheSamplePhotosIsWhatExiftoolReads)
{
    // Read once with exiftool 12.57 (Make, Model, ExposureTime, FNumber,
    // ISO, FocalLength, ImageSize, DateTimeOriginal); "-" where it finds
    // none. No sample has a LensModel tag; the ISO of the two Canons and the
    // Kodak is only in their maker notes, which are not read.
    const std::pair<const char*, const char*> photos[] = {
        { "32-lens_data.jpeg", "NIKON D300;1/500;5.6;200;105.0 mm;200x133;14.07.2012 16:30:12;-" },
        { "Canon_40D.jpg", "Canon EOS 40D;1/160;7.1;100;135.0 mm;100x68;30.05.2008 15:56:01;-" },
        { "Canon_PowerShot_S40.jpg", "Canon PowerShot S40;1/500;4.9;-;21.3 mm;480x360;14.12.2003 12:01:44;-" },
        { "DSCN0010.jpg", "NIKON COOLPIX P6000;1/75;5.9;64;24.0 mm;640x480;22.10.2008 16:28:39;-" },
        { "Fujifilm_FinePix_E500.jpg", "FUJIFILM FinePix E500;1/80;2.9;100;4.7 mm;59x100;17.08.2006 09:24:48;-" },
        { "Nikon_D70.jpg", "NIKON D70;1/200;9.0;200;100.0 mm;100x66;15.03.2008 09:52:01;-" },
        { "PaintTool_sample.jpg", "-;-;-;-;-;88x100;-;-" },
        { "Reconyx_HC500_Hyperfire.jpg", "-;1/55;-;100;-;2048x1536;16.03.2020 10:00:00;-" },
        { "canon-ixus.jpg", "Canon DIGITAL IXUS;1/350;4.0;-;10.8 mm;640x480;09.06.2001 15:17:32;-" },
        { "kodak-dc210.jpg",
            "Eastman Kodak Company DC210 Zoom (V05.00);1/30;4.0;-;4.4 mm;640x480;26.10.2000 16:46:51;-" },
        { "nikon-e950.jpg", "NIKON E950;1/77;5.5;80;12.8 mm;800x600;06.04.2001 11:51:40;-" },
        { "sony-d700.jpg", "SONY DSC-D700;-;-;200;-;672x512;01.12.1998 14:22:36;-" },
    };
    const StampPlacement fields = StampPlacement::fromSettings(
        settingsWith(QStringLiteral("{camera|-};{exposure|-};{aperture|-};{iso|-};{focal|-};{size|-};"
                                    "{date:DD.MM.YYYY hh:nn:ss|-};{lens|-}")),
        QPointF(), QFont());
    const StampPlacement byDefault = StampPlacement::fromSettings(settingsWith(QString()), QPointF(), QFont());
    for (const auto& [name, values] : photos) {
        SCOPED_TRACE(name);
        const PhotoState photo = opened(QString::fromLatin1(name));
        EXPECT_EQ(fields.textFor(photo.exifRecord(), photo.photoPath(), photo.photoSize()), QString::fromUtf8(values));
        // The default template prints the stamp's date as it always has.
        EXPECT_EQ(byDefault.textFor(photo.exifRecord(), photo.photoPath(), photo.photoSize()),
            byDefault.dateFor(photo.exifRecord(), photo.photoPath()).text);
    }
}

TEST(StampTextTest, LinesStackByTheFontsSpacingAndLineUpByTheAnchoringsColumn)
{
    const QFont font = StampPlacement::screenFont(QFont(QStringLiteral("Arial"), 16));
    const QFontMetricsF metrics(font);
    const QStringList lines { QStringLiteral("30/05/2008 15:56"), QStringLiteral("ISO 100") };
    const int spacing = qRound(metrics.lineSpacing());
    const qreal free = metrics.horizontalAdvance(lines[0]) - metrics.horizontalAdvance(lines[1]);
    EXPECT_EQ(StampPlacement::lineStarts(font, lines, StampAnchoring::Side::Centre),
        (QList<QPoint> { QPoint(0, 0), QPoint(qRound(free / 2), spacing) }));

    // On the picture: anchored bottom-right, both lines end at the margin,
    // the second one a line below the first.
    Settings settings = settingsWith(QString());
    settings.anchoring.place = StampAnchoring::Place::BottomRight;
    settings.anchoring.marginPercent = 5;
    settings.dateColor1 = 0x0000FF; // red, 0x00BBGGRR
    settings.dateColor2 = 0x0000FF;
    StampPlacement stamp = StampPlacement::fromSettings(settings, QPointF(), QFont(QStringLiteral("Arial"), 16));
    const auto picture = PixelSurface::create(400, 200);
    const StampPlacement::Layout layout = stamp.print(*picture, lines.join('\n'));
    const QImage printed = picture->toImage();
    const QRect ink = redBox(printed);
    // The ink box holds every glyph's pixels, faint edges included.
    EXPECT_TRUE(layout.inkBox.contains(ink));
    EXPECT_EQ(layout.inkBox.bottom(), 200 - 10 - 1);
    EXPECT_EQ(layout.inkBox.right(), 400 - 10 - 1);
    EXPECT_GT(ink.height(), spacing); // two lines
    const QRect lower = redBox(printed.copy(0, layout.first.y() + spacing, 400, 200 - layout.first.y() - spacing));
    EXPECT_LT(lower.width(), ink.width() * 2 / 3); // "ISO 100" alone
    EXPECT_GE(lower.right(), ink.right() - 1);
}

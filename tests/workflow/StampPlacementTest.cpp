#include "workflow/StampPlacement.h"

#include "files/SettingsFile.h"
#include "platform/ExifRecord.h"
#include "platform/JpegMetadata.h"
#include "platform/PixelSurface.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The smallest rectangle holding every pixel for which strong is true.
template <typename Strong> QRect box(const QImage& picture, Strong strong)
{
    QRect r;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (strong(picture.pixelColor(x, y))) r |= QRect(x, y, 1, 1);
    return r;
}

StampPlacement redUnderBlue()
{
    StampPlacement stamp;
    stamp.font = StampPlacement::screenFont(QFont(QStringLiteral("Arial"), 16));
    stamp.firstColor = Qt::red;
    stamp.secondColor = Qt::blue;
    stamp.first = QPoint(20, 10);
    stamp.second = QPoint(18, 12); // offsets -30 and 30 twips
    return stamp;
}

} // namespace

TEST(StampPlacementTest, EachTextOfAStoredPositionLandsOnItsNearestPixel)
{
    // config.ini keeps twips: LABEL/left 7 and DIFF/left 7 are each less than
    // half a pixel, but together nearly one; LABEL/top 37.5 is two pixels
    // and a half, which goes to the even neighbour, and DIFF/top -8 takes
    // the upper text back only to 1.97.
    Settings settings;
    settings.diffLeft = 7;
    settings.diffTop = -8;
    const StampPlacement stamp = StampPlacement::fromSettings(settings, QPointF(7.0 / 15, 37.5 / 15), QFont());
    EXPECT_EQ(stamp.first, QPoint(0, 2));
    EXPECT_EQ(stamp.second, QPoint(1, 2));
}

TEST(StampPlacementTest, PrintsTheSecondColourOverTheFirstWithinItsInkBoxAtEverySize)
{
    StampPlacement stamp = redUnderBlue();
    // A photo without a date gets no stamp.
    const auto undated = PixelSurface::create(200, 80);
    const QImage blank = undated->toImage();
    stamp.print(*undated, QString());
    EXPECT_EQ(undated->toImage(), blank);

    for (double percent : { 0.0, 16.0 }) { // the font's own 21 pixels, and 120
        SCOPED_TRACE(percent);
        stamp.heightPercent = percent;
        const auto picture = PixelSurface::create(1000, 750);
        const StampPlacement::Layout layout = stamp.print(*picture, "30/05/2008 15:56");
        const QImage image = picture->toImage();
        // The blue text hides part of the red one, but not its top or right edge.
        const QRect red = box(image, [](QColor c) { return c.red() > 160; });
        const QRect blue = box(image, [](QColor c) { return c.blue() > 160; });
        EXPECT_EQ(blue.top() - red.top(), (layout.second - layout.first).y());
        EXPECT_EQ(red.right() - blue.right(), (layout.first - layout.second).x());

        // The ink box holds what is printed: to the pixel at small sizes;
        // large glyphs, drawn from their outlines, may end a pixel short.
        const QColor background = image.pixelColor(0, 0);
        const QRect printed = box(image, [&](QColor c) { return c != background; });
        for (auto [printedEdge, measuredEdge] : { std::pair { printed.left(), layout.inkBox.left() },
                 std::pair { printed.right(), layout.inkBox.right() }, std::pair { printed.top(), layout.inkBox.top() },
                 std::pair { printed.bottom(), layout.inkBox.bottom() } })
            EXPECT_LE(std::abs(printedEdge - measuredEdge), percent < 2 ? 0 : 1);

        // Large glyphs are still antialiased: their edges hold blends of the
        // text's colour and the background.
        int blended = 0;
        for (int y = printed.top(); y <= printed.bottom(); ++y)
            for (int x = printed.left(); x <= printed.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                blended += c.red() > 40 && c.red() < 215 && c.blue() < 40;
            }
        EXPECT_GT(blended, layout.font.pixelSize()) << "edges of the red text";
    }
}

TEST(StampPlacementTest, HeightFollowsThePicturesShorterSideAndTheOffsetGrowsWithIt)
{
    StampPlacement stamp = redUnderBlue(); // 21 pixels, copies 2 pixels apart
    stamp.heightPercent = 4;
    const struct {
        QSize picture;
        int pixels;
        QPoint offset;
    } cases[] = {
        { { 2000, 3000 }, 80, { -8, 8 } }, // 2 x 80 / 21 = 7.6
        { { 400, 262 }, 10, { -1, 1 } }, // 10.48 pixels, 0.95
        { { 20, 10 }, 1, { 0, 0 } }, // never less than a pixel
    };
    for (const auto& c : cases) {
        const StampPlacement::Layout layout = stamp.layoutOn(c.picture, "14:30");
        EXPECT_EQ(layout.font.pixelSize(), c.pixels) << c.picture.width();
        EXPECT_EQ(layout.second - layout.first, c.offset) << c.picture.width();
    }
}

TEST(StampPlacementTest, AStampOutsideThePictureIsMovedInsideAndOnlyThen)
{
    // Placed near the right edge of a larger preview: moved in, still whole.
    StampPlacement stamp = redUnderBlue();
    stamp.first = QPoint(150, 60);
    stamp.second = QPoint(148, 62);
    const StampPlacement::Layout moved = stamp.layoutOn({ 200, 100 }, "14:30");
    EXPECT_TRUE(moved.movedInside);
    EXPECT_EQ(moved.inkBox.right(), 199);
    EXPECT_EQ(moved.second - moved.first, QPoint(-2, 2));
    const StampPlacement::Layout kept = redUnderBlue().layoutOn({ 200, 100 }, "14:30");
    EXPECT_FALSE(kept.movedInside);
    EXPECT_EQ(kept.first, QPoint(20, 10));
    // A box larger than the picture on an axis goes to 0 on that axis only.
    EXPECT_EQ(StampPlacement::clampedInside({ 40, -30, 250, 20 }, { 200, 100 }), QRect(0, 0, 250, 20));
    EXPECT_EQ(StampPlacement::clampedInside({ 40, 90, 250, 20 }, { 200, 100 }), QRect(0, 80, 250, 20));
}

TEST(StampPlacementTest, ADroppedStampTakesTheNearestPlaceAndLandsAgainWhereItWasDropped)
{
    // Dropped 20 pixels from the right edge and 50 from the bottom of a
    // 1000 x 500 picture: the bottom-right place, the margin the nearer
    // distance, the rest an upward offset.
    const StampAnchoring corner = StampPlacement::anchoringAt(QRect(880, 430, 100, 20), { 1000, 500 });
    EXPECT_EQ(corner, (StampAnchoring { StampAnchoring::Place::BottomRight, 4, 0, -6 }));
    // The same placement on a portrait picture: the same distances, in
    // proportion to its shorter side.
    EXPECT_EQ(StampPlacement::anchoredPosition(corner, { 500, 1000 }, { 100, 20 }), QPoint(380, 930));

    // Every drop, in each of the nine places and off them, comes back.
    for (QSize picture : { QSize(1000, 500), QSize(333, 777), QSize(59, 100) }) {
        const QSize size(picture.width() / 4, picture.height() / 10);
        for (int x = 0; x + size.width() <= picture.width(); x += 7)
            for (int y = 0; y + size.height() <= picture.height(); y += 11) {
                const StampAnchoring anchoring = StampPlacement::anchoringAt(QRect(QPoint(x, y), size), picture);
                ASSERT_NE(anchoring.place, StampAnchoring::Place::None);
                ASSERT_EQ(StampPlacement::anchoredPosition(anchoring, picture, size), QPoint(x, y))
                    << picture.width() << "x" << picture.height() << " at " << x << "," << y << " "
                    << StampAnchoring::nameOf(anchoring.place).toStdString();
            }
    }
    EXPECT_EQ(StampPlacement::anchoringAt(QRect(0, 0, 10, 10), { 0, 0 }), StampAnchoring());
}

TEST(StampPlacementTest, TheDateIsExifsThenXmpsThenTheNamesThenTheFilesAsAskedFor)
{
    StampPlacement stamp;
    stamp.dateFormat = QStringLiteral("YYYY-MM-DD HH:MM");
    stamp.shiftMinutes = 60;
    QTemporaryDir dir;
    const QString path = dir.filePath("IMG-20220103-WA0007.jpg");
    const auto writePhoto = [&](const QByteArray& xmp) {
        JpegMetadata metadata;
        metadata.xmp = xmp;
        ASSERT_TRUE(writeFile(path, metadata.insertedInto(smallJpeg(8, 8))));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2024, 2, 29), QTime(23, 45)), QFileDevice::FileModificationTime));
    };
    writePhoto(
        R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">)"
        R"(<rdf:Description rdf:about="" xmlns:exif="http://ns.adobe.com/exif/1.0/")"
        R"( xmlns:photoshop="http://ns.adobe.com/photoshop/1.0/" photoshop:DateCreated="2020-01-01")"
        R"( exif:DateTimeOriginal="2021-03-14T18:22:05+01:00"/></rdf:RDF></x:xmpmeta>)");

    using Source = StampPlacement::Date::Source;
    ExifRecord dated;
    dated.insert("DateTimeOriginal", "2023:12:31 23:30:00");
    stamp.nameDateFallback = stamp.fileDateFallback = true;
    EXPECT_EQ(stamp.dateFor(dated, path).text, "2024-01-01 00:30");
    EXPECT_EQ(stamp.dateFor(dated, path).source, Source::photo);
    // The photo's XMP date is the camera's too, corrected alike.
    EXPECT_EQ(stamp.dateFor(ExifRecord(), path).text, "2021-03-14 19:22");
    EXPECT_EQ(stamp.dateFor(ExifRecord(), path).source, Source::Xmp);

    // Without XMP: the name's day alone, without a time and without the
    // correction; the file's time came from the computer's clock, so it
    // takes no correction either. A date that is no date counts as none,
    // and is kept for the note; blanks alone are no date at all.
    writePhoto({});
    const struct {
        const char* photoDate; // nullptr: none
        bool name;
        bool file;
        const char* text;
        Source source;
        const char* invalid;
    } cases[] = {
        { "2023-12-31T23:30:00+01:00", true, true, "2024-01-01 00:30", Source::photo, "" },
        { nullptr, false, false, "", Source::None, "" },
        { nullptr, true, false, "2022-01-03", Source::Name, "" },
        { nullptr, true, true, "2022-01-03", Source::Name, "" },
        { nullptr, false, true, "2024-02-29 23:45", Source::File, "" },
        { "0000:00:00 00:00:00", false, false, "", Source::None, "0000:00:00 00:00:00" },
        { "0000:00:00 00:00:00", false, true, "2024-02-29 23:45", Source::File, "0000:00:00 00:00:00" },
        { "2005:02:30 10:00:00", false, true, "2024-02-29 23:45", Source::File, "2005:02:30 10:00:00" },
        { "                   ", false, true, "2024-02-29 23:45", Source::File, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.photoDate ? c.photoDate : "no date") << (c.name ? ", name date" : "")
                                        << (c.file ? ", file date" : ""));
        ExifRecord record;
        if (c.photoDate) record.insert("DateTimeOriginal", c.photoDate);
        stamp.nameDateFallback = c.name;
        stamp.fileDateFallback = c.file;
        const StampPlacement::Date date = stamp.dateFor(record, path);
        EXPECT_EQ(date.text, c.text);
        EXPECT_EQ(date.source, c.source);
        EXPECT_EQ(date.invalidPhotoDate, c.invalid);
    }
}

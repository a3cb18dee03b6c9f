#include "files/LosslessStamper.h"

#include "imaging/PictureOrientation.h"
#include "platform/RuntimeError.h"
#include "support/JpegCoefficients.h"
#include "support/TestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

// One photo in the four codings a camera or an editor writes, by name.
std::map<std::string, QByteArray> variantsOf(const QString& photo)
{
    const QByteArray baseline = readFile(testPhoto(photo));
    return { { "baseline 4:2:0", baseline }, { "progressive 4:2:0", JpegCoefficients::progressiveCopy(baseline) },
        { "baseline 4:4:4", JpegCoefficients::fullChromaCopy(baseline, false) },
        { "progressive 4:4:4", JpegCoefficients::fullChromaCopy(baseline, true) } };
}

// Paints area of the upright picture white.
LosslessStamper::Draw whiteBox(QRect area)
{
    return [area](PixelSurface& pixels, QPoint corner) {
        pixels.paint([&](QPainter& painter) { painter.fillRect(area.translated(-corner), Qt::white); });
    };
}

} // namespace

TEST(LosslessStamperTest, RectanglesMapBetweenTheStoredAndTheUprightPictureAsTheTurnDoes)
{
    // One marked pixel, found after the turn where the mapping says.
    const QSize stored(37, 23);
    const QRect marked(5, 17, 1, 1);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        auto picture = PixelSurface::create(stored.width(), stored.height());
        picture->scanLine(marked.y())[3 * marked.x()] = 255;
        const auto upright = PictureOrientation::upright(std::move(picture), orientation);
        const QRect mapped = LosslessStamper::uprightRect(marked, stored, orientation);
        ASSERT_EQ(mapped.size(), QSize(1, 1));
        EXPECT_EQ(upright->toImage().pixelColor(mapped.topLeft()).blue(), 255) << "orientation " << orientation;
        const QRect wide(2, 3, 10, 4);
        EXPECT_EQ(
            LosslessStamper::storedRect(LosslessStamper::uprightRect(wide, stored, orientation), stored, orientation),
            wide)
            << "orientation " << orientation;
    }
}

TEST(LosslessStamperTest, OnlyTheBlocksUnderTheStampChangeAndTheCodingStaysTheSource)
{
    for (const auto& [name, bytes] : variantsOf("orientation/landscape_1.jpg")) {
        const JpegCoefficients source = JpegCoefficients::read(bytes);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(name + ", orientation " + std::to_string(orientation));
            const QSize upright
                = orientation >= 5 ? QSize(source.height, source.width) : QSize(source.width, source.height);
            // Near the bottom right corner of the upright photo, off the MCU grid.
            const QRect stamp(upright.width() - 61, upright.height() - 29, 43, 13);
            const LosslessStamper::Result result
                = LosslessStamper::stamp(bytes, orientation, stamp, whiteBox(stamp), {}, "test");
            const JpegCoefficients output = JpegCoefficients::read(result.jpeg);

            // Exactly the MCUs the box touches (a white box changes each),
            // and upright the box is where it was drawn.
            const QRect stored = LosslessStamper::storedRect(stamp, QSize(source.width, source.height), orientation);
            const int w = source.mcuWidth;
            const int h = source.mcuHeight;
            const QRect mcus = QRect(QPoint(stored.left() / w * w, stored.top() / h * h),
                                   QPoint((stored.right() / w + 1) * w - 1, (stored.bottom() / h + 1) * h - 1))
                & QRect(0, 0, source.width, source.height);
            EXPECT_EQ(source.differingMcus(output), mcus);
            EXPECT_EQ(result.storedBox, mcus);
            EXPECT_EQ(output.coding, source.coding);
            EXPECT_EQ(output.segments, source.segments);
            const auto after
                = PictureOrientation::upright(LosslessStamper::decodeReduced(result.jpeg, 1, "test"), orientation);
            const uint8_t* centre = after->scanLine(stamp.center().y()) + 3 * stamp.center().x();
            EXPECT_GE(std::min({ centre[0], centre[1], centre[2] }), 235);
        }
    }
}

TEST(LosslessStamperTest, CarryingTheCodedDataOverGivesWhatCodingItAllAgainGives)
{
    // Baseline photos of every sampling, with and without restart markers,
    // with tables of their own and the usual ones, and a grey one; stamps
    // at the corners, across the right and bottom edges (the row after the
    // box then starts from changed DC values), in the middle, over the
    // whole photo, and off it. The Nikon's tables leave no code free for
    // what the stamp needs: it is coded again.
    std::map<std::string, QByteArray> photos;
    for (const char* name : { "cameras/Canon_40D.jpg", "cameras/DSCN0010.jpg", "cameras/kodak-dc210.jpg",
             "cameras/nikon-e950.jpg", "orientation/portrait_6.jpg" })
        photos[name] = readFile(testPhoto(name));
    photos["4:2:0, a restart every 7 MCUs"] = JpegCoefficients::withRestarts(photos["cameras/kodak-dc210.jpg"], 7);
    photos["4:2:2, a restart every row"] = JpegCoefficients::withRestarts(photos["cameras/DSCN0010.jpg"], 40);
    photos["grey"] = JpegCoefficients::grey(203, 97);
    for (const auto& [name, bytes] : photos) {
        const JpegCoefficients source = JpegCoefficients::read(bytes);
        for (int orientation : { 1, 3, 6 }) {
            const QSize upright
                = orientation >= 5 ? QSize(source.height, source.width) : QSize(source.width, source.height);
            const int w = upright.width();
            const int h = upright.height();
            for (const QRect stamp : { QRect(0, 0, 30, 12), QRect(w - 20, h / 2, 40, 9), QRect(9, h - 5, 50, 10),
                     QRect(w / 3, h / 3, w / 4, 20), QRect(0, 0, w, h), QRect(w + 5, 0, 10, 10) }) {
                SCOPED_TRACE(name + ", orientation " + std::to_string(orientation) + ", stamp at "
                    + std::to_string(stamp.x()) + "," + std::to_string(stamp.y()));
                const auto draw = [stamp](PixelSurface& pixels, QPoint corner) {
                    pixels.paint([&](QPainter& painter) {
                        painter.fillRect(stamp.translated(-corner), QColor(30, 200, 90));
                        painter.fillRect(stamp.translated(-corner).adjusted(2, 2, -2, -2), Qt::white);
                    });
                };
                const auto carried = LosslessStamper::stamp(bytes, orientation, stamp, draw, {}, "test", true);
                const auto recoded = LosslessStamper::stamp(
                    bytes, orientation, stamp, draw, {}, "test", true, LosslessStamper::Coding::Recode);
                EXPECT_EQ(carried.carried, name != "cameras/nikon-e950.jpg" || carried.replacedMcus == 0);
                EXPECT_FALSE(recoded.carried);
                EXPECT_EQ(carried.replacedMcus, recoded.replacedMcus);
                const JpegCoefficients a = JpegCoefficients::read(carried.jpeg);
                const JpegCoefficients b = JpegCoefficients::read(recoded.jpeg);
                EXPECT_TRUE(a.differingMcus(b).isEmpty())
                    << "differ at " << a.differingMcus(b).x() << "," << a.differingMcus(b).y();
                EXPECT_EQ(a.segments, b.segments);
                EXPECT_EQ(a.coding, b.coding);
                ASSERT_TRUE(carried.eighth && recoded.eighth);
                EXPECT_EQ(carried.eighth->toImage(), recoded.eighth->toImage());
                // libjpeg reads it through without a warning.
                EXPECT_TRUE(LosslessStamper::stamp(carried.jpeg, 1, {}, draw, {}, "again", false).warning.isEmpty());
            }
        }
    }
    // A progressive photo is coded again.
    const QByteArray progressive = JpegCoefficients::progressiveCopy(photos["cameras/Canon_40D.jpg"]);
    EXPECT_FALSE(
        LosslessStamper::stamp(progressive, 1, QRect(0, 0, 8, 8), whiteBox(QRect(0, 0, 8, 8)), {}, "test").carried);
}

TEST(LosslessStamperTest, SegmentsAreCopiedInOrderWithTheExifAndXmpRecordsReplacedOrAdded)
{
    // landscape_3 has JFIF, a colour profile, EXIF and no XMP; nothing
    // drawn leaves every coefficient as it was.
    const QByteArray photo = readFile(testPhoto("orientation/landscape_3.jpg"));
    const JpegCoefficients source = JpegCoefficients::read(photo);
    JpegMetadata replaced;
    replaced.xmp = "<x:xmpmeta/>";
    const auto nothing = [](PixelSurface&, QPoint) {};
    const LosslessStamper::Result added
        = LosslessStamper::stamp(photo, 3, QRect(0, 0, 50, 50), nothing, replaced, "test");
    const JpegCoefficients output = JpegCoefficients::read(added.jpeg);
    EXPECT_EQ(added.replacedMcus, 0);
    EXPECT_TRUE(source.differingMcus(output).isEmpty());
    const auto xmpSegment
        = [](const QByteArray& packet) { return QByteArray("\xE1http://ns.adobe.com/xap/1.0/\0", 30) + packet; };
    QList<QByteArray> expected = source.segments;
    expected.insert(3, xmpSegment(replaced.xmp)); // after EXIF
    EXPECT_EQ(output.segments, expected);

    // An output of the output: its XMP packet and EXIF block are replaced where they stand.
    replaced.xmp = "<x:xmpmeta>2</x:xmpmeta>";
    replaced.exif = QByteArray("Exif\0\0", 6) + "MM";
    const JpegCoefficients again
        = JpegCoefficients::read(LosslessStamper::stamp(added.jpeg, 1, {}, nothing, replaced, "test").jpeg);
    expected[2] = QByteArray(1, char(0xE1)) + replaced.exif;
    expected[3] = xmpSegment(replaced.xmp);
    EXPECT_EQ(again.segments, expected);
}

TEST(LosslessStamperTest, WhatIsNoReadableJpegFailsAndATruncatedOneIsCopiedWithAWarning)
{
    const QByteArray photo = readFile(testPhoto("orientation/landscape_1.jpg"));
    // A quantisation table holding a zero, which no encoder can code the
    // stamp's blocks with.
    QByteArray zeroStep = photo;
    zeroStep[zeroStep.indexOf("\xFF\xDB") + 5 + 10] = 0;
    // What the usual save is to take over (CMYK, the zero step) and what no
    // save can; a scan bomb is refused before its scans are all decoded.
    const struct {
        QByteArray jpeg;
        const char* says;
        bool unsupported;
    } cases[] = { { "not a photo", "bad.jpg", false }, { photo.left(300), "bad.jpg", false },
        { JpegCoefficients::cmyk(), "", true }, { zeroStep, "", true },
        { JpegCoefficients::manyScans(), "more than 500 scans", false } };
    for (const auto& bad : cases) {
        try {
            LosslessStamper::stamp(bad.jpeg, 1, QRect(0, 0, 8, 8), whiteBox(QRect(0, 0, 8, 8)), {}, "bad.jpg");
            ADD_FAILURE() << "no error: " << bad.says;
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.description().contains(bad.says)) << error.description().toStdString();
            EXPECT_EQ(LosslessStamper::unsupported(error), bad.unsupported) << error.description().toStdString();
        }
    }

    const QByteArray truncated = readFile(testPhoto("broken/corrupted.jpg"));
    const LosslessStamper::Result result
        = LosslessStamper::stamp(truncated, 1, QRect(10, 10, 30, 10), whiteBox(QRect(10, 10, 30, 10)), {}, "test");
    EXPECT_FALSE(result.warning.isEmpty());
    EXPECT_EQ(JpegCoefficients::read(result.jpeg).width, 3648);
}

TEST(LosslessStamperTest, TheEighthMadeFromTheCoefficientsIsTheDecodersEighth)
{
    for (const auto& [name, bytes] : variantsOf("orientation/portrait_6.jpg")) {
        SCOPED_TRACE(name);
        const QRect stamp(20, 30, 80, 20);
        const auto result = LosslessStamper::stamp(bytes, 6, stamp, whiteBox(stamp), {}, "test", true);
        const auto decoded = LosslessStamper::decodeReduced(result.jpeg, 8, "test");
        ASSERT_EQ(QSize(result.eighth->width(), result.eighth->height()), QSize(decoded->width(), decoded->height()));
        int largest = 0;
        double total = 0;
        for (int y = 0; y < decoded->height(); ++y) {
            for (int x = 0; x < 3 * decoded->width(); ++x) {
                const int difference = std::abs(result.eighth->scanLine(y)[x] - decoded->scanLine(y)[x]);
                largest = std::max(largest, difference);
                total += difference;
            }
        }
        // Full-size chroma: the blocks' means but for the colour conversion's
        // rounding; subsampled, the decoder's chroma is a little sharper.
        if (name.ends_with("4:4:4")) {
            EXPECT_LE(largest, 2);
        }
        EXPECT_LT(total / (3.0 * decoded->width() * decoded->height()), 3.0);
    }
}

#include "files/LosslessStamper.h"

#include "imaging/PictureOrientation.h"
#include "platform/RuntimeError.h"
#include "support/JpegCoefficients.h"
#include "support/TestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

struct Variant {
    const char* name;
    QByteArray bytes;
};

// One photo in the four codings a camera or an editor writes.
QList<Variant> variantsOf(const QString& photo)
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

std::unique_ptr<PixelSurface> uprightPicture(const QByteArray& jpeg, int orientation)
{
    return PictureOrientation::upright(LosslessStamper::decodeReduced(jpeg, 1, "test"), orientation);
}

} // namespace

TEST(LosslessStamperTest, RectanglesMapBetweenTheStoredAndTheUprightPictureAsTheTurnDoes)
{
    // One marked pixel, found after the turn where the mapping says.
    const QSize stored(37, 23);
    const QPoint marked(5, 17);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        auto picture = PixelSurface::create(stored.width(), stored.height());
        picture->scanLine(marked.y())[3 * marked.x()] = 255;
        const auto upright = PictureOrientation::upright(std::move(picture), orientation);
        QPoint found(-1, -1);
        for (int y = 0; y < upright->height(); ++y)
            for (int x = 0; x < upright->width(); ++x)
                if (upright->scanLine(y)[3 * x] == 255) found = QPoint(x, y);
        const QRect uprightRect = LosslessStamper::uprightRect(QRect(marked, QSize(1, 1)), stored, orientation);
        EXPECT_EQ(uprightRect, QRect(found, QSize(1, 1))) << "orientation " << orientation;
        const QRect wide(2, 3, 10, 4);
        EXPECT_EQ(
            LosslessStamper::storedRect(LosslessStamper::uprightRect(wide, stored, orientation), stored, orientation),
            wide)
            << "orientation " << orientation;
    }
}

TEST(LosslessStamperTest, OnlyTheBlocksUnderTheStampChangeAndTheCodingStaysTheSource)
{
    for (const Variant& variant : variantsOf("orientation/landscape_1.jpg")) {
        const JpegCoefficients source = JpegCoefficients::read(variant.bytes);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::string(variant.name) + ", orientation " + std::to_string(orientation));
            const QSize upright
                = orientation >= 5 ? QSize(source.height, source.width) : QSize(source.width, source.height);
            // Near the bottom right corner of the upright photo, off the MCU grid.
            const QRect stamp(upright.width() - 61, upright.height() - 29, 43, 13);
            const LosslessStamper::Result result
                = LosslessStamper::stamp(variant.bytes, orientation, stamp, whiteBox(stamp), {}, "test");
            const JpegCoefficients output = JpegCoefficients::read(result.jpeg);

            const QRect changed = source.differingMcus(output);
            const QRect stored = LosslessStamper::storedRect(stamp, QSize(source.width, source.height), orientation);
            // Exactly the MCUs the box touches: a white box changes each.
            const int left = stored.left() / source.mcuWidth * source.mcuWidth;
            const int top = stored.top() / source.mcuHeight * source.mcuHeight;
            const QRect mcus = QRect(QPoint(left, top),
                                   QPoint((stored.right() / source.mcuWidth + 1) * source.mcuWidth - 1,
                                       (stored.bottom() / source.mcuHeight + 1) * source.mcuHeight - 1))
                & QRect(0, 0, source.width, source.height);
            EXPECT_EQ(changed, mcus);
            EXPECT_EQ(result.storedBox, mcus);
            EXPECT_EQ(output.progressive, source.progressive);
            EXPECT_EQ(output.segments, source.segments);
            ASSERT_EQ(output.components.size(), source.components.size());
            for (qsizetype c = 0; c < source.components.size(); ++c) {
                EXPECT_EQ(output.components[c].hSampling, source.components[c].hSampling);
                EXPECT_EQ(output.components[c].vSampling, source.components[c].vSampling);
                EXPECT_EQ(output.components[c].quantTable, source.components[c].quantTable);
            }

            // Upright, the white box is where it was drawn; the pixels far
            // from it are the source's.
            const auto before = uprightPicture(variant.bytes, orientation);
            const auto after = uprightPicture(result.jpeg, orientation);
            const uint8_t* centre = after->scanLine(stamp.center().y()) + 3 * stamp.center().x();
            EXPECT_GE(std::min({ centre[0], centre[1], centre[2] }), 235);
            for (const QPoint far : { QPoint(10, 10), QPoint(upright.width() / 2, upright.height() / 2) })
                EXPECT_EQ(
                    0, std::memcmp(after->scanLine(far.y()) + 3 * far.x(), before->scanLine(far.y()) + 3 * far.x(), 3));
        }
    }
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
    ASSERT_EQ(output.segments.size(), source.segments.size() + 1);
    QList<QByteArray> expected = source.segments;
    const QByteArray xmpSegment
        = QByteArray(1, char(0xE1)) + QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + replaced.xmp;
    expected.insert(3, xmpSegment); // after EXIF
    EXPECT_EQ(output.segments, expected);

    // An output of the output: its XMP packet and EXIF block are replaced where they stand.
    replaced.xmp = "<x:xmpmeta>2</x:xmpmeta>";
    replaced.exif = QByteArray("Exif\0\0", 6) + "MM";
    const JpegCoefficients again
        = JpegCoefficients::read(LosslessStamper::stamp(added.jpeg, 1, {}, nothing, replaced, "test").jpeg);
    expected[2] = QByteArray(1, char(0xE1)) + replaced.exif;
    expected[3] = QByteArray(1, char(0xE1)) + QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + replaced.xmp;
    EXPECT_EQ(again.segments, expected);
}

TEST(LosslessStamperTest, WhatIsNoReadableJpegFailsAndATruncatedOneIsCopiedWithAWarning)
{
    const auto nothing = [](PixelSurface&, QPoint) {};
    for (const QByteArray& bad :
        { QByteArray("not a photo"), readFile(testPhoto("orientation/landscape_1.jpg")).left(300) }) {
        try {
            LosslessStamper::stamp(bad, 1, QRect(0, 0, 8, 8), nothing, {}, "bad.jpg");
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.description().contains("bad.jpg")) << error.description().toStdString();
            EXPECT_FALSE(LosslessStamper::unsupported(error));
        }
    }
    // CMYK is left to the usual save.
    try {
        LosslessStamper::stamp(JpegCoefficients::cmyk(), 1, QRect(0, 0, 8, 8), nothing, {}, "print.jpg");
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(LosslessStamper::unsupported(error)) << error.description().toStdString();
    }
    // So is a photo whose quantisation table holds a zero, which no encoder
    // can code the stamp's blocks with.
    QByteArray zeroStep = readFile(testPhoto("orientation/landscape_1.jpg"));
    zeroStep[zeroStep.indexOf("\xFF\xDB") + 5 + 10] = 0;
    try {
        LosslessStamper::stamp(zeroStep, 1, QRect(0, 0, 8, 8), whiteBox(QRect(0, 0, 8, 8)), {}, "zero.jpg");
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(LosslessStamper::unsupported(error)) << error.description().toStdString();
    }
    // A scan bomb is refused before its scans are all decoded.
    const QByteArray bomb = JpegCoefficients::manyScans();
    EXPECT_EQ(JpegCoefficients::read(bomb).width, 64);
    try {
        LosslessStamper::stamp(bomb, 1, QRect(0, 0, 8, 8), nothing, {}, "bomb.jpg");
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.description().contains("more than 500 scans")) << error.description().toStdString();
    }

    const QByteArray truncated = readFile(testPhoto("broken/corrupted.jpg"));
    const LosslessStamper::Result result
        = LosslessStamper::stamp(truncated, 1, QRect(10, 10, 30, 10), whiteBox(QRect(10, 10, 30, 10)), {}, "test");
    EXPECT_FALSE(result.warning.isEmpty());
    EXPECT_EQ(JpegCoefficients::read(result.jpeg).width, 3648);
}

TEST(LosslessStamperTest, TheEighthMadeFromTheCoefficientsIsTheDecodersEighth)
{
    for (const Variant& variant : variantsOf("orientation/portrait_6.jpg")) {
        SCOPED_TRACE(variant.name);
        const QRect stamp(20, 30, 80, 20);
        const auto result = LosslessStamper::stamp(variant.bytes, 6, stamp, whiteBox(stamp), {}, "test", true);
        const auto decoded = LosslessStamper::decodeReduced(result.jpeg, 8, "test");
        ASSERT_EQ(result.eighth->width(), decoded->width());
        ASSERT_EQ(result.eighth->height(), decoded->height());
        int largest = 0;
        double total = 0;
        for (int y = 0; y < decoded->height(); ++y) {
            for (int x = 0; x < 3 * decoded->width(); ++x) {
                const int difference = std::abs(result.eighth->scanLine(y)[x] - decoded->scanLine(y)[x]);
                largest = std::max(largest, difference);
                total += difference;
            }
        }
        // Full-size chroma: the blocks' means, but for the colour
        // conversion's rounding. Subsampled chroma the decoder draws from
        // its blocks' first coefficients, a little sharper than the means
        // repeated: close on average only.
        if (std::string(variant.name).ends_with("4:4:4")) {
            EXPECT_LE(largest, 2);
        }
        EXPECT_LT(total / (3.0 * decoded->width() * decoded->height()), 3.0);
    }
}

#include "workflow/ListThumbnail.h"
#include "workflow/ThumbnailQueue.h"

#include "support/PhotoFormats.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A JPEG's segments up to its picture (the APPn ones: its EXIF block and
// the thumbnail in it), then its end: a file with metadata and no picture.
QByteArray metadataOnly(const QByteArray& jpeg)
{
    QByteArray kept = jpeg.left(2);
    for (qsizetype at = 2; at + 4 <= jpeg.size() && uint8_t(jpeg[at]) == 0xFF;) {
        const uint8_t marker = uint8_t(jpeg[at + 1]);
        const int length = (uint8_t(jpeg[at + 2]) << 8) | uint8_t(jpeg[at + 3]);
        if (marker >= 0xE0 && marker <= 0xEF) kept += jpeg.mid(at, 2 + length);
        at += 2 + length;
    }
    return kept + QByteArray("\xFF\xD9", 2);
}

} // namespace

TEST(ListThumbnailTest, EveryKindGivesASmallUprightPicture)
{
    // Quarters red, green; blue, yellow, stored with orientation 6, which
    // shows them turned a quarter clockwise (the HEIC as its own rotation).
    const QImage stored = quarters(320, 240);
    const QList<QColor> c = quarterColours(stored);
    const QList<QColor> upright = { c[2], c[0], c[3], c[1] };
    QTemporaryDir dir;
    for (const PhotoKind kind : { PhotoKind::Heic, PhotoKind::Png, PhotoKind::Webp, PhotoKind::Tiff }) {
        const QString path = dir.filePath(QStringLiteral("photo.") + extensionOf(kind));
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(writeFile(path, photoBytes(kind, { stored, 6, "2021:03:14 18:22:05" })));
        const QImage thumbnail = ListThumbnail::make(path, 64);
        ASSERT_EQ(thumbnail.size(), QSize(48, 64));
        const QList<QColor> found = quarterColours(thumbnail);
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(alike(found[i], upright[i], 24)) << i << ": " << found[i].name().toStdString();
    }
    // A JPEG without a thumbnail of its own, stored on its side, decoded
    // reduced and turned; a BMP, which PictureLoader reads too.
    EXPECT_EQ(ListThumbnail::make(testPhoto("orientation/landscape_6.jpg"), 64).size(), QSize(64, 48));
    ASSERT_TRUE(quarters(40, 30).save(dir.filePath("small.bmp"), "BMP"));
    EXPECT_EQ(ListThumbnail::make(dir.filePath("small.bmp"), 64).size(), QSize(40, 30)); // never enlarged
}

TEST(ListThumbnailTest, TheCamerasThumbnailServesWhereThereIsOneAndNothingBrokenGivesOne)
{
    // Without its picture the photo still shows the thumbnail its EXIF
    // block keeps (160 x 120 here); one without such a thumbnail shows none.
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("kept.jpg"), metadataOnly(readFile(testPhoto("cameras/DSCN0010.jpg")))));
    ASSERT_TRUE(writeFile(dir.filePath("none.jpg"), metadataOnly(readFile(testPhoto("cameras/kodak-dc210.jpg")))));
    EXPECT_EQ(ListThumbnail::make(dir.filePath("kept.jpg"), 64).size(), QSize(64, 48));
    EXPECT_TRUE(ListThumbnail::make(dir.filePath("none.jpg"), 64).isNull());

    // A HEIC's own thumbnail item serves the same way: green here, over a
    // picture of four colours.
    QImage green(128, 96, QImage::Format_RGB32);
    green.fill(Qt::green);
    PhotoContents heic { quarters(320, 240) };
    heic.heifThumbnail = green;
    ASSERT_TRUE(writeFile(dir.filePath("phone.heic"), photoBytes(PhotoKind::Heic, heic)));
    const QImage fromItem = ListThumbnail::make(dir.filePath("phone.heic"), 48);
    ASSERT_EQ(fromItem.size(), QSize(48, 36));
    EXPECT_TRUE(alike(fromItem.pixelColor(10, 10), Qt::green, 24)) << fromItem.pixelColor(10, 10).name().toStdString();

    ASSERT_TRUE(writeFile(dir.filePath("text.jpg"), "not a photo at all"));
    EXPECT_TRUE(ListThumbnail::make(dir.filePath("text.jpg"), 64).isNull());
    EXPECT_TRUE(ListThumbnail::make(dir.filePath("missing.jpg"), 64).isNull());
}

TEST(ListThumbnailTest, TheQueueDeliversOnlyTheLastFolderAsked)
{
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < 6; ++i) {
        names << QStringLiteral("IMG_%1.jpg").arg(i);
        ASSERT_TRUE(writeFile(dir.filePath("old/" + names.back()), readFile(testPhoto("cameras/canon-ixus.jpg"))));
        ASSERT_TRUE(writeFile(dir.filePath("new/" + names.back()), readFile(testPhoto("cameras/Canon_40D.jpg"))));
    }
    ASSERT_TRUE(writeFile(dir.filePath("new/broken.jpg"), "broken"));
    ThumbnailQueue queue(32);
    QSignalSpy delivered(&queue, &ThumbnailQueue::thumbnailReady);

    queue.request(dir.filePath("old"), names);
    queue.request(dir.filePath("new"), names + QStringList { "broken.jpg" });
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.size() >= 7; }, 30'000));
    queue.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered.size(), 7);
    for (const QList<QVariant>& signal : delivered) {
        EXPECT_EQ(signal[0].toString(), dir.filePath("new"));
        EXPECT_EQ(signal[2].value<QImage>().isNull(), signal[1].toString() == "broken.jpg");
    }

    // A cancel drops what was asked, even what was being made.
    delivered.clear();
    queue.request(dir.filePath("old"), names);
    queue.cancel();
    queue.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered.size(), 0);
}

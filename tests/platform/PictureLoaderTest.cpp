#include "platform/PictureLoader.h"

#include "platform/PixelMemory.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

TEST(PictureLoaderTest, EveryTestPhotoDecodesToItsHeaderSizeOrFailsClearly)
{
    QDirIterator it(testPhoto(QString()), { "*.jpg", "*.jpeg", "*.JPG" }, QDir::Files, QDirIterator::Subdirectories);
    int decoded = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        try {
            const QSize header = PictureLoader::readSize(path);
            auto picture = PictureLoader::load(path);
            ASSERT_TRUE(picture) << path.toStdString();
            EXPECT_EQ(QSize(picture->width(), picture->height()), header) << path.toStdString();
            ++decoded;
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.description().contains(QFileInfo(path).fileName())) << error.description().toStdString();
        }
    }
    EXPECT_GT(decoded, 10);
}

TEST(PictureLoaderTest, TruncatedJpegDecodesWhatIsThere)
{
    QString warning;
    auto picture = PictureLoader::load(testPhoto("broken/corrupted.jpg"), 1, &warning);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(warning.contains("corrupted.jpg")) << warning.toStdString();
    EXPECT_EQ(picture->width(), 3648);
    EXPECT_EQ(picture->height(), 2736);
}

TEST(PictureLoaderTest, TruncatedJpegLeavesNoTraceOfTheMemoryItWasDecodedInto)
{
    // The decoder gets memory a freed picture left behind, uncleared: a row
    // it did not write would show that picture's bytes.
    const QString path = testPhoto("broken/corrupted.jpg");
    QByteArray decoded[2];
    for (int i = 0; i < 2; ++i) {
        PixelMemory::emptyCache();
        auto stale = PixelSurface::createForOverwrite(3648, 2736);
        std::memset(stale->bits(), i == 0 ? 0x00 : 0xFF, size_t(stale->stride()) * stale->height());
        const uint8_t* staleBits = stale->bits();
        stale.reset();
        auto picture = PictureLoader::load(path);
        ASSERT_EQ(picture->bits(), staleBits);
        decoded[i] = QByteArray(
            reinterpret_cast<const char*>(picture->bits()), qsizetype(picture->stride()) * picture->height());
    }
    EXPECT_TRUE(decoded[0] == decoded[1]);
    PixelMemory::emptyCache();
}

TEST(PictureLoaderTest, PixelsMatchQtsDecoderAndScaledDecodeKeepsProportions)
{
    const QString path = testPhoto("orientation/landscape_1.jpg");
    if (!QFileInfo::exists(path)) GTEST_SKIP() << "no orientation sample";
    auto picture = PictureLoader::load(path);
    const QImage qt = QImage(path).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(QSize(picture->width(), picture->height()), qt.size());
    // Both decoders are libjpeg; allow for a different IDCT or upsampling.
    const QImage ours = picture->toImage().convertToFormat(QImage::Format_RGB888);
    int worst = 0;
    for (int y = 0; y < qt.height(); y += 7)
        for (int x = 0; x < qt.width(); x += 5)
            worst = std::max({ worst, std::abs(qt.pixelColor(x, y).red() - ours.pixelColor(x, y).red()),
                std::abs(qt.pixelColor(x, y).blue() - ours.pixelColor(x, y).blue()) });
    EXPECT_LE(worst, 12);

    auto quarter = PictureLoader::load(path, 4);
    EXPECT_EQ(quarter->width(), (picture->width() + 3) / 4);
    EXPECT_EQ(quarter->height(), (picture->height() + 3) / 4);
}

TEST(PictureLoaderTest, BadFilesGiveClearErrors)
{
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& data) {
        writeFile(dir.filePath(name), data);
        return dir.filePath(name);
    };
    struct Case {
        QString path;
        long number;
        QString reason;
    } cases[] = {
        { dir.filePath("missing.jpg"), PictureLoader::FileNotFound, "does not exist" },
        { write("empty.jpg", {}), PictureLoader::InvalidPicture, "empty" },
        { write("text.jpg", "hello, world"), PictureLoader::InvalidPicture, "neither a JPEG nor a BMP" },
        { write("header.jpg", QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10)), PictureLoader::InvalidPicture, "JPEG" },
        { dir.path(), PictureLoader::InvalidPicture, "folder" },
    };
    for (const Case& c : cases) {
        try {
            PictureLoader::load(c.path);
            ADD_FAILURE() << "loaded " << c.path.toStdString();
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), c.number);
            EXPECT_TRUE(error.description().contains(QDir::toNativeSeparators(c.path)))
                << error.description().toStdString();
            EXPECT_TRUE(error.description().contains(c.reason)) << error.description().toStdString();
        }
    }
}

TEST(PictureLoaderTest, HugePicturesAreRefusedFromTheHeader)
{
    // A JPEG header announcing 20000 x 20000 pixels (400 megapixels), without data.
    QByteArray jpeg = QByteArray::fromHex("FFD8FFC0000B08");
    jpeg += QByteArray::fromHex("4E204E20"); // height, width 20000
    jpeg += QByteArray::fromHex("01011100");
    jpeg += QByteArray::fromHex("FFDA000801010000003F00FFD9"); // start of scan, end
    QTemporaryDir dir;
    writeFile(dir.filePath("huge.jpg"), jpeg);
    try {
        PictureLoader::load(dir.filePath("huge.jpg"));
        ADD_FAILURE() << "a 400-megapixel picture was accepted";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.description().contains("250 megapixels")) << error.description().toStdString();
    }
}

TEST(PictureLoaderTest, BmpFilesLoadThroughQt)
{
    QTemporaryDir dir;
    QImage image(3, 2, QImage::Format_RGB888);
    image.fill(QColor(1, 2, 3));
    image.setPixelColor(2, 0, QColor(200, 100, 50));
    const QString path = dir.filePath("small.bmp");
    ASSERT_TRUE(image.save(path, "BMP"));
    auto picture = PictureLoader::load(path);
    EXPECT_EQ(picture->toImage().convertToFormat(QImage::Format_RGB888), image);

    // A BMP may store its rows top down, which its header tells by a
    // negative height: the size is the same, read or decoded.
    const auto topDown = [&](qint32 width, qint32 height, const QByteArray& pixels) {
        QByteArray bmp("BM");
        QDataStream out(&bmp, QIODevice::Append);
        out.setByteOrder(QDataStream::LittleEndian);
        out << quint32(54 + pixels.size()) << quint32(0) << quint32(54) << quint32(40) << width << height << quint16(1)
            << quint16(24) << quint32(0) << quint32(pixels.size()) << quint32(2835) << quint32(2835) << quint32(0)
            << quint32(0);
        bmp += pixels;
        writeFile(dir.filePath("top-down.bmp"), bmp);
        return dir.filePath("top-down.bmp");
    };
    const QString small = topDown(1, -2, QByteArray("\x10\x20\x30\0\x40\x50\x60\0", 8));
    EXPECT_EQ(PictureLoader::readSize(small), QSize(1, 2));
    const QImage decoded = PictureLoader::load(small)->toImage();
    EXPECT_EQ(decoded.size(), QSize(1, 2));
    EXPECT_EQ(decoded.pixelColor(0, 0), QColor(0x30, 0x20, 0x10)); // the first row stored is the top
}

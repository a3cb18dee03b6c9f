#include "platform/PictureLoader.h"

#include "ThrownError.h"
#include "platform/PixelMemory.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A JPEG of one colour whose header announces another size.
QByteArray announcingSize(int width, int height)
{
    QByteArray jpeg = smallJpeg(8, 8);
    QByteArray size;
    QDataStream(&size, QIODevice::WriteOnly) << quint16(height) << quint16(width);
    return jpeg.replace(jpeg.indexOf("\xFF\xC0") + 5, 4, size);
}

// A small progressive JPEG whose last scan comes again and again: each
// repeat costs the decoder a pass over the picture.
QByteArray scanBomb(int repeats)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    EXPECT_TRUE(writer.write(image));
    // Scan data never holds a marker, so the last FF DA starts the last scan.
    const QByteArray jpeg = buffer.data();
    const qsizetype lastScan = jpeg.lastIndexOf("\xFF\xDA"), end = jpeg.size() - 2;
    return jpeg.left(end) + jpeg.mid(lastScan, end - lastScan).repeated(repeats) + jpeg.right(2);
}

} // namespace

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

TEST(PictureLoaderTest, TruncatedJpegsDecodeWhatIsThereSaySoAndShowNoStaleMemory)
{
    QTemporaryDir dir;
    const QString cut = dir.filePath("cut.jpg");
    ASSERT_TRUE(writeFile(cut, readFile(testPhoto("large/jolla.jpg")).left(100'000)));
    const struct {
        QString path;
        QSize size;
    } cases[] = { { testPhoto("broken/corrupted.jpg"), QSize(3648, 2736) }, { cut, QSize(3264, 2448) } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        // The decoder gets memory a freed picture left behind, uncleared: a
        // row it did not write would show that picture's bytes.
        const size_t bytes = size_t(PixelSurface::strideFor(c.size.width())) * c.size.height();
        QByteArray decoded[2];
        for (int i = 0; i < 2; ++i) {
            PixelMemory::emptyCache();
            uint8_t* stale = PixelMemory::allocateForOverwrite(bytes);
            std::memset(stale, i == 0 ? 0x00 : 0xFF, bytes);
            PixelMemory::release(stale, bytes);
            QString warning;
            const auto picture = PictureLoader::load(c.path, 1, &warning);
            ASSERT_EQ(picture->bits(), stale);
            EXPECT_EQ(QSize(picture->width(), picture->height()), c.size);
            EXPECT_TRUE(warning.contains(QFileInfo(c.path).fileName()) && warning.contains("decoded as far as it goes"))
                << warning.toStdString();
            decoded[i] = QByteArray(reinterpret_cast<const char*>(picture->bits()), qsizetype(bytes));
        }
        EXPECT_TRUE(decoded[0] == decoded[1]);

        QString warning = "left over";
        EXPECT_EQ(PictureLoader::loadPreview(c.path, 8, &warning).size(), c.size / 8);
        EXPECT_TRUE(warning.contains("decoded as far as it goes")) << warning.toStdString();
    }
    PixelMemory::emptyCache();
    // A sound file leaves no warning behind.
    QString warning = "left over";
    PictureLoader::loadPreview(testPhoto("cameras/Canon_40D.jpg"), 8, &warning);
    EXPECT_EQ(warning, QString());
}

namespace {

// The largest difference of a colour channel between two pictures of the
// same size; 256 when picture, in Format_RGB32, has an unused byte other
// than the 0xFF that format wants.
int worstDifference(const QImage& picture, const QImage& reference)
{
    const QImage a = picture.convertToFormat(QImage::Format_RGB32);
    const QImage b = reference.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (qAlpha(row[x]) != 255) return 256;
            const QRgb want = b.pixel(x, y);
            worst = std::max({ worst, std::abs(qRed(row[x]) - qRed(want)), std::abs(qGreen(row[x]) - qGreen(want)),
                std::abs(qBlue(row[x]) - qBlue(want)) });
        }
    }
    return worst;
}

} // namespace

TEST(PictureLoaderTest, PixelsMatchQtsDecoderAndThePreviewPaintsThemAsTheyAre)
{
    // Both decoders are libjpeg, and the preview's transform is the faster
    // one: small differences, never in the order of the colours or rows.
    const QString path = testPhoto("cameras/Canon_40D.jpg");
    const QImage qt(path);
    EXPECT_LE(worstDifference(PictureLoader::load(path)->toImage(), qt), 12);
    for (int denominator : { 1, 2, 8 }) {
        SCOPED_TRACE(denominator);
        const QImage exact = PictureLoader::load(path, denominator)->toImage();
        const QImage preview = PictureLoader::loadPreview(path, denominator);
        // Each side rounded up.
        EXPECT_EQ(exact.width(), (qt.width() + denominator - 1) / denominator);
        EXPECT_EQ(exact.height(), (qt.height() + denominator - 1) / denominator);
        ASSERT_EQ(preview.format(), QImage::Format_RGB32);
        ASSERT_EQ(preview.size(), exact.size());
        EXPECT_LE(worstDifference(preview, exact), 8);
    }
}

TEST(PictureLoaderTest, BadAndHostileFilesAreRefusedFromTheirHeaderWithPathAndReason)
{
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& data) {
        writeFile(dir.filePath(name), data);
        return dir.filePath(name);
    };
    const QByteArray photo = readFile(testPhoto("large/jolla.jpg"));
    const struct {
        QString path;
        long number;
        const char* reason;
    } cases[] = {
        { dir.filePath("missing.jpg"), PictureLoader::FileNotFound, "does not exist" },
        { write("empty.jpg", {}), PictureLoader::InvalidPicture, "empty" },
        { write("text.jpg", "hello, world"), PictureLoader::InvalidPicture, "neither a JPEG nor a BMP" },
        { write("header.jpg", QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10)), PictureLoader::InvalidPicture, "JPEG" },
        { write("huge.jpg", announcingSize(20000, 20000)), PictureLoader::InvalidPicture, "250 megapixels" },
        // Decoded "as far as it goes", 16000 x 15000 pixels in a few hundred
        // bytes would take 720 MB of grey.
        { write("tiny.jpg", announcingSize(16000, 15000)), PictureLoader::InvalidPicture, "far too short" },
        { write("cut.jpg", photo.left(4096)), PictureLoader::InvalidPicture, "far too short" },
    };
    // Opening a photo reads its size first; the preview decodes on its own.
    const std::function<void(const QString&)> readers[] = {
        [](const QString& path) { PictureLoader::readSize(path); },
        [](const QString& path) { PictureLoader::load(path); },
        [](const QString& path) { PictureLoader::loadPreview(path, 8); },
    };
    PixelMemory::resetPeak();
    const size_t before = PixelMemory::peakBytesInUse();
    for (const auto& c : cases) {
        for (const auto& read : readers) {
            const std::optional<RuntimeError> error = thrownError([&] { read(c.path); });
            ASSERT_TRUE(error) << "read " << c.path.toStdString();
            const QString description = error->description();
            EXPECT_EQ(error->number(), c.number) << description.toStdString();
            EXPECT_TRUE(description.contains(QDir::toNativeSeparators(c.path)) && description.contains(c.reason))
                << description.toStdString();
        }
    }
    EXPECT_EQ(PixelMemory::peakBytesInUse(), before) << "a refused file took pixel memory";
}

TEST(PictureLoaderTest, AProgressiveJpegOfMoreScansThanEncodersWriteIsRefused)
{
    QTemporaryDir dir;
    const QString sound = dir.filePath("sound.jpg");
    const QString bomb = dir.filePath("bomb.jpg");
    writeFile(sound, scanBomb(1));
    writeFile(bomb, scanBomb(600));
    EXPECT_EQ(PictureLoader::load(sound)->width(), 64);
    const std::function<void()> decodes[]
        = { [&] { PictureLoader::load(bomb); }, [&] { PictureLoader::loadPreview(bomb, 2); } };
    for (const auto& decode : decodes) {
        const std::optional<RuntimeError> error = thrownError(decode);
        ASSERT_TRUE(error) << "a JPEG of 600 scans more was decoded";
        EXPECT_TRUE(error->description().contains("bomb.jpg") && error->description().contains("scans"))
            << error->description().toStdString();
    }
}

TEST(PictureLoaderTest, BmpFilesLoadThroughQtWhicheverWayTheirRowsRun)
{
    QTemporaryDir dir;
    QImage image(3, 2, QImage::Format_RGB888);
    image.fill(QColor(1, 2, 3));
    image.setPixelColor(2, 0, QColor(200, 100, 50));
    const QString path = dir.filePath("small.bmp");
    ASSERT_TRUE(image.save(path, "BMP"));
    EXPECT_EQ(PictureLoader::load(path)->toImage().convertToFormat(QImage::Format_RGB888), image);

    // A negative height in the header: the rows are stored top down.
    QByteArray bmp("BM");
    QDataStream out(&bmp, QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(54 + 8) << quint32(0) << quint32(54) << quint32(40) << qint32(1) << qint32(-2) << quint16(1)
        << quint16(24) << quint32(0) << quint32(8) << quint32(2835) << quint32(2835) << quint32(0) << quint32(0);
    out.writeRawData("\x10\x20\x30\0\x40\x50\x60\0", 8); // two rows of one pixel, padded to 4 bytes
    ASSERT_TRUE(writeFile(path, bmp));
    EXPECT_EQ(PictureLoader::readSize(path), QSize(1, 2));
    const QImage decoded = PictureLoader::load(path)->toImage();
    EXPECT_EQ(decoded.size(), QSize(1, 2));
    EXPECT_EQ(decoded.pixelColor(0, 0), QColor(0x30, 0x20, 0x10));
}

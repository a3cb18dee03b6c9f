#include "platform/PictureLoader.h"

#include "ThrownError.h"
#include "platform/PixelMemory.h"
#include "support/JpegCoefficients.h"
#include "support/PhotoFormats.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <vector>

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
            const QSize header = PictureLoader::readHeader(path).size;
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

TEST(PictureLoaderTest, EveryKindDecodesToItsPictureAsStoredOrAsAHeifImageShowsIt)
{
    // Quarters red, green; blue, yellow. Orientation 6 shows the stored
    // picture turned a quarter clockwise: blue, red; yellow, green. Only a
    // HEIF image is turned by its decoder (its own rotation property); the
    // others come as stored, their EXIF orientation left to the pipeline.
    const QImage stored = quarters(64, 48);
    const QList<QColor> asStored = quarterColours(stored);
    const QList<QColor> turned = { asStored[2], asStored[0], asStored[3], asStored[1] };
    QImage translucent = stored.convertToFormat(QImage::Format_ARGB32);
    translucent.fill(qRgba(0, 0, 0, 0));
    struct Case {
        PhotoKind kind;
        QImage picture;
        int orientation;
        QSize shown;
        QList<QColor> colours;
    } cases[] = {
        { PhotoKind::Heic, stored, 1, { 64, 48 }, asStored },
        { PhotoKind::Heic, stored, 6, { 48, 64 }, turned },
        { PhotoKind::Png, stored, 6, { 64, 48 }, asStored },
        { PhotoKind::Webp, stored, 6, { 64, 48 }, asStored },
        { PhotoKind::Tiff, stored, 6, { 64, 48 }, asStored },
        // Transparency shows on white.
        { PhotoKind::Png, translucent, 1, { 64, 48 }, QList<QColor>(4, Qt::white) },
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("photo.%1").arg(extensionOf(c.kind)));
        SCOPED_TRACE(path.toStdString() + " orientation " + std::to_string(c.orientation));
        ASSERT_TRUE(writeFile(path, photoBytes(c.kind, { c.picture, c.orientation, "2021:03:14 18:22:05" })));
        const PictureLoader::Header header = PictureLoader::readHeader(path);
        EXPECT_EQ(header.size, c.shown);
        EXPECT_EQ(header.upright, c.kind == PhotoKind::Heic);
        const QImage decoded = PictureLoader::load(path)->toImage();
        const QImage preview = PictureLoader::loadPreview(path, 2);
        EXPECT_EQ(preview.format(), QImage::Format_RGB32);
        for (const QImage& image : { decoded, preview }) {
            ASSERT_EQ(image.size(), c.shown);
            const QList<QColor> colours = quarterColours(image);
            for (int i = 0; i < 4; ++i)
                EXPECT_TRUE(alike(colours[i], c.colours[i], 12))
                    << i << ": " << colours[i].name().toStdString() << " for " << c.colours[i].name().toStdString();
        }
    }
}

namespace {

// libheif as it is built without an HEVC decoder, while set: the loader's
// call reaches this definition, which the program's own takes precedence
// over the library's.
bool withoutHevcDecoder = false;

} // namespace

extern "C" int heif_have_decoder_for_format(int format)
{
    static const auto library = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "heif_have_decoder_for_format"));
    return withoutHevcDecoder ? 0 : library(format);
}

TEST(PictureLoaderTest, AHeicPhotoWithoutLibheifsHevcDecoderFailsSayingSo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("IMG_0001.HEIC");
    ASSERT_TRUE(writeFile(path, photoBytes(PhotoKind::Heic, { quarters(64, 48) })));
    withoutHevcDecoder = true;
    const std::function<void()> decodes[]
        = { [&] { PictureLoader::load(path); }, [&] { PictureLoader::loadPreview(path); } };
    for (const auto& decode : decodes) {
        try {
            decode();
            ADD_FAILURE() << "decoded without a decoder";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.description(),
                QStringLiteral("Cannot open the picture \"%1\": HEIC photos need libheif's HEVC decoder (libde265), "
                               "which is not installed.")
                    .arg(QDir::toNativeSeparators(path)));
        }
    }
    // Its header is still read: the photo is listed and opened, and fails
    // when its pixels are wanted.
    EXPECT_EQ(PictureLoader::readHeader(path).size, QSize(64, 48));
    withoutHevcDecoder = false;
    EXPECT_EQ(PictureLoader::load(path)->width(), 64);
}

TEST(PictureLoaderTest, RowsComeOutAsTheWholePictureDoes)
{
    // Row by row, every byte and warning of the whole picture: baseline and
    // progressive, 4:2:0, 4:4:4 and grey, damaged and cut short. What only
    // the whole decoding reads (a CMYK photo, a PNG) or a photo of another
    // size than expected is left to it.
    struct Rows : PictureLoader::RowSink {
        explicit Rows(int width)
            : buffer(size_t(3 * width + 2))
        {
        }
        uint8_t* rowBuffer() override { return buffer.data(); }
        void pushRow(const uint8_t* row) override
        {
            bytes.append(reinterpret_cast<const char*>(row), qsizetype(buffer.size() - 2));
        }
        std::vector<uint8_t> buffer;
        QByteArray bytes;
    };
    QTemporaryDir dir;
    const QByteArray canon = readFile(testPhoto("cameras/Canon_40D.jpg"));
    QImage grey(97, 61, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        std::memset(grey.scanLine(y), 4 * y, size_t(grey.width()));
    QBuffer greyJpeg;
    greyJpeg.open(QIODevice::WriteOnly);
    ASSERT_TRUE(grey.save(&greyJpeg, "JPEG"));
    const std::pair<const char*, QByteArray> made[] = { { "cut.jpg",
                                                            readFile(testPhoto("large/jolla.jpg")).left(100'000) },
        { "progressive.jpg", JpegCoefficients::progressiveCopy(canon) },
        { "full-chroma.jpg", JpegCoefficients::fullChromaCopy(canon, true) }, { "grey.jpg", greyJpeg.data() },
        { "cmyk.jpg", JpegCoefficients::cmyk() }, { "picture.png", photoBytes(PhotoKind::Png, { quarters(40, 30) }) } };
    QStringList paths = { testPhoto("broken/corrupted.jpg"), testPhoto("cameras/Canon_40D.jpg"),
        testPhoto("orientation/portrait_6.jpg") };
    for (const auto& [name, bytes] : made) {
        paths << dir.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(writeFile(paths.back(), bytes));
    }
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        QString wholeWarning, rowWarning = "left over";
        const auto whole = PictureLoader::load(path, 1, &wholeWarning);
        const QSize size(whole->width(), whole->height());
        Rows rows(size.width());
        const bool byRows = !path.endsWith("cmyk.jpg") && !path.endsWith(".png");
        ASSERT_EQ(PictureLoader::loadRows(path, size, rows, &rowWarning), byRows);
        EXPECT_FALSE(PictureLoader::loadRows(path, size.transposed() + QSize(1, 0), rows));
        if (!byRows) continue;
        EXPECT_EQ(rowWarning, wholeWarning);
        ASSERT_EQ(rows.bytes.size(), qsizetype(3 * size.width()) * size.height());
        for (int y = 0; y < size.height(); ++y)
            ASSERT_EQ(0,
                std::memcmp(rows.bytes.constData() + qsizetype(3 * size.width()) * y, whole->scanLine(y),
                    size_t(3 * size.width())))
                << "row " << y;
    }
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
    // Headers of other kinds announcing 20000 x 20000 pixels without their
    // data: a PNG, a TIFF, and a HEIF file whose image size property says so.
    const auto png = [](const QByteArray& size) {
        return QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", size + QByteArray::fromHex("0802000000"))
            + pngChunk("IDAT", QByteArray::fromHex("789C030000000001")) + pngChunk("IEND", {});
    };
    QByteArray tiff = photoBytes(PhotoKind::Tiff, { quarters(4, 4) });
    tiff.replace(18, 4, QByteArray::fromHex("204E0000")).replace(30, 4, QByteArray::fromHex("204E0000"));
    QByteArray heic = photoBytes(PhotoKind::Heic, { quarters(64, 48) });
    for (qsizetype ispe = heic.indexOf("ispe"); ispe >= 0; ispe = heic.indexOf("ispe", ispe + 1))
        heic.replace(ispe + 8, 8, QByteArray::fromHex("00004E2000004E20"));
    const struct {
        QString path;
        long number;
        const char* reason;
    } cases[] = {
        { dir.filePath("missing.jpg"), PictureLoader::FileNotFound, "does not exist" },
        { write("empty.jpg", {}), PictureLoader::InvalidPicture, "empty" },
        { write("text.jpg", "hello, world"), PictureLoader::InvalidPicture, "no picture this program reads" },
        { write("header.jpg", QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10)), PictureLoader::InvalidPicture, "JPEG" },
        { write("huge.jpg", announcingSize(20000, 20000)), PictureLoader::InvalidPicture, "250 megapixels" },
        // Decoded "as far as it goes", 16000 x 15000 pixels in a few hundred
        // bytes would take 720 MB of grey.
        { write("tiny.jpg", announcingSize(16000, 15000)), PictureLoader::InvalidPicture, "far too short" },
        { write("cut.jpg", photo.left(4096)), PictureLoader::InvalidPicture, "far too short" },
        { write("huge.png", png(QByteArray::fromHex("00004E2000004E20"))), PictureLoader::InvalidPicture,
            "250 megapixels" },
        // 100 megapixels in a few dozen bytes: no PNG, however flat.
        { write("tiny.png", png(QByteArray::fromHex("0000271000002710"))), PictureLoader::InvalidPicture,
            "far too short" },
        { write("huge.tif", tiff), PictureLoader::InvalidPicture, "250 megapixels" },
        { write("huge.heic", heic), PictureLoader::InvalidPicture, "250 megapixels" },
    };
    // Opening a photo reads its size first; the preview decodes on its own.
    const std::function<void(const QString&)> readers[] = {
        [](const QString& path) { PictureLoader::readHeader(path); },
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
    EXPECT_EQ(PictureLoader::readHeader(path).size, QSize(1, 2));
    const QImage decoded = PictureLoader::load(path)->toImage();
    EXPECT_EQ(decoded.size(), QSize(1, 2));
    EXPECT_EQ(decoded.pixelColor(0, 0), QColor(0x30, 0x20, 0x10));
}

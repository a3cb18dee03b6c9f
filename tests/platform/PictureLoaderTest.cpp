#include "platform/PictureLoader.h"

#include "platform/PixelMemory.h"
#include "platform/RuntimeError.h"
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

#include <cstdlib>
#include <cstring>
#include <functional>

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

TEST(PictureLoaderTest, TruncatedJpegDecodesWhatIsThere)
{
    QString warning;
    auto picture = PictureLoader::load(testPhoto("broken/corrupted.jpg"), 1, &warning);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(warning.contains("corrupted.jpg")) << warning.toStdString();
    EXPECT_EQ(picture->width(), 3648);
    EXPECT_EQ(picture->height(), 2736);

    // The preview of the same file says so too; a sound file says nothing.
    QString previewWarning = QStringLiteral("left over");
    EXPECT_EQ(
        PictureLoader::loadPreview(testPhoto("broken/corrupted.jpg"), 8, &previewWarning).size(), QSize(456, 342));
    EXPECT_TRUE(previewWarning.contains("corrupted.jpg")) << previewWarning.toStdString();
    PictureLoader::loadPreview(testPhoto("cameras/Canon_40D.jpg"), 1, &previewWarning);
    EXPECT_EQ(previewWarning, QString());
}

TEST(PictureLoaderTest, TruncatedJpegLeavesNoTraceOfTheMemoryItWasDecodedInto)
{
    // The decoder gets memory a freed picture left behind, uncleared: a row
    // it did not write would show that picture's bytes. The same for the
    // saved photo's picture (24 bits) and the preview's (32 bits).
    const QString path = testPhoto("broken/corrupted.jpg");
    struct Decode {
        size_t bytes;
        std::function<QByteArray(const uint8_t* expectedBits)> run;
    };
    const Decode decodes[] = {
        { size_t(PixelSurface::strideFor(3648)) * 2736,
            [&](const uint8_t* expectedBits) {
                auto picture = PictureLoader::load(path);
                EXPECT_EQ(picture->bits(), expectedBits);
                return QByteArray(
                    reinterpret_cast<const char*>(picture->bits()), qsizetype(picture->stride()) * picture->height());
            } },
        { size_t(3648) * 4 * 2736,
            [&](const uint8_t* expectedBits) {
                const QImage preview = PictureLoader::loadPreview(path);
                EXPECT_EQ(preview.constBits(), expectedBits);
                return QByteArray(reinterpret_cast<const char*>(preview.constBits()), preview.sizeInBytes());
            } },
    };
    for (const Decode& decode : decodes) {
        QByteArray decoded[2];
        for (int i = 0; i < 2; ++i) {
            PixelMemory::emptyCache();
            uint8_t* stale = PixelMemory::allocateForOverwrite(decode.bytes);
            ASSERT_NE(stale, nullptr);
            std::memset(stale, i == 0 ? 0x00 : 0xFF, decode.bytes);
            PixelMemory::release(stale, decode.bytes);
            decoded[i] = decode.run(stale);
        }
        EXPECT_TRUE(decoded[0] == decoded[1]) << decode.bytes;
    }
    PixelMemory::emptyCache();
}

TEST(PictureLoaderTest, PreviewHasTheLoadersPixelsInA32BitFormatThatPaintsAsItIs)
{
    // The preview's faster transform may differ a little from the exact one,
    // never in the order of the colours.
    const QString path = testPhoto("cameras/Canon_40D.jpg");
    for (int denominator : { 1, 2, 8 }) {
        const QImage exact = PictureLoader::load(path, denominator)->toImage();
        const QImage preview = PictureLoader::loadPreview(path, denominator);
        ASSERT_EQ(preview.format(), QImage::Format_RGB32);
        ASSERT_EQ(preview.size(), exact.size()) << denominator;
        int worst = 0;
        for (int y = 0; y < preview.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(preview.constScanLine(y));
            for (int x = 0; x < preview.width(); ++x) {
                // Format_RGB32 wants the unused byte at 0xFF.
                ASSERT_EQ(qAlpha(row[x]), 255) << x << "," << y;
                const QRgb want = exact.pixel(x, y);
                worst = std::max({ worst, std::abs(qRed(row[x]) - qRed(want)), std::abs(qGreen(row[x]) - qGreen(want)),
                    std::abs(qBlue(row[x]) - qBlue(want)) });
            }
        }
        EXPECT_LE(worst, 8) << denominator;
    }
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
        { write("text.jpg", "hello, world"), PictureLoader::InvalidPicture, "no picture this program reads" },
        { write("header.jpg", QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10)), PictureLoader::InvalidPicture, "JPEG" },
        { dir.path(), PictureLoader::InvalidPicture, "folder" },
    };
    // Reading the size alone, as opening a photo does first, says the same.
    const std::function<void(const QString&)> readers[] = { [](const QString& path) { PictureLoader::load(path); },
        [](const QString& path) { PictureLoader::readHeader(path); } };
    for (const auto& read : readers) {
        for (const Case& c : cases) {
            try {
                read(c.path);
                ADD_FAILURE() << "read " << c.path.toStdString();
            } catch (const RuntimeError& error) {
                EXPECT_EQ(error.number(), c.number);
                EXPECT_TRUE(error.description().contains(QDir::toNativeSeparators(c.path)))
                    << error.description().toStdString();
                EXPECT_TRUE(error.description().contains(c.reason)) << error.description().toStdString();
            }
        }
    }
}

TEST(PictureLoaderTest, HugePicturesAreRefusedFromTheHeader)
{
    // Headers announcing 20000 x 20000 pixels (400 megapixels), without
    // their data: a JPEG, a PNG, a TIFF and a HEIF file whose image size
    // property says so.
    QByteArray jpeg = QByteArray::fromHex("FFD8FFC0000B08");
    jpeg += QByteArray::fromHex("4E204E20"); // height, width 20000
    jpeg += QByteArray::fromHex("01011100");
    jpeg += QByteArray::fromHex("FFDA000801010000003F00FFD9"); // start of scan, end
    const auto png = [](const QByteArray& size) {
        return QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", size + QByteArray::fromHex("0802000000"))
            + pngChunk("IDAT", QByteArray::fromHex("789C030000000001")) + pngChunk("IEND", {});
    };
    QByteArray tiff = photoBytes(PhotoKind::Tiff, { quarters(4, 4) });
    tiff.replace(18, 4, QByteArray::fromHex("204E0000")).replace(30, 4, QByteArray::fromHex("204E0000"));
    QByteArray heic = photoBytes(PhotoKind::Heic, { quarters(64, 48) });
    ASSERT_TRUE(heic.contains("ispe"));
    for (qsizetype ispe = heic.indexOf("ispe"); ispe >= 0; ispe = heic.indexOf("ispe", ispe + 1))
        heic.replace(ispe + 8, 8, QByteArray::fromHex("00004E2000004E20"));
    const std::pair<QByteArray, QString> cases[] = {
        { jpeg, "250 megapixels" },
        { png(QByteArray::fromHex("00004E2000004E20")), "250 megapixels" },
        // 100 megapixels in a few dozen bytes: no PNG, however flat.
        { png(QByteArray::fromHex("0000271000002710")), "far too short" },
        { tiff, "250 megapixels" },
        { heic, "250 megapixels" },
    };
    QTemporaryDir dir;
    for (const auto& [bytes, reason] : cases) {
        writeFile(dir.filePath("huge"), bytes);
        for (int step = 0; step < 2; ++step) {
            try {
                step == 0 ? void(PictureLoader::readHeader(dir.filePath("huge")))
                          : void(PictureLoader::load(dir.filePath("huge")));
                ADD_FAILURE() << "accepted " << bytes.left(16).toHex().toStdString();
            } catch (const RuntimeError& error) {
                EXPECT_TRUE(error.description().contains(reason)) << error.description().toStdString();
            }
        }
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
    EXPECT_EQ(PictureLoader::readHeader(small).size, QSize(1, 2));
    const QImage decoded = PictureLoader::load(small)->toImage();
    EXPECT_EQ(decoded.size(), QSize(1, 2));
    EXPECT_EQ(decoded.pixelColor(0, 0), QColor(0x30, 0x20, 0x10)); // the first row stored is the top
}

namespace {

// Where each marker segment or scan of a JPEG begins: the positions of its
// markers, the restart markers and stuffed bytes of scan data left out.
QList<qsizetype> markerPositions(const QByteArray& jpeg)
{
    QList<qsizetype> positions;
    for (qsizetype i = 0; i + 1 < jpeg.size(); ++i) {
        const auto next = static_cast<uint8_t>(jpeg[i + 1]);
        if (static_cast<uint8_t>(jpeg[i]) != 0xFF || next == 0x00 || next == 0xFF || (next >= 0xD0 && next <= 0xD7))
            continue;
        positions << i;
        // A segment's length covers its body, which may hold any byte.
        if (next != 0xD8 && next != 0xD9 && i + 3 < jpeg.size())
            i += 1 + (static_cast<uint8_t>(jpeg[i + 2]) << 8 | static_cast<uint8_t>(jpeg[i + 3]));
    }
    return positions;
}

// A small progressive JPEG whose last scan, with the tables before it, comes
// again and again: each repeat costs the decoder a pass over the picture.
QByteArray scanBomb(int repeats)
{
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) & 0xFF));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    EXPECT_TRUE(writer.write(image));
    const QByteArray jpeg = buffer.data();
    QList<qsizetype> scans;
    const QList<qsizetype> markers = markerPositions(jpeg);
    for (qsizetype at : markers)
        if (static_cast<uint8_t>(jpeg[at + 1]) == 0xDA) scans << at;
    EXPECT_GT(scans.size(), 2);
    // From the end of the last but one scan to the end of the picture.
    const qsizetype from = markers[markers.indexOf(scans[scans.size() - 2]) + 1];
    const qsizetype end = jpeg.size() - 2;
    return jpeg.left(end) + jpeg.mid(from, end - from).repeated(repeats) + jpeg.right(2);
}

} // namespace

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
        try {
            decode();
            ADD_FAILURE() << "a JPEG of 600 scans more was decoded";
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.description().contains("bomb.jpg")) << error.description().toStdString();
            EXPECT_TRUE(error.description().contains("scans")) << error.description().toStdString();
        }
    }
}

TEST(PictureLoaderTest, AJpegFarTooShortForItsSizeIsRefusedBeforeItsMemoryIsTaken)
{
    QTemporaryDir dir;
    // 730 bytes whose header claims 16000 x 15000 pixels: decoded "as far as
    // it goes", it would take 720 MB of grey.
    QByteArray tiny = QByteArray::fromHex("FFD8FFDB004300") + QByteArray(64, '\x01'); // flat quantisation
    tiny += QByteArray::fromHex("FFC0000B08");
    tiny += QByteArray::fromHex("3A983E80"); // height 15000, width 16000
    tiny += QByteArray::fromHex("01011100");
    // The standard Huffman tables of luminance, DC then AC.
    tiny += QByteArray::fromHex("FFC4001F0000010501010101010100000000000000000102030405060708090A0B");
    tiny += QByteArray::fromHex("FFC400B5100002010303020403050504040000017D01020300041105122131410613516107227114"
                                "328191A1082342B1C11552D1F02433627282090A161718191A25262728292A3435363738393A4344"
                                "45464748494A535455565758595A636465666768696A737475767778797A838485868788898A9293"
                                "9495969798999AA2A3A4A5A6A7A8A9AAB2B3B4B5B6B7B8B9BAC2C3C4C5C6C7C8C9CAD2D3D4D5D6D7"
                                "D8D9DAE1E2E3E4E5E6E7E8E9EAF1F2F3F4F5F6F7F8F9FA");
    tiny += QByteArray::fromHex("FFDA0008010100003F00");
    tiny += QByteArray(730 - 2 - tiny.size(), '\x55') + QByteArray::fromHex("FFD9");
    ASSERT_EQ(tiny.size(), 730);
    // A real photo cut short: to 4 KB it is refused, to 100 KB it still
    // decodes as far as it goes.
    const QByteArray photo = readFile(testPhoto("large/jolla.jpg"));
    const struct {
        QByteArray data;
        bool refused;
    } cases[] = { { tiny, true }, { photo.left(4096), true }, { photo.left(100'000), false } };
    PixelMemory::resetPeak();
    const size_t before = PixelMemory::peakBytesInUse();
    for (const auto& c : cases) {
        const QString path = dir.filePath("cut.jpg");
        writeFile(path, c.data);
        const std::function<void()> readers[]
            = { [&] { PictureLoader::readHeader(path); }, [&] { PictureLoader::load(path); } };
        for (const auto& read : readers) {
            try {
                QString warning;
                read();
                EXPECT_FALSE(c.refused) << c.data.size();
            } catch (const RuntimeError& error) {
                EXPECT_TRUE(c.refused) << error.description().toStdString();
                EXPECT_TRUE(error.description().contains("far too short")) << error.description().toStdString();
            }
        }
    }
    QString warning;
    writeFile(dir.filePath("cut.jpg"), photo.left(100'000));
    EXPECT_EQ(PictureLoader::load(dir.filePath("cut.jpg"), 1, &warning)->width(), 3264);
    EXPECT_TRUE(warning.contains("decoded as far as it goes")) << warning.toStdString();
    // The refused ones took no pixel memory; the photo cut at 100 KB its own.
    EXPECT_LT(PixelMemory::peakBytesInUse() - before, size_t(4) * 3264 * 2448);
}

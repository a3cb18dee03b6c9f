#include "platform/PictureLoader.h"

#include "platform/HeifDecoder.h"
#include "platform/LibjpegErrors.h"
#include "platform/PhotoFile.h"
#include "platform/PixelMemory.h"
#include "platform/RuntimeError.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageReader>

#include <turbojpeg.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

namespace {

[[noreturn]] void fail(long number, const QString& path, const QString& reason)
{
    PhotoFile::fail(number, path, reason);
}

// Data that is no picture this loader reads: empty, or of another kind.
[[noreturn]] void failUnknown(const QString& path, const QByteArray& data)
{
    if (data.isEmpty()) fail(PictureLoader::InvalidPicture, path, QStringLiteral("the file is empty."));
    fail(PictureLoader::InvalidPicture, path,
        QStringLiteral("the file is no picture this program reads (JPEG, HEIC or HEIF, PNG, WebP, TIFF or BMP)."));
}

bool startsWith(const QByteArray& data, const char* bytes, qsizetype size, qsizetype at = 0)
{
    return data.size() >= at + size && std::memcmp(data.constData() + at, bytes, static_cast<size_t>(size)) == 0;
}

// The kinds of picture, told by their first bytes, whatever the file's name.
enum class Kind { Jpeg, Heif, Png, Webp, Tiff, Bmp, Unknown };

Kind kindOf(const QByteArray& data)
{
    if (startsWith(data, "\xFF\xD8\xFF", 3)) return Kind::Jpeg;
    if (HeifDecoder::isHeif(data)) return Kind::Heif;
    if (startsWith(data, "\x89PNG\r\n\x1A\n", 8)) return Kind::Png;
    if (startsWith(data, "RIFF", 4) && startsWith(data, "WEBP", 4, 8)) return Kind::Webp;
    if (startsWith(data, "II*\0", 4) || startsWith(data, "MM\0*", 4)) return Kind::Tiff;
    if (startsWith(data, "BM", 2)) return Kind::Bmp;
    return Kind::Unknown;
}

// The name of Qt's reader for a kind it decodes, and the kind's name for
// messages.
const char* qtFormatOf(Kind kind)
{
    switch (kind) {
    case Kind::Jpeg:
        return "jpeg";
    case Kind::Png:
        return "png";
    case Kind::Webp:
        return "webp";
    case Kind::Tiff:
        return "tiff";
    case Kind::Bmp:
        return "bmp";
    default:
        return nullptr;
    }
}

void checkSize(const QString& path, int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        fail(PictureLoader::InvalidPicture, path, QStringLiteral("the picture has no pixels."));
    if (width * height > PixelSurface::MaxPixels) {
        fail(PictureLoader::InvalidPicture, path,
            QStringLiteral("the picture is %1 x %2 pixels, more than the %3 megapixels this program handles.")
                .arg(width)
                .arg(height)
                .arg(PixelSurface::MaxPixels / 1'000'000));
    }
}

// Owns a TurboJPEG decompressor for the length of one call.
class Decompressor {
public:
    Decompressor()
        : m_handle(tjInitDecompress())
    {
    }
    ~Decompressor()
    {
        if (m_handle) tjDestroy(m_handle);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    tjhandle get() const { return m_handle; }
    QString lastError() const { return QString::fromLocal8Bit(tjGetErrorStr2(m_handle)); }

private:
    tjhandle m_handle;
};

struct JpegHeader {
    int width = 0;
    int height = 0;
    int colorspace = 0; // TJCS_*
};

JpegHeader readJpegHeader(const Decompressor& tj, const QString& path, const QByteArray& data)
{
    JpegHeader header;
    int subsampling = 0;
    if (tjDecompressHeader3(tj.get(), reinterpret_cast<const unsigned char*>(data.constData()),
            static_cast<unsigned long>(data.size()), &header.width, &header.height, &subsampling, &header.colorspace)
        != 0) {
        fail(PictureLoader::InvalidPicture, path, QStringLiteral("the JPEG data is damaged (%1).").arg(tj.lastError()));
    }
    if (header.width <= 0 || header.height <= 0)
        fail(PictureLoader::InvalidPicture, path,
            QStringLiteral("the JPEG data is damaged (it gives no picture size)."));
    checkSize(path, header.width, header.height);
    // Every 8 x 8 block of a picture takes at least one bit of Huffman-coded
    // data, its shortest code, so a whole picture takes a byte per 512
    // pixels at the very least. Data shorter than half that is no photo,
    // not even one cut short, and is refused before the memory of the size
    // its header claims is taken: a header of a few hundred bytes can claim
    // a gigabyte. (Arithmetic coding could go below; cameras do not use it.)
    const int64_t pixels = int64_t(header.width) * header.height;
    if (pixels / PictureLoader::MaxPixelsPerByte > data.size()) {
        fail(PictureLoader::InvalidPicture, path,
            QStringLiteral("the file is far too short for its picture (%1 bytes for %2 x %3 pixels).")
                .arg(data.size())
                .arg(header.width)
                .arg(header.height));
    }
    return header;
}

// The size in the header Qt's reader finds. A BMP stored top down has a
// negative height there, which Qt reports as it stands: its height is the
// magnitude.
QSize headerSize(QImageReader& reader)
{
    const QSize size = reader.size();
    if (size.height() < 0 && size.height() != std::numeric_limits<int>::min())
        return QSize(size.width(), -size.height());
    return size;
}

// Qt's reader for data of a kind, set up as the loader uses it: the
// picture as stored (the pipeline turns it by its EXIF orientation, once).
// The memory Qt's readers may take is the process's limit (ProcessSetup):
// a picture within MaxPixels, checked from its header first, stays within
// it at 8 bits a channel; one of 16 bits a channel up to half of that.
class QtReader {
public:
    QtReader(const QByteArray& data, const char* format)
    {
        m_buffer.setData(data);
        m_buffer.open(QIODevice::ReadOnly);
        m_reader.setDevice(&m_buffer);
        m_reader.setFormat(format);
        m_reader.setAutoTransform(false);
    }
    QImageReader& reader() { return m_reader; }

private:
    QBuffer m_buffer;
    QImageReader m_reader;
};

// A PNG's pixels are deflated, which shrinks data at most 1032 times, and
// take at least a bit each: a file shorter than that for its size is no
// PNG, even cut short. (WebP, TIFF and HEIF pictures have no such least:
// their codes can spend less than a bit on a pixel of a flat picture.)
constexpr int64_t MaxPixelsPerPngByte = 8 * 1032;

// The size from the header of data of a Qt-read kind, refused as a JPEG's
// is: above MaxPixels, and for a PNG, far too short for it.
QSize checkedQtHeader(const QString& path, const QByteArray& data, Kind kind, QImageReader& reader)
{
    const QSize size = headerSize(reader);
    if (!size.isValid()) {
        fail(PictureLoader::InvalidPicture, path,
            QStringLiteral("the %1 data is damaged (%2).")
                .arg(QString::fromLatin1(qtFormatOf(kind)).toUpper(), reader.errorString()));
    }
    checkSize(path, size.width(), size.height());
    const int64_t pixels = int64_t(size.width()) * size.height();
    if (kind == Kind::Png && pixels / MaxPixelsPerPngByte > data.size()) {
        fail(PictureLoader::InvalidPicture, path,
            QStringLiteral("the file is far too short for its picture (%1 bytes for %2 x %3 pixels).")
                .arg(data.size())
                .arg(size.width())
                .arg(size.height()));
    }
    return size;
}

// A picture with transparency as it shows on white paper: premultiplied
// colours plus white where the picture lets it through, opaque.
QImage onWhite(QImage image)
{
    if (!image.hasAlphaChannel()) return image;
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int through = 255 - qAlpha(row[x]);
            row[x] = qRgb(qRed(row[x]) + through, qGreen(row[x]) + through, qBlue(row[x]) + through);
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

// Decodes data of a kind Qt reads (and the CMYK JPEGs TurboJPEG cannot
// turn into RGB), as stored, opaque. A null image, with Qt's reason, when
// Qt cannot decode it; the size checks raise.
QImage decodeImageWithQt(const QString& path, const QByteArray& data, Kind kind, QString* reason)
{
    QtReader qt(data, qtFormatOf(kind));
    const QSize size = checkedQtHeader(path, data, kind, qt.reader());
    QImage image;
    if (!qt.reader().read(&image)) {
        if (reason) *reason = qt.reader().errorString();
        return {};
    }
    if (image.size() != size) {
        if (reason) *reason = QStringLiteral("its picture is not the size its header announces");
        return {};
    }
    image = onWhite(std::move(image));
    if (image.isNull())
        fail(PictureLoader::InvalidPicture, path, QStringLiteral("there is not enough memory for the picture."));
    return image;
}

std::unique_ptr<PixelSurface> fromQImage(const QString& path, const QImage& image)
{
    auto surface = PixelSurface::createForOverwrite(image.width(), image.height());
    if (!surface)
        fail(PictureLoader::InvalidPicture, path, QStringLiteral("there is not enough memory for the picture."));
    surface->copyFrom(image);
    return surface;
}

// A picture of a kind Qt reads; the decoder's reason raised when it cannot
// be decoded.
QImage qtImage(const QString& path, const QByteArray& data, Kind kind)
{
    QString reason;
    QImage image = decodeImageWithQt(path, data, kind, &reason);
    if (image.isNull()) {
        fail(PictureLoader::InvalidPicture, path,
            QStringLiteral("the %1 data cannot be decoded (%2).")
                .arg(QString::fromLatin1(qtFormatOf(kind)).toUpper(), reason));
    }
    return image;
}

std::unique_ptr<PixelSurface> decodeHeif(const QString& path, const QByteArray& data)
{
    HeifDecoder heif(path, data);
    checkSize(path, heif.size().width(), heif.size().height());
    return heif.decode();
}

// Decodes a JPEG into the memory that makeTarget gives for the decoded
// size, in pixelFormat at the target's stride; flags choose the row order
// and the decoder's speed. Nothing, for the caller to try Qt's reader,
// when TurboJPEG cannot turn a CMYK JPEG into RGB, with its reason.
template <typename Target, typename MakeTarget>
std::optional<Target> decodeJpegInto(const QString& path, const QByteArray& data, int scaleDenominator, int pixelFormat,
    int flags, QString* warning, QString* reason, MakeTarget makeTarget)
{
    Decompressor tj;
    if (!tj.get()) fail(PictureLoader::InvalidPicture, path, QStringLiteral("the JPEG decoder could not start."));
    const JpegHeader header = readJpegHeader(tj, path, data);

    const int width = TJSCALED(header.width, (tjscalingfactor { 1, scaleDenominator }));
    const int height = TJSCALED(header.height, (tjscalingfactor { 1, scaleDenominator }));
    uint8_t* bits = nullptr;
    int stride = 0;
    Target target = makeTarget(width, height, bits, stride);
    if (bits == nullptr)
        fail(PictureLoader::InvalidPicture, path, QStringLiteral("there is not enough memory for the picture."));

    // A progressive JPEG of many scans takes the decoder a long time for
    // every one; the decoder refuses those of more scans than any encoder
    // writes.
    const int result = tjDecompress2(tj.get(), reinterpret_cast<const unsigned char*>(data.constData()),
        static_cast<unsigned long>(data.size()), bits, width, stride, height, pixelFormat,
        flags | TJFLAG_NOREALLOC | TJFLAG_LIMITSCANS);
    if (result == 0) return target;
    // A warning (a truncated or slightly damaged file) still gives a picture.
    if (tjGetErrorCode(tj.get()) == TJERR_WARNING) {
        if (warning) {
            *warning = QStringLiteral("\"%1\" is damaged (%2); it was decoded as far as it goes.")
                           .arg(QDir::toNativeSeparators(path), tj.lastError());
        }
        return target;
    }
    // Qt's reader, which is libjpeg too, does no better, except where it
    // turns CMYK into RGB.
    if (header.colorspace != TJCS_CMYK && header.colorspace != TJCS_YCCK)
        fail(PictureLoader::InvalidPicture, path,
            QStringLiteral("the JPEG data cannot be decoded (%1).").arg(tj.lastError()));
    *reason = tj.lastError();
    return std::nullopt;
}

std::unique_ptr<PixelSurface> decodeJpeg(
    const QString& path, const QByteArray& data, int scaleDenominator, QString* warning)
{
    QString reason;
    // Straight into the surface: blue-green-red, bottom-up, its stride. The
    // decoder writes every row, even of a truncated file (the missing part
    // grey), so the surface need not be cleared first.
    auto decoded = decodeJpegInto<std::unique_ptr<PixelSurface>>(path, data, scaleDenominator, TJPF_BGR,
        TJFLAG_BOTTOMUP, warning, &reason, [](int width, int height, uint8_t*& bits, int& stride) {
            auto surface = PixelSurface::createForOverwrite(width, height);
            bits = surface ? surface->bits() : nullptr;
            stride = surface ? surface->stride() : 0;
            return surface;
        });
    if (decoded) return std::move(*decoded);
    const QImage fallback = decodeImageWithQt(path, data, Kind::Jpeg, nullptr);
    if (!fallback.isNull()) return fromQImage(path, fallback);
    fail(PictureLoader::InvalidPicture, path, QStringLiteral("the JPEG data cannot be decoded (%1).").arg(reason));
}

// QImage::Format_RGB32 in memory: blue, green, red, 0xFF on a little-endian
// machine, the other way round on a big-endian one.
constexpr int PreviewPixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRA : TJPF_ARGB;

std::unique_ptr<PixelSurface> decode(
    const QString& path, const QByteArray& data, int scaleDenominator, QString* warning)
{
    const Kind kind = kindOf(data);
    switch (kind) {
    case Kind::Jpeg:
        return decodeJpeg(path, data, scaleDenominator, warning);
    case Kind::Heif:
        return decodeHeif(path, data);
    case Kind::Unknown:
        failUnknown(path, data);
    default:
        return fromQImage(path, qtImage(path, data, kind));
    }
}

QImage decodePreview(const QString& path, const QByteArray& data, int scaleDenominator, QString* warning)
{
    const Kind kind = kindOf(data);
    if (kind == Kind::Jpeg) {
        QString reason;
        // Top-down rows of 32 bits, as QImage::Format_RGB32 keeps them, the
        // fourth byte set to 0xFF by the decoder; the faster, slightly less
        // exact transform is good enough for a picture that is never saved.
        auto decoded = decodeJpegInto<QImage>(path, data, scaleDenominator, PreviewPixelFormat,
            TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE, warning, &reason,
            [](int width, int height, uint8_t*& bits, int& stride) {
                stride = width * 4;
                const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(height);
                // Rows of whole 32-bit pixels have no padding, and the
                // decoder writes every row, even of a truncated file, so
                // memory that held an earlier picture will do.
                bits = PixelMemory::allocateForOverwrite(bytes);
                if (bits == nullptr) return QImage();
                return QImage(
                    bits, width, height, stride, QImage::Format_RGB32,
                    [](void* block) {
                        auto* memory = static_cast<std::pair<uint8_t*, size_t>*>(block);
                        PixelMemory::release(memory->first, memory->second);
                        delete memory;
                    },
                    new std::pair<uint8_t*, size_t>(bits, bytes));
            });
        if (decoded) return *decoded;
    }
    // Qt's picture is shown as it comes, without a copy into a surface.
    if (kind != Kind::Jpeg && kind != Kind::Heif && kind != Kind::Unknown)
        return qtImage(path, data, kind).convertToFormat(QImage::Format_RGB32);
    return decode(path, data, scaleDenominator, warning)->toImage().convertToFormat(QImage::Format_RGB32);
}

// Every libjpeg object of one row-by-row decoding, so that a jump out of
// the library leaves nothing to destroy but this record.
struct RowDecoding {
    LibjpegErrors errors;
    jpeg_decompress_struct decoder {};
    bool made = false;

    RowDecoding() = default;
    ~RowDecoding()
    {
        if (made) jpeg_destroy_decompress(&decoder);
    }
    RowDecoding(const RowDecoding&) = delete;
    RowDecoding& operator=(const RowDecoding&) = delete;
};

// Decodes data into sink as TurboJPEG decodes it whole: blue-green-red, the
// accurate transform, smooth chroma upsampling. False on a fatal error, whose
// words are in d.errors.message: libjpeg jumps back here, where nothing needs
// destroying.
bool decodeRows(RowDecoding& d, const QByteArray& data, PictureLoader::RowSink& sink)
{
    if (setjmp(d.errors.jump)) return false;
    d.decoder.err = &d.errors.manager;
    jpeg_create_decompress(&d.decoder);
    d.made = true;
    d.decoder.progress = &d.errors.progress;
    jpeg_mem_src(
        &d.decoder, reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d.decoder, TRUE);
    d.decoder.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d.decoder);
    while (d.decoder.output_scanline < d.decoder.output_height) {
        JSAMPROW row = sink.rowBuffer();
        jpeg_read_scanlines(&d.decoder, &row, 1);
        sink.pushRow(row);
    }
    jpeg_finish_decompress(&d.decoder);
    return true;
}

int checkedDenominator(int scaleDenominator)
{
    return scaleDenominator == 2 || scaleDenominator == 4 || scaleDenominator == 8 ? scaleDenominator : 1;
}

} // namespace

std::unique_ptr<PixelSurface> PictureLoader::load(const QString& path, int scaleDenominator, QString* warning)
{
    if (warning) warning->clear();
    return decode(path, PhotoFile::readAll(path), checkedDenominator(scaleDenominator), warning);
}

bool PictureLoader::loadRows(const QString& path, QSize storedSize, RowSink& sink, QString* warning)
{
    if (warning) warning->clear();
    const QByteArray data = PhotoFile::readAll(path);
    if (kindOf(data) != Kind::Jpeg) return false;
    {
        // Refused as load() refuses it, before the decoder starts.
        const Decompressor tj;
        if (!tj.get()) fail(InvalidPicture, path, QStringLiteral("the JPEG decoder could not start."));
        const JpegHeader header = readJpegHeader(tj, path, data);
        // A CMYK JPEG goes through Qt's reader.
        if (header.colorspace == TJCS_CMYK || header.colorspace == TJCS_YCCK) return false;
        if (QSize(header.width, header.height) != storedSize) return false;
    }
    RowDecoding decoding;
    if (!decodeRows(decoding, data, sink))
        fail(InvalidPicture, path,
            QStringLiteral("the JPEG data cannot be decoded (%1).")
                .arg(QString::fromLocal8Bit(decoding.errors.message)));
    // A truncated or slightly damaged file still gives a picture.
    if (warning && decoding.errors.warning[0] != '\0') {
        *warning = QStringLiteral("\"%1\" is damaged (%2); it was decoded as far as it goes.")
                       .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(decoding.errors.warning));
    }
    return true;
}

QImage PictureLoader::loadPreview(const QString& path, int scaleDenominator, QString* warning)
{
    if (warning) warning->clear();
    return decodePreview(path, PhotoFile::readAll(path), checkedDenominator(scaleDenominator), warning);
}

QImage PictureLoader::loadSmall(const QByteArray& data, const QString& path, int side)
{
    // The largest reduction whose longer side still reaches side; the
    // decoder's reductions round each side up.
    int denominator = 1;
    const Kind kind = kindOf(data);
    if (kind == Kind::Heif) {
        // The file's own thumbnail when it is large enough.
        const HeifDecoder heif(path, data);
        checkSize(path, heif.size().width(), heif.size().height());
        const QImage thumbnail = heif.thumbnail();
        if (std::max(thumbnail.width(), thumbnail.height()) >= side) return thumbnail;
    }
    if (kind == Kind::Jpeg) {
        Decompressor tj;
        const JpegHeader header = readJpegHeader(tj, path, data);
        const int longer = std::max(header.width, header.height);
        for (int candidate : { 8, 4, 2 })
            if ((longer + candidate - 1) / candidate >= side) {
                denominator = candidate;
                break;
            }
    }
    return decodePreview(path, data, denominator, nullptr);
}

bool PictureLoader::readsKindOf(const QByteArray& data)
{
    return kindOf(data) != Kind::Unknown;
}

PictureLoader::Header PictureLoader::readHeader(const QString& path)
{
    const QByteArray data = PhotoFile::readAll(path);
    const Kind kind = kindOf(data);
    switch (kind) {
    case Kind::Jpeg: {
        Decompressor tj;
        const JpegHeader header = readJpegHeader(tj, path, data);
        return { QSize(header.width, header.height), false };
    }
    case Kind::Heif: {
        const HeifDecoder heif(path, data);
        checkSize(path, heif.size().width(), heif.size().height());
        return { heif.size(), true };
    }
    case Kind::Unknown:
        failUnknown(path, data);
    default: {
        QtReader qt(data, qtFormatOf(kind));
        return { checkedQtHeader(path, data, kind, qt.reader()), false };
    }
    }
}

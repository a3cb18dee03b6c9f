#include "platform/PictureLoader.h"

#include "platform/PhotoFile.h"
#include "platform/PixelMemory.h"
#include "platform/RuntimeError.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageReader>

#include <turbojpeg.h>

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
    fail(PictureLoader::InvalidPicture, path, QStringLiteral("the file is neither a JPEG nor a BMP picture."));
}

bool isJpeg(const QByteArray& data)
{
    return data.size() >= 3 && static_cast<uint8_t>(data[0]) == 0xFF && static_cast<uint8_t>(data[1]) == 0xD8
        && static_cast<uint8_t>(data[2]) == 0xFF;
}

bool isBmp(const QByteArray& data)
{
    return data.size() >= 2 && data[0] == 'B' && data[1] == 'M';
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

std::unique_ptr<PixelSurface> fromQImage(const QString& path, const QImage& image)
{
    auto surface = PixelSurface::create(image.width(), image.height());
    if (!surface)
        fail(PictureLoader::InvalidPicture, path, QStringLiteral("there is not enough memory for the picture."));
    surface->copyFrom(image);
    return surface;
}

// Qt's own reader: BMP files, and the rare JPEG that TurboJPEG cannot turn
// into RGB (CMYK ones). Nothing when it cannot decode the data either.
std::unique_ptr<PixelSurface> decodeWithQt(const QString& path, const QByteArray& data, QString* reason)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = headerSize(reader);
    if (size.isValid()) checkSize(path, size.width(), size.height());
    QImage image;
    if (!reader.read(&image)) {
        if (reason) *reason = reader.errorString();
        return nullptr;
    }
    checkSize(path, image.width(), image.height());
    return fromQImage(path, image);
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
    if (auto fallback = decodeWithQt(path, data, nullptr)) return fallback;
    fail(PictureLoader::InvalidPicture, path, QStringLiteral("the JPEG data cannot be decoded (%1).").arg(reason));
}

// QImage::Format_RGB32 in memory: blue, green, red, 0xFF on a little-endian
// machine, the other way round on a big-endian one.
constexpr int PreviewPixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRA : TJPF_ARGB;

} // namespace

std::unique_ptr<PixelSurface> PictureLoader::load(const QString& path, int scaleDenominator, QString* warning)
{
    if (warning) warning->clear();
    if (scaleDenominator != 1 && scaleDenominator != 2 && scaleDenominator != 4 && scaleDenominator != 8)
        scaleDenominator = 1;
    const QByteArray data = PhotoFile::readAll(path);
    if (isJpeg(data)) return decodeJpeg(path, data, scaleDenominator, warning);
    if (isBmp(data)) {
        QString reason;
        if (auto decoded = decodeWithQt(path, data, &reason)) return decoded;
        fail(InvalidPicture, path, QStringLiteral("the BMP data cannot be decoded (%1).").arg(reason));
    }
    failUnknown(path, data);
}

QImage PictureLoader::loadPreview(const QString& path, int scaleDenominator, QString* warning)
{
    if (warning) warning->clear();
    if (scaleDenominator != 1 && scaleDenominator != 2 && scaleDenominator != 4 && scaleDenominator != 8)
        scaleDenominator = 1;
    const QByteArray data = PhotoFile::readAll(path);
    if (isJpeg(data)) {
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
    return load(path, scaleDenominator, warning)->toImage().convertToFormat(QImage::Format_RGB32);
}

QSize PictureLoader::readSize(const QString& path)
{
    const QByteArray data = PhotoFile::readAll(path);
    if (isJpeg(data)) {
        Decompressor tj;
        const JpegHeader header = readJpegHeader(tj, path, data);
        return QSize(header.width, header.height);
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = headerSize(reader);
    if (!isBmp(data) || !size.isValid()) failUnknown(path, data);
    checkSize(path, size.width(), size.height());
    return size;
}

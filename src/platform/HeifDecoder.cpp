#include "platform/HeifDecoder.h"

#include "platform/PhotoFile.h"

#include <QThread>

#include <libheif/heif.h>

#include <cstring>
#include <initializer_list>
#include <limits>
#include <vector>

namespace {

[[noreturn]] void fail(const QString& path, const QString& reason)
{
    PhotoFile::fail(PhotoFile::InvalidPicture, path, reason);
}

QString messageOf(const heif_error& error)
{
    return QString::fromUtf8(error.message ? error.message : "unknown error");
}

// The brands of the file type box: its main brand at offset 8, its
// compatible brands from offset 16 to the end of the box.
bool hasBrand(const QByteArray& data, std::initializer_list<const char*> brands)
{
    if (data.size() < 16 || std::memcmp(data.constData() + 4, "ftyp", 4) != 0) return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
    const qsizetype boxSize = qsizetype(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
    const qsizetype end = std::min(data.size(), boxSize);
    auto isListed = [&](qsizetype at) {
        for (const char* brand : brands)
            if (std::memcmp(data.constData() + at, brand, 4) == 0) return true;
        return false;
    };
    if (isListed(8)) return true;
    for (qsizetype at = 16; at + 4 <= end; at += 4)
        if (isListed(at)) return true;
    return false;
}

// Whether the file says its pictures are HEVC: a HEIC photo.
bool isHeic(const QByteArray& data)
{
    return hasBrand(data, { "heic", "heix", "heim", "heis", "hevc", "hevx" });
}

void releaseContext(heif_context* context)
{
    heif_context_free(context);
}

void releaseHandle(const heif_image_handle* handle)
{
    heif_image_handle_release(handle);
}

} // namespace

bool HeifDecoder::isHeif(const QByteArray& data)
{
    // The structure brands ("mif1" for still images, "msf1" for sequences)
    // and those of HEVC; an AVIF file names "mif1" too.
    return hasBrand(data, { "mif1", "msf1", "heic", "heix", "heim", "heis", "hevc", "hevx" });
}

HeifDecoder::HeifDecoder(const QString& path, const QByteArray& data)
    : m_path(path)
    , m_data(data)
    , m_context(heif_context_alloc(), releaseContext)
    , m_handle(nullptr, releaseHandle)
{
    if (!m_context) fail(path, QStringLiteral("the HEIF reader could not start."));
    heif_error error = heif_context_read_from_memory_without_copy(
        m_context.get(), m_data.constData(), static_cast<size_t>(m_data.size()), nullptr);
    if (error.code != heif_error_Ok) fail(path, QStringLiteral("the HEIF data is damaged (%1).").arg(messageOf(error)));
    heif_image_handle* handle = nullptr;
    error = heif_context_get_primary_image_handle(m_context.get(), &handle);
    if (error.code != heif_error_Ok)
        fail(path, QStringLiteral("the HEIF file has no picture (%1).").arg(messageOf(error)));
    m_handle.reset(handle);
    // The size after the image's own rotation and crop, which a grid image
    // has as a whole: what decoding would take memory for.
    m_size = QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
}

HeifDecoder::~HeifDecoder() = default;

std::unique_ptr<PixelSurface> HeifDecoder::decode()
{
    // libheif is built with its codecs as it was packaged: without the
    // HEVC one it would report only that it cannot decode the picture.
    if (isHeic(m_data) && !heif_have_decoder_for_format(heif_compression_HEVC))
        fail(m_path, QStringLiteral("HEIC photos need libheif's HEVC decoder (libde265), which is not installed."));

    // The tiles of a grid image are decoded side by side on every core.
    heif_context_set_max_decoding_threads(m_context.get(), QThread::idealThreadCount());
    std::unique_ptr<heif_decoding_options, void (*)(heif_decoding_options*)> options(
        heif_decoding_options_alloc(), heif_decoding_options_free);
    options->ignore_transformations = 0;
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    const heif_error error
        = heif_decode_image(m_handle.get(), &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, options.get());
    const std::unique_ptr<heif_image, void (*)(const heif_image*)> image(decoded, heif_image_release);
    if (error.code == heif_error_Memory_allocation_error)
        fail(m_path, QStringLiteral("there is not enough memory for the picture."));
    if (error.code != heif_error_Ok || !image)
        fail(m_path, QStringLiteral("the HEIF data cannot be decoded (%1).").arg(messageOf(error)));

    int sourceStride = 0;
    const uint8_t* rows = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &sourceStride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (rows == nullptr || QSize(width, height) != m_size)
        fail(m_path, QStringLiteral("the HEIF data is damaged (its picture is not the size it announces)."));
    auto surface = PixelSurface::createForOverwrite(width, height);
    if (!surface) fail(m_path, QStringLiteral("there is not enough memory for the picture."));
    // Red, green, blue top-down into blue, green, red bottom-up.
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = rows + static_cast<ptrdiff_t>(y) * sourceStride;
        uint8_t* target = surface->scanLine(y);
        for (int x = 0; x < width; ++x, source += 3, target += 3) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
        }
    }
    return surface;
}

QImage HeifDecoder::thumbnail() const
{
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_thumbnail_IDs(m_handle.get(), &id, 1) < 1) return {};
    if (isHeic(m_data) && !heif_have_decoder_for_format(heif_compression_HEVC)) return {};
    heif_image_handle* found = nullptr;
    if (heif_image_handle_get_thumbnail(m_handle.get(), id, &found).code != heif_error_Ok) return {};
    const std::unique_ptr<const heif_image_handle, void (*)(const heif_image_handle*)> handle(found, releaseHandle);
    // A thumbnail that claims more pixels than the photo is none.
    const int64_t pixels = int64_t(heif_image_handle_get_width(found)) * heif_image_handle_get_height(found);
    if (pixels <= 0 || pixels >= int64_t(m_size.width()) * m_size.height()) return {};

    heif_image* decoded = nullptr;
    const heif_error error
        = heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
    const std::unique_ptr<heif_image, void (*)(const heif_image*)> image(decoded, heif_image_release);
    if (error.code != heif_error_Ok || !image) return {};
    int stride = 0;
    const uint8_t* rows = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (rows == nullptr || width <= 0 || height <= 0) return {};
    // The copy owns its pixels; libheif's go with the image.
    return QImage(rows, width, height, stride, QImage::Format_RGB888).convertToFormat(QImage::Format_RGB32);
}

QByteArray HeifDecoder::metadata(const char* type, const char* contentType) const
{
    const int count = heif_image_handle_get_number_of_metadata_blocks(m_handle.get(), type);
    if (count <= 0) return {};
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    heif_image_handle_get_list_of_metadata_block_IDs(m_handle.get(), type, ids.data(), count);
    for (heif_item_id id : ids) {
        const char* content = heif_image_handle_get_metadata_content_type(m_handle.get(), id);
        if (contentType && (content == nullptr || std::strcmp(content, contentType) != 0)) continue;
        const size_t size = heif_image_handle_get_metadata_size(m_handle.get(), id);
        if (size == 0 || size > size_t(std::numeric_limits<int>::max())) continue;
        QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
        if (heif_image_handle_get_metadata(m_handle.get(), id, bytes.data()).code == heif_error_Ok) return bytes;
    }
    return {};
}

QByteArray HeifDecoder::exifTiff() const
{
    // The item begins with the offset, after its own four bytes, of the
    // TIFF header ("Exif\0\0" comes before it in files that kept a JPEG's
    // segment as it was).
    const QByteArray item = metadata("Exif");
    if (item.size() < 4) return {};
    const auto* bytes = reinterpret_cast<const uint8_t*>(item.constData());
    const uint32_t offset = uint32_t(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
    if (offset > uint32_t(item.size() - 4)) return {};
    return item.mid(4 + offset);
}

QByteArray HeifDecoder::xmp() const
{
    return metadata("mime", "application/rdf+xml");
}

QByteArray HeifDecoder::iccProfile() const
{
    const size_t size = heif_image_handle_get_raw_color_profile_size(m_handle.get());
    if (size == 0 || size > size_t(std::numeric_limits<int>::max())) return {};
    QByteArray profile(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (heif_image_handle_get_raw_color_profile(m_handle.get(), profile.data()).code != heif_error_Ok) return {};
    return profile;
}

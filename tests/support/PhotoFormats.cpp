#include "support/PhotoFormats.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>
#include <QtEndian>

#include <libheif/heif.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace {

// One directory entry of a little-endian TIFF: its value's bytes, which
// the writer puts in the entry or after the directories.
struct TiffEntry {
    uint16_t tag;
    uint16_t type; // 2 ASCII, 3 SHORT, 4 LONG, 7 UNDEFINED
    uint32_t count;
    QByteArray value;
};

QByteArray le16(uint16_t value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray le32(uint32_t value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

TiffEntry shortEntry(uint16_t tag, uint16_t value)
{
    return { tag, 3, 1, le16(value) };
}

TiffEntry longEntry(uint16_t tag, uint32_t value)
{
    return { tag, 4, 1, le32(value) };
}

// Header, the main directory, the EXIF directory (when it has entries),
// the values that do not fit their entry, then pixels as one strip (when
// given; the strip's offset entry is added here).
QByteArray tiff(QList<TiffEntry> main, QList<TiffEntry> exif, const QByteArray& pixels = {})
{
    if (!exif.isEmpty()) main << longEntry(0x8769, 0); // the EXIF directory, placed below
    if (!pixels.isEmpty()) main << longEntry(0x0111, 0); // the strip, placed below
    const auto byTag = [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; };
    std::sort(main.begin(), main.end(), byTag);
    std::sort(exif.begin(), exif.end(), byTag);
    const auto directorySize
        = [](const QList<TiffEntry>& entries) { return entries.isEmpty() ? 0 : 2 + 12 * int(entries.size()) + 4; };
    const uint32_t exifAt = 8 + directorySize(main);
    uint32_t dataAt = exifAt + directorySize(exif);
    for (const auto* entries : { &main, &exif })
        for (const TiffEntry& entry : *entries)
            if (entry.value.size() > 4) dataAt += (entry.value.size() + 1) & ~1;
    const uint32_t pixelsAt = dataAt;
    for (TiffEntry& entry : main) {
        if (entry.tag == 0x8769) entry.value = le32(exifAt);
        if (entry.tag == 0x0111) entry.value = le32(pixelsAt);
    }
    QByteArray bytes = QByteArray("II*\0", 4) + le32(8);
    QByteArray data;
    dataAt = exifAt + directorySize(exif);
    for (const auto* entries : { &main, &exif }) {
        if (entries->isEmpty()) continue;
        bytes += le16(uint16_t(entries->size()));
        for (const TiffEntry& entry : *entries) {
            bytes += le16(entry.tag) + le16(entry.type) + le32(entry.count);
            if (entry.value.size() <= 4) {
                bytes += entry.value + QByteArray(4 - entry.value.size(), '\0');
            } else {
                bytes += le32(dataAt + data.size());
                data += entry.value;
                if (data.size() % 2) data += '\0';
            }
        }
        bytes += le32(0);
    }
    return bytes + data + pixels;
}

QList<TiffEntry> exifEntries(const QString& date)
{
    if (date.isEmpty()) return {};
    const QByteArray text = date.toLatin1() + '\0';
    return { { 0x9003, 2, uint32_t(text.size()), text } };
}

QByteArray written(const QImage& picture, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(picture)) throw std::runtime_error(writer.errorString().toStdString());
    return bytes;
}

uint32_t crc32(const QByteArray& bytes)
{
    uint32_t crc = 0xFFFFFFFF;
    for (char c : bytes) {
        crc ^= uint8_t(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

QByteArray png(const PhotoContents& contents)
{
    QImage picture = contents.picture;
    if (!contents.iccProfile.isEmpty()) picture.setColorSpace(QColorSpace::fromIccProfile(contents.iccProfile));
    QByteArray bytes = written(picture, "png");
    if (contents.date.isEmpty() && contents.orientation == 1) return bytes;
    // After the signature (8 bytes) and the IHDR chunk (25).
    return bytes.insert(33, pngChunk("eXIf", exifTiff(contents.orientation, contents.date)));
}

QByteArray riffChunk(const char* name, const QByteArray& body)
{
    QByteArray chunk = QByteArray(name, 4) + le32(uint32_t(body.size())) + body;
    if (chunk.size() % 2) chunk += '\0';
    return chunk;
}

QByteArray webp(const PhotoContents& contents)
{
    // Lossless, so the picture's colours come back exactly; the extended
    // format's header names the profile and EXIF chunks that follow.
    const QByteArray simple = written(contents.picture, "webp", 100);
    if (simple.mid(12, 4) != "VP8L" && simple.mid(12, 4) != "VP8 ")
        throw std::runtime_error("Qt wrote an extended WebP file");
    const QByteArray image = simple.mid(12);
    const QByteArray exif = exifTiff(contents.orientation, contents.date);
    const uint8_t flags = (contents.iccProfile.isEmpty() ? 0 : 0x20) | 0x08;
    QByteArray header(10, '\0');
    header[0] = char(flags);
    const uint32_t w = contents.picture.width() - 1, h = contents.picture.height() - 1;
    for (int i = 0; i < 3; ++i) {
        header[4 + i] = char(w >> (8 * i));
        header[7 + i] = char(h >> (8 * i));
    }
    QByteArray body = QByteArray("WEBP") + riffChunk("VP8X", header);
    if (!contents.iccProfile.isEmpty()) body += riffChunk("ICCP", contents.iccProfile);
    body += image + riffChunk("EXIF", exif);
    return QByteArray("RIFF") + le32(uint32_t(body.size())) + body;
}

QByteArray tiffFile(const PhotoContents& contents)
{
    const QImage rgb = contents.picture.convertToFormat(QImage::Format_RGB888);
    QByteArray pixels;
    for (int y = 0; y < rgb.height(); ++y)
        pixels.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    QList<TiffEntry> main = { longEntry(0x0100, rgb.width()), longEntry(0x0101, rgb.height()),
        { 0x0102, 3, 3, le16(8) + le16(8) + le16(8) }, shortEntry(0x0103, 1), shortEntry(0x0106, 2),
        shortEntry(0x0112, uint16_t(contents.orientation)), shortEntry(0x0115, 3), longEntry(0x0116, rgb.height()),
        longEntry(0x0117, uint32_t(pixels.size())) };
    if (!contents.iccProfile.isEmpty())
        main << TiffEntry { 0x8773, 7, uint32_t(contents.iccProfile.size()), contents.iccProfile };
    return tiff(main, exifEntries(contents.date), pixels);
}

void check(const heif_error& error)
{
    if (error.code != heif_error_Ok) throw std::runtime_error(error.message);
}

heif_error appendTo(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error { heif_error_Ok, heif_suberror_Unspecified, "" };
}

QByteArray heic(const PhotoContents& contents)
{
    const QImage rgb = contents.picture.convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_image_handle* handle = nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    QByteArray bytes;
    try {
        check(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder));
        check(heif_encoder_set_lossy_quality(encoder, 95));
        check(heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image));
        check(heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8));
        int stride = 0;
        uint8_t* rows = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < rgb.height(); ++y)
            std::copy_n(rgb.constScanLine(y), rgb.width() * 3, rows + y * stride);
        if (!contents.iccProfile.isEmpty())
            check(heif_image_set_raw_color_profile(
                image, "prof", contents.iccProfile.constData(), size_t(contents.iccProfile.size())));
        // The file's own rotation and mirror that show the stored picture
        // as an EXIF Orientation of that value would.
        options->image_orientation = heif_orientation(contents.orientation);
        check(heif_context_encode_image(context, image, encoder, options, &handle));
        if (!contents.date.isEmpty() || contents.orientation != 1) {
            const QByteArray exif = exifTiff(contents.orientation, contents.date);
            check(heif_context_add_exif_metadata(context, handle, exif.constData(), int(exif.size())));
        }
        if (!contents.heifThumbnail.isNull()) {
            const QImage small = contents.heifThumbnail.convertToFormat(QImage::Format_RGB888);
            heif_image* thumbnail = nullptr;
            heif_image_handle* thumbnailHandle = nullptr;
            check(heif_image_create(
                small.width(), small.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &thumbnail));
            check(heif_image_add_plane(thumbnail, heif_channel_interleaved, small.width(), small.height(), 8));
            uint8_t* thumbnailRows = heif_image_get_plane(thumbnail, heif_channel_interleaved, &stride);
            for (int y = 0; y < small.height(); ++y)
                std::copy_n(small.constScanLine(y), small.width() * 3, thumbnailRows + y * stride);
            // Scaled to fit half its size; the encoder assigns it to the
            // primary image itself.
            const heif_error encoded = heif_context_encode_thumbnail(context, thumbnail, handle, encoder, options,
                std::max(small.width(), small.height()) / 2, &thumbnailHandle);
            heif_image_release(thumbnail);
            heif_image_handle_release(thumbnailHandle);
            check(encoded);
        }
        if (!contents.xmp.isEmpty())
            check(heif_context_add_XMP_metadata(context, handle, contents.xmp.constData(), int(contents.xmp.size())));
        heif_writer writer { 1, appendTo };
        check(heif_context_write(context, &writer, &bytes));
    } catch (...) {
        bytes.clear();
    }
    heif_encoding_options_free(options);
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    if (bytes.isEmpty()) throw std::runtime_error("libheif could not encode the test photo");
    return bytes;
}

} // namespace

QByteArray pngChunk(const char* name, const QByteArray& body)
{
    const QByteArray named = QByteArray(name, 4) + body;
    QByteArray length(4, '\0'), crc(4, '\0');
    qToBigEndian(uint32_t(body.size()), length.data());
    qToBigEndian(crc32(named), crc.data());
    return length + named + crc;
}

QImage quarters(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const QRgb colours[] = { qRgb(220, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 220), qRgb(230, 230, 40) };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)]);
    return image;
}

QList<QColor> quarterColours(const QImage& image)
{
    const int w = image.width(), h = image.height();
    return { image.pixelColor(w / 4, h / 4), image.pixelColor(3 * w / 4, h / 4), image.pixelColor(w / 4, 3 * h / 4),
        image.pixelColor(3 * w / 4, 3 * h / 4) };
}

bool alike(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

QByteArray exifTiff(int orientation, const QString& date)
{
    return tiff({ shortEntry(0x0112, uint16_t(orientation)) }, exifEntries(date));
}

QByteArray photoBytes(PhotoKind kind, const PhotoContents& contents)
{
    switch (kind) {
    case PhotoKind::Heic:
        return heic(contents);
    case PhotoKind::Png:
        return png(contents);
    case PhotoKind::Webp:
        return webp(contents);
    case PhotoKind::Tiff:
        return tiffFile(contents);
    }
    return {};
}

const char* extensionOf(PhotoKind kind)
{
    switch (kind) {
    case PhotoKind::Heic:
        return "heic";
    case PhotoKind::Png:
        return "png";
    case PhotoKind::Webp:
        return "webp";
    case PhotoKind::Tiff:
        return "tif";
    }
    return "";
}

#include "platform/ExifReader.h"

#include "platform/ClockShift.h"
#include "platform/DateFormatter.h"
#include "platform/HeifDecoder.h"
#include "platform/PhotoFile.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"

#include <exiv2/exiv2.hpp>

#include <QDir>

#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>

namespace {

// Tags that hold the file offsets of other directories: meaningless once read.
bool isDirectoryPointer(uint16_t tag)
{
    return tag == 0x8769 /* Exif */ || tag == 0x8825 /* GPS */ || tag == 0xA005 /* interoperability */;
}

bool isMakerNote(const Exiv2::Exifdatum& datum)
{
    const std::string group = datum.groupName();
    return Exiv2::ExifTags::isMakerGroup(group) || group == "MakerNote" || datum.key() == "Exif.Photo.MakerNote";
}

// The thumbnail directory (IFD1), the sub-images of raw files and the
// preview pictures some makers hide in their notes.
bool isPreview(const Exiv2::Exifdatum& datum)
{
    const std::string group = datum.groupName();
    return group == "Thumbnail" || group.rfind("SubImage", 0) == 0 || group.find("Preview") != std::string::npos
        || group.find("Thumb") != std::string::npos;
}

QString trimmedText(const std::string& text)
{
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    qsizetype end = result.size();
    while (end > 0 && (result[end - 1] == QChar(0) || result[end - 1].isSpace()))
        --end;
    result.truncate(end);
    return result;
}

// A short binary tag: its text when it is printable (the version tags hold
// "0230"), else its bytes in decimal.
QString blobText(const Exiv2::Value& value)
{
    const long size = value.size();
    std::string bytes(static_cast<size_t>(size), '\0');
    value.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
    bool printable = true;
    for (size_t i = 0; i < bytes.size() && printable; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        printable = (c >= 0x20 && c < 0x7F) || (c == 0 && i > 0);
    }
    if (printable && !bytes.empty()) return trimmedText(bytes.substr(0, bytes.find('\0')));
    return trimmedText(value.toString());
}

// The title, comment, author, keywords and subject that the Windows shell
// writes: UTF-16LE text in byte tags.
bool isShellText(const Exiv2::Exifdatum& datum)
{
    return datum.groupName() == "Image" && datum.tag() >= 0x9C9B && datum.tag() <= 0x9C9F
        && datum.typeId() == Exiv2::unsignedByte;
}

QString shellText(const Exiv2::Value& value)
{
    std::string bytes(static_cast<size_t>(value.size()), '\0');
    value.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
    QString text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (unit == 0) break;
        text += QChar(unit);
    }
    return text.trimmed();
}

// A value as people read it: the library's interpretation ("1/160 s",
// "Yes, compulsory", "2.21"), with apertures written "f/7.1" rather than
// the library's "F7.1", and short exposures that the library writes as a
// decimal ("0.0181373 s") as the fraction of a second a camera shows
// ("1/55 s").
QString readableText(const Exiv2::Exifdatum& datum, const Exiv2::ExifData& data)
{
    QString text = trimmedText(datum.print(&data));
    const std::string key = datum.key();
    if (key == "Exif.Photo.ExposureTime" && datum.count() == 1) {
        const float seconds = datum.toFloat();
        if (seconds > 0 && seconds < 1 && !text.startsWith(QLatin1String("1/")))
            text = QStringLiteral("1/%1 s").arg(std::lround(1 / seconds));
    }
    const bool aperture
        = key == "Exif.Photo.FNumber" || key == "Exif.Photo.ApertureValue" || key == "Exif.Photo.MaxApertureValue";
    if (aperture && text.size() > 1 && text[0] == QLatin1Char('F') && text[1].isDigit())
        text = QStringLiteral("f/") + text.mid(1);
    return text;
}

// Adds the datum as stored, or as people read it when interpretWith holds
// the record it belongs to.
void addDatum(ExifRecord& record, const Exiv2::Exifdatum& datum, const Exiv2::ExifData* interpretWith)
{
    const Exiv2::Value& value = datum.value();
    const QString name = QString::fromStdString(datum.tagName());
    if (isShellText(datum)) {
        record.insert(name, shellText(value));
        return;
    }
    if (const auto* comment = dynamic_cast<const Exiv2::CommentValue*>(&value)) {
        // Cameras reserve a long comment field and leave it blank.
        constexpr long maxCommentBytes = 4096;
        if (value.size() <= maxCommentBytes) {
            const QString text = trimmedText(comment->comment());
            record.insert(name, text.left(text.indexOf(QChar(0))));
        }
        return;
    }
    if (interpretWith) {
        // Texts whatever their length; other values as long as the stored
        // ones are shown.
        const bool isText = value.typeId() == Exiv2::asciiString || value.typeId() == Exiv2::string;
        if (isText || (value.count() > 0 && value.count() <= ExifReader::MaxBlobBytes))
            record.insert(name, readableText(datum, *interpretWith));
        return;
    }
    switch (value.typeId()) {
    case Exiv2::asciiString:
    case Exiv2::string:
        record.insert(name, trimmedText(value.toString()));
        return;
    case Exiv2::comment:
    case Exiv2::undefined:
    case Exiv2::unsignedByte:
    case Exiv2::signedByte:
        if (value.size() > ExifReader::MaxBlobBytes) return;
        if (value.typeId() == Exiv2::undefined)
            record.insert(name, blobText(value));
        else
            break;
        return;
    default:
        break;
    }
    const long count = value.count();
    if (count <= 0 || count > ExifReader::MaxBlobBytes) return;
    if (count == 1) {
        record.insert(name, trimmedText(value.toString(0)));
        return;
    }
    QStringList parts;
    parts.reserve(count);
    for (long i = 0; i < count; ++i)
        parts.append(trimmedText(value.toString(i)));
    record.insertList(name, parts);
}

// Trail cameras of one maker keep the moment of the shot only in their
// maker note, a fixed table of 16-bit words: the version word 0xF101, and
// from word 11 on seconds, minutes, hours, month, day and year. The library
// does not decode that note, so the date is taken from it here.
QString trailCameraDate(const Exiv2::Exifdatum& makerNote, Exiv2::ByteOrder order)
{
    const Exiv2::Value& value = makerNote.value();
    constexpr long firstWord = 11;
    if (value.size() < 2 * (firstWord + 6)) return {};
    std::string bytes(static_cast<size_t>(value.size()), '\0');
    value.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), order);
    auto word = [&](long index) {
        return Exiv2::getUShort(reinterpret_cast<const Exiv2::byte*>(bytes.data()) + 2 * index, order);
    };
    if (word(0) != 0xF101) return {};
    const int second = word(firstWord), minute = word(firstWord + 1), hour = word(firstWord + 2);
    const int month = word(firstWord + 3), day = word(firstWord + 4), year = word(firstWord + 5);
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return {};
    return QString::asprintf("%04d:%02d:%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
}

// The XMP toolkit keeps global state and is not safe to use from two
// threads at once; the library takes this lock around it, so that any
// thread may read a picture's metadata.
std::recursive_mutex xmpMutex;

void lockXmp(void* data, bool lock)
{
    auto* mutex = static_cast<std::recursive_mutex*>(data);
    if (lock)
        mutex->lock();
    else
        mutex->unlock();
}

// The picture's metadata, parsed from its bytes (so never through the
// library's own file or URL handling). Throws the library's errors: they
// all mean that the data holds no metadata that can be read.
std::unique_ptr<Exiv2::Image> openImage(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return nullptr;
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(
        reinterpret_cast<const Exiv2::byte*>(bytes.constData()), static_cast<long>(bytes.size()))
                                            .release());
    if (image) image->readMetadata();
    return image;
}

// The bytes the library reads a photo's EXIF from: the photo's own, or for
// a HEIF file the TIFF data of its Exif item, which libheif finds wherever
// the file keeps it (the library's own reader of the format misses it in
// files whose picture is a grid of tiles, as phones write them). A HEIF
// file libheif cannot read has none, and neither has a file of a kind that
// is no photo Quillon reads: the library also parses videos and raw
// formats, whose readers a few damaged bytes send after gigabytes.
QByteArray exifSource(const QByteArray& bytes)
{
    if (!PictureLoader::readsKindOf(bytes)) return {};
    if (!HeifDecoder::isHeif(bytes)) return bytes;
    try {
        return HeifDecoder(QString(), bytes).exifTiff();
    } catch (const RuntimeError&) {
        return {};
    }
}

bool isZeroOrBlankDate(const QString& text)
{
    for (QChar c : text)
        if (c.isDigit() && c != QLatin1Char('0')) return false;
    return true;
}

QByteArray encodeBlock(const Exiv2::ExifData& data, Exiv2::ByteOrder order)
{
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order, data);
    if (blob.empty()) return {};
    QByteArray block("Exif\0\0", 6);
    block.append(reinterpret_cast<const char*>(blob.data()), static_cast<qsizetype>(blob.size()));
    return block;
}

template <typename Predicate> void eraseIf(Exiv2::ExifData& data, Predicate predicate)
{
    for (auto it = data.begin(); it != data.end();) {
        if (predicate(*it))
            it = data.erase(it);
        else
            ++it;
    }
}

// The camera's clock, corrected: every date it wrote moves by the same
// amount, so that photo managers sort the outputs by the right moment.
void shiftDates(Exiv2::ExifData& data, int32_t shiftMinutes)
{
    if (shiftMinutes == 0) return;
    for (const char* key : { "Exif.Photo.DateTimeOriginal", "Exif.Photo.DateTimeDigitized", "Exif.Image.DateTime" }) {
        auto it = data.findKey(Exiv2::ExifKey(key));
        if (it == data.end()) continue;
        const QString text = trimmedText(it->toString());
        const QString moved = ClockShift::exifDate(text, shiftMinutes);
        if (moved != text) *it = moved.toStdString();
    }
}

// The tags by which a TIFF file lays out its own pixels (where its strips
// or tiles are, how they are coded) and the records it keeps as tags, which
// the output carries in segments of their own: none of them describes the
// output's picture.
bool isTiffLayout(const Exiv2::Exifdatum& datum)
{
    if (datum.groupName() != "Image") return false;
    switch (datum.tag()) {
    case 0x00FE: // NewSubfileType
    case 0x0102: // BitsPerSample
    case 0x0103: // Compression
    case 0x0106: // PhotometricInterpretation
    case 0x0111: // StripOffsets
    case 0x0115: // SamplesPerPixel
    case 0x0116: // RowsPerStrip
    case 0x0117: // StripByteCounts
    case 0x011C: // PlanarConfiguration
    case 0x013D: // Predictor
    case 0x0142: // TileWidth
    case 0x0143: // TileLength
    case 0x0144: // TileOffsets
    case 0x0145: // TileByteCounts
    case 0x014A: // SubIFDs
    case 0x0152: // ExtraSamples
    case 0x0153: // SampleFormat
    case 0x02BC: // XMLPacket (XMP)
    case 0x83BB: // IPTC
    case 0x8649: // Photoshop resources
    case 0x8773: // InterColorProfile
        return true;
    default:
        return false;
    }
}

QByteArray makeExifBlock(const Exiv2::Image& image, int width, int height, int32_t shiftMinutes)
{
    if (image.exifData().empty()) return {};
    Exiv2::ExifData data = image.exifData();
    Exiv2::ByteOrder order = image.byteOrder();
    if (order == Exiv2::invalidByteOrder) order = Exiv2::littleEndian;

    Exiv2::ExifThumb(data).erase();
    eraseIf(data, isPreview);
    if (image.imageType() == Exiv2::ImageType::tiff) eraseIf(data, isTiffLayout);

    // The pixels were turned upright when the photo was decoded.
    data["Exif.Image.Orientation"] = static_cast<uint16_t>(1);
    data["Exif.Photo.PixelXDimension"] = static_cast<uint32_t>(width);
    data["Exif.Photo.PixelYDimension"] = static_cast<uint32_t>(height);
    const std::pair<const char*, int> sizeTags[]
        = { { "Exif.Image.ImageWidth", width }, { "Exif.Image.ImageLength", height } };
    for (const auto& [key, size] : sizeTags) {
        auto it = data.findKey(Exiv2::ExifKey(key));
        if (it != data.end()) *it = static_cast<uint32_t>(size);
    }

    shiftDates(data, shiftMinutes);

    QByteArray block = encodeBlock(data, order);
    if (block.size() > ExifReader::MaxApp1Payload) {
        eraseIf(data, isMakerNote);
        block = encodeBlock(data, order);
    }
    if (block.size() > ExifReader::MaxApp1Payload) return {};
    return block;
}

} // namespace

ExifRecord ExifReader::read(const QString& path, Values values)
{
    // Outside the library's errors: a file that cannot be read is not one
    // without EXIF.
    const QByteArray bytes = PhotoFile::readAll(path);
    ExifRecord record;
    try {
        const std::unique_ptr<Exiv2::Image> image = openImage(exifSource(bytes));
        if (!image) return record;
        Exiv2::ByteOrder order = image->byteOrder();
        if (order == Exiv2::invalidByteOrder) order = Exiv2::littleEndian;
        QString makerDate;
        const bool tiff = image->imageType() == Exiv2::ImageType::tiff;
        for (const Exiv2::Exifdatum& datum : image->exifData()) {
            if (datum.key() == "Exif.Photo.MakerNote") makerDate = trailCameraDate(datum, order);
            if (isPreview(datum) || isMakerNote(datum) || isDirectoryPointer(datum.tag())) continue;
            if (tiff && isTiffLayout(datum)) continue;
            addDatum(record, datum, values == Values::Interpreted ? &image->exifData() : nullptr);
        }
        if (!makerDate.isEmpty()) record.insert(QStringLiteral("DateTimeOriginal"), makerDate);
    } catch (const Exiv2::AnyError&) {
        return {};
    } catch (const std::exception&) {
        // Allocation failures and range errors from a damaged block.
        return {};
    }
    return record;
}

void ExifReader::initialiseLibrary()
{
    // The library reports every oddity of a damaged file on standard error;
    // a damaged file is an ordinary case here, reported by an empty result.
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize(lockXmp, &xmpMutex);
}

int ExifReader::orientation(const ExifRecord& record)
{
    const ExifRecord::Entry* entry = record.find(QStringLiteral("Orientation"));
    if (entry == nullptr || entry->values.isEmpty()) return 1;
    bool ok = false;
    const int value = entry->values.first().toInt(&ok);
    return ok && value >= 1 && value <= 8 ? value : 1;
}

QString ExifReader::photoDateText(const ExifRecord& record)
{
    // A date of zeros or blanks is how cameras write "unknown"; a real date
    // in a later tag is better than that, but failing one the unknown date
    // is still what the photo says.
    QString fallback;
    for (const char* name : { "DateTimeOriginal", "DateTimeDigitized", "DateTime" }) {
        const QString text = record.text(QLatin1String(name));
        if (text.trimmed().isEmpty()) continue;
        if (!isZeroOrBlankDate(text)) return text;
        if (fallback.isEmpty()) fallback = text;
    }
    return fallback;
}

namespace {

// The source's bytes, or nothing when it is gone; a source that is there
// but cannot be read raises.
QByteArray sourceBytes(const QString& sourcePath)
{
    try {
        return PhotoFile::readAll(sourcePath);
    } catch (const RuntimeError& error) {
        // A photo that is gone has nothing to carry.
        if (error.number() == PhotoFile::FileNotFound) return {};
        throw;
    }
}

} // namespace

QByteArray ExifReader::exifBlockFor(const QString& sourcePath, int width, int height, int32_t shiftMinutes)
{
    if (width <= 0 || height <= 0) return {};
    const QByteArray source = sourceBytes(sourcePath);
    try {
        const std::unique_ptr<Exiv2::Image> image = openImage(exifSource(source));
        return image ? makeExifBlock(*image, width, height, shiftMinutes) : QByteArray();
    } catch (const Exiv2::AnyError&) {
        return {};
    } catch (const std::exception&) {
        return {};
    }
}

ExifReader::Thumbnail ExifReader::thumbnail(const QString& path)
{
    const QByteArray bytes = PhotoFile::readAll(path);
    Thumbnail result;
    if (HeifDecoder::isHeif(bytes)) return result;
    try {
        const std::unique_ptr<Exiv2::Image> image = openImage(exifSource(bytes));
        if (!image) return result;
        const Exiv2::ExifData& data = image->exifData();
        const auto tag = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (tag != data.end() && tag->count() > 0) {
            const long value = tag->toLong();
            if (value >= 1 && value <= 8) result.orientation = static_cast<int>(value);
        }
        // An uncompressed (TIFF) thumbnail is rare and left for the photo's
        // own pixels.
        const Exiv2::ExifThumbC embedded(data);
        if (std::string(embedded.mimeType()) != "image/jpeg") return result;
        const Exiv2::DataBuf jpeg = embedded.copy();
        if (jpeg.size_ > 0) result.jpeg = QByteArray(reinterpret_cast<const char*>(jpeg.pData_), jpeg.size_);
    } catch (const Exiv2::AnyError&) {
        return {};
    } catch (const std::exception&) {
        return {};
    }
    return result;
}

QString ExifReader::xmpDateText(const QString& path)
{
    QByteArray bytes;
    try {
        bytes = PhotoFile::readAll(path);
    } catch (const RuntimeError&) {
        // The steps that need the file say why it cannot be read.
        return {};
    }
    // Only the kinds the loader reads reach the library, as for EXIF; a HEIF
    // file's packet is the one libheif finds.
    if (!PictureLoader::readsKindOf(bytes)) return {};
    try {
        Exiv2::XmpData xmp;
        if (HeifDecoder::isHeif(bytes)) {
            const QByteArray packet = HeifDecoder(path, bytes).xmp();
            if (packet.isEmpty() || Exiv2::XmpParser::decode(xmp, packet.toStdString()) != 0) return {};
        } else {
            const std::unique_ptr<Exiv2::Image> image = openImage(bytes);
            if (!image) return {};
            xmp = image->xmpData();
        }
        for (const char* key : { "Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated", "Xmp.xmp.CreateDate" }) {
            const auto it = xmp.findKey(Exiv2::XmpKey(key));
            if (it == xmp.end()) continue;
            const QString text = trimmedText(it->toString());
            if (DateFormatter::parseExifDate(text)) return text;
        }
    } catch (const RuntimeError&) {
        return {};
    } catch (const Exiv2::AnyError&) {
        return {};
    } catch (const std::exception&) {
        return {};
    }
    return {};
}

JpegMetadata ExifReader::recordsFor(const QString& sourcePath, int width, int height, int32_t shiftMinutes)
{
    JpegMetadata metadata = JpegMetadata::read(sourcePath);
    if (width <= 0 || height <= 0) return metadata;
    const QByteArray source = sourceBytes(sourcePath);
    const bool heif = HeifDecoder::isHeif(source);
    // A JPEG's profile and XMP are its segments, which JpegMetadata took as
    // they are, whatever the library makes of the file.
    const bool segments = source.startsWith("\xFF\xD8");
    QByteArray xmp;
    try {
        const std::unique_ptr<Exiv2::Image> image = openImage(exifSource(source));
        if (image) metadata.exif = makeExifBlock(*image, width, height, shiftMinutes);
        // The other kinds keep theirs in their own places: the library
        // reads a PNG's iCCP and iTXt chunks, a WebP's ICCP and XMP chunks,
        // a TIFF's tags; libheif (below) a HEIF file's colr box and XMP item.
        if (image && !heif && !segments) {
            if (image->iccProfileDefined()) {
                const Exiv2::DataBuf* profile = image->iccProfile();
                metadata.iccProfile = QByteArray(reinterpret_cast<const char*>(profile->pData_), profile->size_);
            }
            xmp = QByteArray::fromStdString(image->xmpPacket());
        }
    } catch (const Exiv2::AnyError&) {
    } catch (const std::exception&) {
    }
    if (heif) {
        try {
            const HeifDecoder file(sourcePath, source);
            metadata.iccProfile = file.iccProfile();
            xmp = file.xmp();
        } catch (const RuntimeError&) {
        }
    }
    if (segments) return metadata;
    if (!metadata.iccProfile.isEmpty() && !JpegMetadata::isIccProfile(metadata.iccProfile)) {
        metadata.iccProfile.clear();
        metadata.notes << JpegMetadata::leftOut(
            QStringLiteral("colour profile"), sourcePath, QStringLiteral("it is not an ICC profile"));
    }
    if (xmp.size() > JpegMetadata::MaxXmpPacket) {
        metadata.notes << JpegMetadata::leftOut(
            QStringLiteral("XMP packet"), sourcePath, QStringLiteral("it is too long for one JPEG segment"));
    } else {
        metadata.xmp = xmp;
    }
    return metadata;
}

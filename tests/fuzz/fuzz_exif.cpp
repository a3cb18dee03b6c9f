// The EXIF reader (and its maker-note decoder) on any bytes, of any kind
// (JPEG, HEIF through libheif, PNG, WebP, TIFF): reading a file that is
// there never throws, and the records made for an output, written into a
// JPEG, fit it, and its EXIF block read back says the picture is upright
// and has the output's size. The camera's thumbnail comes with an
// orientation of 1 to 8, and its bytes decode or fail with the loader's
// error.
#include "FuzzSupport.h"

#include "files/JpegWriter.h"
#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/PictureLoader.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"

namespace {

constexpr int OutputWidth = 16;
constexpr int OutputHeight = 8;

const PixelSurface& outputPicture()
{
    static const PixelSurface* picture = PixelSurface::create(OutputWidth, OutputHeight).release();
    return *picture;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::memoryFile(0, data, size);
    const ExifRecord record = ExifReader::read(path);
    ExifReader::photoDateText(record);
    const int orientation = ExifReader::orientation(record);
    fuzz::require(orientation >= 1 && orientation <= 8, "orientation is 1 to 8");

    const ExifReader::Thumbnail thumbnail = ExifReader::thumbnail(path);
    fuzz::require(thumbnail.orientation >= 1 && thumbnail.orientation <= 8, "the thumbnail's orientation is 1 to 8");
    if (!thumbnail.jpeg.isEmpty()) {
        try {
            PictureLoader::loadSmall(thumbnail.jpeg, path, 16);
        } catch (const RuntimeError&) {
            // A damaged thumbnail: the file list then decodes the photo.
        }
    }

    const JpegMetadata metadata = ExifReader::recordsFor(path, OutputWidth, OutputHeight);
    fuzz::require(metadata.xmp.size() <= JpegMetadata::MaxXmpPacket, "the XMP packet fits a segment");
    const QByteArray& block = metadata.exif;
    if (block.isEmpty()) return 0;
    fuzz::require(block.size() <= ExifReader::MaxApp1Payload, "the block fits an APP1 segment");
    fuzz::require(block.startsWith(QByteArray("Exif\0\0", 6)), "the block starts with the EXIF header");

    const QByteArray jpeg = JpegWriter::encode(outputPicture(), 75, metadata);
    const QString outputPath = fuzz::memoryFile(1, reinterpret_cast<const uint8_t*>(jpeg.constData()), jpeg.size());
    const ExifRecord carried = ExifReader::read(outputPath);
    fuzz::require(carried.text(QStringLiteral("Orientation")) == QStringLiteral("1"), "the output is upright");
    fuzz::require(carried.text(QStringLiteral("PixelXDimension")) == QString::number(OutputWidth), "output width");
    fuzz::require(carried.text(QStringLiteral("PixelYDimension")) == QString::number(OutputHeight), "output height");
    return 0;
}

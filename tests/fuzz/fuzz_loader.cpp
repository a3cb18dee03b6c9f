// The picture loader on any bytes, of every kind it reads (JPEG, HEIF
// through libheif, PNG, WebP, TIFF and BMP through Qt): it decodes or
// raises its error, a picture it decodes has the size its header announces
// (so never more than PixelSurface::MaxPixels, checked from the header).
// Decoded row by row, a JPEG gives the rows of the whole picture.
// The file list's small picture of it (a HEIF file's own thumbnail, or the
// picture reduced) has no more pixels than the picture.
#include "FuzzSupport.h"

#include "platform/PhotoFile.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"

#include <QSize>

#include <cstring>
#include <vector>

namespace {

// Checks each row against the picture's.
struct SameRows : PictureLoader::RowSink {
    explicit SameRows(const PixelSurface& picture)
        : picture(picture)
        , buffer(size_t(3 * picture.width() + 2))
    {
    }
    uint8_t* rowBuffer() override { return buffer.data(); }
    void pushRow(const uint8_t* row) override
    {
        fuzz::require(next < picture.height(), "no more rows than the picture's");
        fuzz::require(std::memcmp(row, picture.scanLine(next++), buffer.size() - 2) == 0, "each row is the picture's");
    }
    const PixelSurface& picture;
    std::vector<uint8_t> buffer;
    int next = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::memoryFile(0, data, size);
    QSize header;
    try {
        header = PictureLoader::readHeader(path).size;
    } catch (const RuntimeError&) {
    }
    // Pictures above a megapixel are left at their header: decoding the
    // damaged data of a large one (Qt's reader takes over where TurboJPEG
    // gives up) takes a second a run and adds no coverage of our code.
    if (header.isValid() && qint64(header.width()) * header.height() > 1'000'000) return 0;
    try {
        const auto picture = PictureLoader::load(path);
        fuzz::require(picture != nullptr, "load gives a picture or raises");
        fuzz::require(header.isValid(), "a picture that decodes has a readable header");
        fuzz::require(QSize(picture->width(), picture->height()) == header, "the decoded size is the header's");
        SameRows rows(*picture);
        if (PictureLoader::loadRows(path, header, rows))
            fuzz::require(rows.next == picture->height(), "every row of the picture");
        // The preview's own decoder, at half size, on what decoded.
        PictureLoader::loadPreview(path, 2);
    } catch (const RuntimeError&) {
    }
    if (!header.isValid()) return 0;
    try {
        const QImage small = PictureLoader::loadSmall(PhotoFile::readAll(path), path, 16);
        fuzz::require(qint64(small.width()) * small.height() <= qint64(header.width()) * header.height(),
            "the small picture has no more pixels than the picture");
    } catch (const RuntimeError&) {
    }
    return 0;
}

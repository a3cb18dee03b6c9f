#include "platform/ProcessSetup.h"

#include "platform/ExifReader.h"
#include "platform/PixelSurface.h"

#include <QImageReader>

#include <csignal>

void ProcessSetup::init()
{
    // Qt's readers (PNG, WebP, TIFF and BMP files, CMYK JPEGs) may take the memory of the largest
    // picture this program accepts, at four bytes a pixel.
    constexpr int64_t MiB = 1024 * 1024;
    QImageReader::setAllocationLimit(static_cast<int>(PixelSurface::MaxPixels * 4 / MiB) + 1);

    ExifReader::initialiseLibrary();

    // A write beyond the file-size limit fails with EFBIG and is reported
    // like a full disk, instead of killing the process in mid-save.
    std::signal(SIGXFSZ, SIG_IGN);
}

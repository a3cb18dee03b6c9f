#include "files/mIntelJPEGLibrary.h"

#include "imaging/cDIBSection.h"
#include "platform/ExifReader.h"
#include "platform/FileStamp.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFileInfo>

#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mIntelJPEGLibrary {
namespace {

QString errorSource()
{
    return RuntimeError::sourceFor(QStringLiteral("mIntelJPEGLibrary"));
}

[[noreturn]] void failInit(int code, const QString& detail)
{
    throw RuntimeError(
        ErrorNumber, errorSource(), QStringLiteral("Failed to initialise the IJL library: %1").arg(code), detail);
}

// Codes of write failures: the system's error number for file errors, -1
// for the encoder's own.
[[noreturn]] void failWrite(int code, const QString& detail)
{
    throw RuntimeError(ErrorNumber, errorSource(), QStringLiteral("Failed to save to JPG %1").arg(code), detail);
}

class Compressor {
public:
    Compressor()
        : m_handle(tjInitCompress())
    {
    }
    ~Compressor()
    {
        if (m_buffer) tjFree(m_buffer);
        if (m_handle) tjDestroy(m_handle);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    tjhandle handle() const { return m_handle; }
    unsigned char* m_buffer = nullptr;
    unsigned long m_size = 0;

private:
    tjhandle m_handle;
};

QByteArray encode(const cDIBSection& cDib, int32_t lQuality, const QByteArray& exifBlock)
{
    Compressor tj;
    if (!tj.handle()) failInit(-1, QString::fromLocal8Bit(tjGetErrorStr2(nullptr)));
    if (cDib.DIBSectionBitsPtr() == nullptr || cDib.Width() <= 0 || cDib.Height() <= 0)
        failWrite(-1, QStringLiteral("the picture is empty"));

    const int quality = std::clamp<int32_t>(lQuality, 1, 100);
    // The buffer is bottom-up, blue-green-red: the encoder reads it as it is
    // and writes the top row first, so the picture comes out upright.
    if (tjCompress2(tj.handle(), cDib.DIBSectionBitsPtr(), cDib.Width(), cDib.BytesPerScanLine(), cDib.Height(),
            TJPF_BGR, &tj.m_buffer, &tj.m_size, TJSAMP_420, quality, TJFLAG_BOTTOMUP)
        != 0) {
        failWrite(-1, QString::fromLocal8Bit(tjGetErrorStr2(tj.handle())));
    }

    const QByteArray jpeg(reinterpret_cast<const char*>(tj.m_buffer), static_cast<qsizetype>(tj.m_size));
    return ExifReader::withExifBlock(jpeg, exifBlock);
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

QByteArray EncodeJPG(const cDIBSection& cDib, int32_t lQuality, const QByteArray& exifBlock)
{
    return encode(cDib, lQuality, exifBlock);
}

bool SaveJPG(const cDIBSection& cDib, const QString& sFile, int32_t lQuality, const QByteArray& exifBlock)
{
    const QByteArray jpeg = encode(cDib, lQuality, exifBlock);

    const QFileInfo target(sFile);
    const QString shownName = QDir::toNativeSeparators(sFile);
    if (target.isDir()) failWrite(EISDIR, shownName + QStringLiteral(": a folder has this name"));
    const std::optional<FileStamp> previous = FileStamp::lookUp(sFile);

    // A hidden temporary file beside the target, renamed over it once the
    // whole picture is on disk.
    QByteArray tempName = QFile::encodeName(
        target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        const int error = errno;
        failWrite(error, shownName + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
    }
    const bool written = writeAll(fd, jpeg.constData(), static_cast<size_t>(jpeg.size())) && ::fdatasync(fd) == 0;
    const int writeError = errno;
    // mkstemp makes the file private; a new file gets the usual permissions
    // (those the umask leaves), a replaced one keeps its own.
    if (written && !previous) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(tempName.constData());
        failWrite(writeError, shownName + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(writeError)));
    }
    // Carried over before the rename, so the target never shows other times.
    // A failure here is not reported: the file then keeps its own times.
    if (previous) previous->applyTo(QFile::decodeName(tempName));
    if (::rename(tempName.constData(), QFile::encodeName(sFile).constData()) != 0) {
        const int error = errno;
        ::unlink(tempName.constData());
        failWrite(error, shownName + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
    }
    return true;
}

} // namespace mIntelJPEGLibrary

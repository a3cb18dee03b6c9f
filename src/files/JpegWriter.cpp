#include "files/JpegWriter.h"

#include "platform/AtomicFile.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"

#include <QDir>

#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>

namespace JpegWriter {
namespace {

QString errorSource()
{
    return RuntimeError::sourceFor(QStringLiteral("JpegWriter"));
}

[[noreturn]] void failInit(int code, const QString& detail)
{
    throw RuntimeError(
        ErrorNumber, errorSource(), QStringLiteral("Failed to initialise the JPEG encoder: %1").arg(code), detail);
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

QByteArray compress(const PixelSurface& picture, int32_t requestedQuality, const JpegMetadata& metadata)
{
    Compressor tj;
    if (!tj.handle()) failInit(-1, QString::fromLocal8Bit(tjGetErrorStr2(nullptr)));
    const int quality = std::clamp<int32_t>(requestedQuality, 1, 100);
    // The buffer is bottom-up, blue-green-red: the encoder reads it as it is
    // and writes the top row first, so the picture comes out upright.
    if (tjCompress2(tj.handle(), picture.bits(), picture.width(), picture.stride(), picture.height(), TJPF_BGR,
            &tj.m_buffer, &tj.m_size, TJSAMP_420, quality, TJFLAG_BOTTOMUP)
        != 0) {
        failWrite(-1, QString::fromLocal8Bit(tjGetErrorStr2(tj.handle())));
    }

    const QByteArray jpeg(reinterpret_cast<const char*>(tj.m_buffer), static_cast<qsizetype>(tj.m_size));
    return metadata.insertedInto(jpeg);
}

} // namespace

QByteArray encode(const PixelSurface& picture, int32_t requestedQuality, const JpegMetadata& metadata)
{
    return compress(picture, requestedQuality, metadata);
}

bool save(const PixelSurface& picture, const QString& file, int32_t requestedQuality, const JpegMetadata& metadata)
{
    return write(encode(picture, requestedQuality, metadata), file);
}

bool write(const QByteArray& jpeg, const QString& file)
{
    const int error = AtomicFile::write(file, jpeg, AtomicFile::Keep::TimesAndPermissions);
    if (error != 0) throw writeError(error, file);
    return true;
}

RuntimeError writeError(int errorNumber, const QString& file)
{
    const QString reason
        = errorNumber == EISDIR ? QStringLiteral("a folder has this name") : qt_error_string(errorNumber);
    return RuntimeError(ErrorNumber, errorSource(), QStringLiteral("Failed to save to JPG %1").arg(errorNumber),
        QDir::toNativeSeparators(file) + QStringLiteral(": ") + reason);
}

} // namespace JpegWriter

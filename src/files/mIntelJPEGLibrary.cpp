#include "files/mIntelJPEGLibrary.h"

#include "imaging/cDIBSection.h"
#include "platform/AtomicFile.h"
#include "platform/RuntimeError.h"

#include <QDir>

#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>

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

QByteArray encode(const cDIBSection& cDib, int32_t lQuality, const JpegMetadata& metadata)
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
    return metadata.insertedInto(jpeg);
}

} // namespace

QByteArray EncodeJPG(const cDIBSection& cDib, int32_t lQuality, const JpegMetadata& metadata)
{
    return encode(cDib, lQuality, metadata);
}

bool SaveJPG(const cDIBSection& cDib, const QString& sFile, int32_t lQuality, const JpegMetadata& metadata)
{
    return WriteJPG(encode(cDib, lQuality, metadata), sFile);
}

bool WriteJPG(const QByteArray& jpeg, const QString& sFile)
{
    const int error = AtomicFile::write(sFile, jpeg, AtomicFile::Keep::TimesAndPermissions);
    if (error != 0) throw WriteError(error, sFile);
    return true;
}

RuntimeError WriteError(int errorNumber, const QString& sFile)
{
    const QString reason
        = errorNumber == EISDIR ? QStringLiteral("a folder has this name") : qt_error_string(errorNumber);
    return RuntimeError(ErrorNumber, errorSource(), QStringLiteral("Failed to save to JPG %1").arg(errorNumber),
        QDir::toNativeSeparators(sFile) + QStringLiteral(": ") + reason);
}

} // namespace mIntelJPEGLibrary

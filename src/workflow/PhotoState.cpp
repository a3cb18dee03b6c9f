#include "workflow/PhotoState.h"

#include "files/CaptionStrip.h"
#include "files/JpegWriter.h"
#include "files/SettingsFile.h"
#include "imaging/BilinearResampler.h"
#include "imaging/PictureOrientation.h"
#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "platform/PictureLoader.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"
#include "workflow/PhotoFolder.h"
#include "workflow/SourceGuard.h"
#include "workflow/StampPlacement.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace {

// Makes the folder that is to hold file; when it cannot be made, fails as
// the write of the file would, with the system's reason.
void makeFolderFor(const QString& file)
{
    if (const FileResult made = PhotoFolder::ensureFolder(QFileInfo(file).absolutePath()); !made)
        throw JpegWriter::writeError(made.error(), file);
}

// Whether something that Quillon did not write stands at path: a file
// without the mark of its outputs, or a link that leads nowhere. A folder
// there is left to the write, which fails naming it.
bool foreignFileAt(const QString& path)
{
    const QFileInfo file(path);
    if (file.isDir() || (!file.exists() && !file.isSymLink())) return false;
    return !OutputMark::of(path).has_value();
}

} // namespace

void PhotoState::setPaths(const QString& photoPath, const QString& outputRoot, const QString& subFolder)
{
    setPaths(photoPath, outputPaths(outputName(photoPath), outputRoot, subFolder));
}

void PhotoState::setPaths(const QString& photoPath, const Outputs& outputs)
{
    m_photoPath = photoPath;
    m_outputPath = outputs.output;
    m_thumbnailPath = outputs.thumbnail;
}

PhotoState::Outputs PhotoState::outputPaths(
    const QString& outputName, const QString& outputRoot, const QString& subFolder)
{
    const QString below = subFolder.isEmpty() ? outputName : subFolder + QLatin1Char('/') + outputName;
    return { outputRoot + QStringLiteral("/Images/") + below, outputRoot + QStringLiteral("/Miniatures/") + below };
}

QString PhotoState::outputName(const QString& photoPath)
{
    const QFileInfo photo(photoPath);
    const QString name = photo.fileName();
    if (PhotoFolder::isJpegName(name)) return name;
    // A photo opened by its path may be one the folder's list leaves out.
    QStringList photos = PhotoFolder::photoNames(photo.path());
    qsizetype at = photos.indexOf(name);
    if (at < 0) {
        at = photos.size();
        photos << name;
    }
    return PhotoFolder::outputNames(photos).at(at);
}

void PhotoState::setOutputPaths(const QString& outputPath, const QString& thumbnailPath)
{
    m_outputPath = outputPath;
    m_thumbnailPath = thumbnailPath;
}

void PhotoState::open()
{
    m_workReady = false;
    m_photoWarning.clear();
    readExif(); // the orientation is needed now
    const PictureLoader::Header header = PictureLoader::readHeader(m_photoPath);
    m_orientation = header.upright ? 1 : ExifReader::orientation(m_exif);
    QSize size = header.size;
    if (PictureOrientation::swapsSides(m_orientation)) size.transpose();
    m_photoSize = size;
}

void PhotoState::readExif()
{
    if (m_photoPath == m_lastExifPath) return;
    // Nothing of the record read before stays when this one cannot be read.
    m_exif = ExifRecord();
    m_exifText.clear();
    m_lastExifPath.clear();
    m_exif = ExifReader::read(m_photoPath);
    m_exifText = m_exif.exifText();
    m_lastExifPath = m_photoPath;
}

const QString& PhotoState::readableExifText()
{
    if (m_readablePath != m_photoPath) {
        // Asked for by windows that show it, with nothing to catch an error:
        // a file that cannot be read any more shows why instead.
        try {
            m_readableExifText = ExifReader::read(m_photoPath, ExifReader::Values::Interpreted).exifText();
            m_readablePath = m_photoPath;
        } catch (const RuntimeError& error) {
            m_readableExifText = error.userText();
        }
    }
    return m_readableExifText;
}

QSize PhotoState::workingSize(QSize photoSize, double scale)
{
    constexpr int Fifteenths = 15;
    const auto side = [scale](int pixels) {
        const float fifteenths = static_cast<float>(pixels) * Fifteenths;
        const float scaled = static_cast<float>(fifteenths * scale);
        return static_cast<int>(std::nearbyint(scaled / double(Fifteenths)));
    };
    return QSize(side(photoSize.width()), side(photoSize.height()));
}

void PhotoState::buildWorkingImage(QSize size, Scratch scratch)
{
    // A JPEG to be scaled is scaled as it is decoded, turned upright on the
    // way: its rows go into the working image while they are still cached,
    // and no picture at full size is made.
    if (size != m_photoSize && size.width() >= 1 && size.height() >= 1) {
        m_workReady = false;
        const QSize stored = PictureOrientation::swapsSides(m_orientation) ? m_photoSize.transposed() : m_photoSize;
        if (std::unique_ptr<PixelSurface> working = PixelSurface::createForOverwrite(size.width(), size.height())) {
            BilinearResampler::RowStream stream(stored.width(), stored.height(), m_orientation, *working);
            if (PictureLoader::loadRows(m_photoPath, stored, stream, &m_photoWarning)) {
                m_workImage = std::move(working);
                fitScratchImage();
                m_workReady = true;
                return;
            }
        }
    }
    std::unique_ptr<PixelSurface> picture = PictureLoader::load(m_photoPath, 1, &m_photoWarning);
    // A photo stored on its side is turned as it is read into the working
    // image: no upright copy of it is made beside the decoded one.
    if (PictureOrientation::swapsSides(m_orientation))
        buildFrom(std::move(picture), m_orientation, size, scratch);
    else
        buildFrom(PictureOrientation::upright(std::move(picture), m_orientation), 1, size, scratch);
}

void PhotoState::buildWorkingImage(std::unique_ptr<PixelSurface> upright, QSize size, Scratch scratch)
{
    buildFrom(std::move(upright), 1, size, scratch);
}

void PhotoState::buildFrom(std::unique_ptr<PixelSurface> picture, int orientation, QSize size, Scratch scratch)
{
    // Not ready until it is made: a build that fails may leave the decoded
    // picture here, on its side when the photo is stored so.
    m_workReady = false;
    m_workImage = std::move(picture);
    if (!m_workImage) throw std::bad_alloc();
    std::unique_ptr<PixelSurface> photo;
    if (orientation != 1 || m_workImage->width() != size.width() || m_workImage->height() != size.height())
        photo = resampleWorkImage(size.width(), size.height(), orientation);
    // The filters write every pixel of the scratch buffer before they read
    // one, so memory of any content serves.
    if (scratch == Scratch::FromPhoto && photo)
        m_scratchImage = PixelSurface::reuse(std::move(photo), m_workImage->width(), m_workImage->height());
    photo.reset();
    // Made at the working size only: a full-size one would be cleared for
    // nothing.
    fitScratchImage();
    m_workReady = true;
}

int64_t PhotoState::pixelBytesFor(QSize photoSize, QSize workingSize, int orientation)
{
    const auto bytes
        = [](QSize size) { return int64_t(PixelSurface::strideFor(size.width())) * std::max(size.height(), 0); };
    const QSize decoded = PictureOrientation::swapsSides(orientation) ? photoSize.transposed() : photoSize;
    return bytes(decoded) + bytes(workingSize);
}

bool PhotoState::resample(int32_t wValue, int32_t hValue)
{
    if (m_workImage && m_workImage->width() == wValue && m_workImage->height() == hValue) return false;
    resampleWorkImage(wValue, hValue);
    fitScratchImage();
    return true;
}

std::unique_ptr<PixelSurface> PhotoState::resampleWorkImage(int32_t wValue, int32_t hValue, int orientation)
{
    const auto failure = [](const QString& reason) {
        return RuntimeError(WorkingSizeError, RuntimeError::sourceFor(QStringLiteral("PhotoState")), reason);
    };
    // A scale that leaves no whole pixel of a tiny photo or of a strip.
    if (wValue < 1 || hValue < 1) {
        QSize upright = m_workImage ? QSize(m_workImage->width(), m_workImage->height()) : QSize(0, 0);
        if (PictureOrientation::swapsSides(orientation)) upright.transpose();
        throw failure(QStringLiteral("the photo is too small for the preview scale: %1 x %2 pixels give %3 x %4")
                          .arg(upright.width())
                          .arg(upright.height())
                          .arg(wValue)
                          .arg(hValue));
    }
    // Without a working image the new one is blank.
    std::unique_ptr<PixelSurface> resampled;
    if (!m_workImage)
        resampled = PixelSurface::create(wValue, hValue);
    else if (PictureOrientation::swapsSides(orientation))
        resampled = BilinearResampler::resizedTurned(*m_workImage, orientation, wValue, hValue);
    else
        resampled = BilinearResampler::resized(*m_workImage, wValue, hValue);
    if (!resampled)
        throw failure(
            QStringLiteral("not enough memory to resize the photo to %1 x %2 pixels").arg(wValue).arg(hValue));
    return std::exchange(m_workImage, std::move(resampled));
}

void PhotoState::fitScratchImage()
{
    // The filters write every pixel of the scratch buffer before they read
    // one, so a buffer of the right size serves again as it is.
    if (!m_workImage) {
        m_scratchImage.reset();
        return;
    }
    if (!m_scratchImage || m_scratchImage->width() != m_workImage->width()
        || m_scratchImage->height() != m_workImage->height()) {
        m_scratchImage.reset(); // its memory may serve the new one
        m_scratchImage = PixelSurface::create(m_workImage->width(), m_workImage->height());
    }
}

void PhotoState::processImage(int32_t type)
{
    m_filters.filterType(type);
    if (m_workImage && m_scratchImage) m_filters.processImage(*m_workImage, *m_scratchImage);
}

void PhotoState::lighten()
{
    if (m_workImage) m_filters.lighten(*m_workImage, 10);
}

void PhotoState::fade()
{
    if (m_workImage) m_filters.fade(*m_workImage, 240);
}

void PhotoState::applyEffect(PhotoEffect effect)
{
    if (m_workImage) PhotoEffects::apply(effect, m_filters, *m_workImage);
}

void PhotoState::render(const CaptionStrip& strip)
{
    m_stampNotes.clear();
    if (!m_workImage) {
        m_display.reset();
        m_displayedPhoto = QSize();
        return;
    }
    // The display keeps its pixel memory while the size stays; the working
    // image and the band cover all of it either way.
    const int32_t width = m_workImage->width();
    const int32_t height = m_workImage->height();
    const QSize output = strip.outputSize(QSize(width, height));
    if (!m_display || m_display->width() != output.width() || m_display->height() != output.height()) {
        m_display.reset(); // its memory may serve the new one
        m_display = PixelSurface::createForOverwrite(output.width(), output.height());
    }
    m_displayedPhoto = m_display ? QSize(width, height) : QSize();
    if (!m_display) return;
    PixelSurface::copyBlock(*m_display, 0, 0, width, height, *m_workImage, 0, 0);
    strip.paintBand(*m_display, height);
}

void PhotoState::renderFinal(const CaptionStrip& strip)
{
    // The scratch buffer (in a batch, the full-size picture's memory) goes
    // first, so that a picture with a band can take its place.
    m_scratchImage.reset();
    m_displayedPhoto = m_workImage ? QSize(m_workImage->width(), m_workImage->height()) : QSize();
    const QSize output = strip.outputSize(m_displayedPhoto);
    if (output == m_displayedPhoto) {
        // The display is the working image, byte for byte, as Render makes it.
        m_display = std::move(m_workImage);
    } else {
        m_display = strip.withBand(*m_workImage);
        if (!m_display) throw std::bad_alloc();
        m_workImage.reset();
    }
    m_workReady = false;
    m_stampNotes.clear();
}

void PhotoState::releaseDisplay()
{
    m_display.reset();
}

QString PhotoState::printDateStamp(const StampPlacement& stamp)
{
    const StampPlacement::Date date = stamp.dateFor(m_exif, m_photoPath);
    const QString text = stamp.textFor(date, m_exif, m_photoPath, m_photoSize);
    m_stampNotes = dateNotes(date, !text.isEmpty());
    if (m_display && stamp.print(*m_display, text, m_displayedPhoto).movedInside) m_stampNotes << movedInsideNote;
    return text;
}

QStringList PhotoState::dateNotes(const StampPlacement::Date& date, bool stamped)
{
    QStringList notes;
    if (!date.invalidPhotoDate.isEmpty())
        notes << invalidDateNote(date.invalidPhotoDate, stamped);
    else if (date.source == StampPlacement::Date::Source::None)
        notes << (stamped ? noDateStampedNote : noDateNote);
    if (const QString note = date.sourceNote(); !note.isEmpty()) notes << note;
    return notes;
}

QString PhotoState::invalidDateNote(const QString& dateText, bool stamped)
{
    // Quoted, so that blanks show; the report writes control characters as
    // in C.
    QString quoted = dateText;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    const QString note = QStringLiteral("the photo's date is not valid: \"%1\"").arg(quoted);
    return stamped ? note : note + QStringLiteral("; saved without a stamp");
}

QStringList PhotoState::saveOutputs(
    const Settings& settings, const SourceGuard& batchPhotos, const ForeignFiles& foreign) const
{
    if (!m_display) {
        throw RuntimeError(JpegWriter::ErrorNumber, RuntimeError::sourceFor(QStringLiteral("JpegWriter")),
            QStringLiteral("Failed to save to JPG -1"), QStringLiteral("no photo is open"));
    }
    const PixelSurface& picture = *m_display;
    const int32_t width = picture.width();
    const int32_t height = picture.height();
    // Both files are checked before either is written.
    const QString refusal
        = batchPhotos.refusal(m_photoPath, m_outputPath, settings.thumbShow ? m_thumbnailPath : QString());
    if (!refusal.isEmpty())
        throw RuntimeError(JpegWriter::ErrorNumber, RuntimeError::sourceFor(QStringLiteral("PhotoState")), refusal);
    // The output keeps the photo's EXIF block, upright and at its new size,
    // and its colour profile, XMP and IPTC records as they are; the
    // thumbnail keeps the profile. Both carry the mark of the photo.
    const OutputMark mark = OutputMark::forPhoto(m_photoPath);
    JpegMetadata metadata = ExifReader::recordsFor(m_photoPath, width, height, settings.shiftMinutes);
    JpegMetadata thumbnailMetadata = metadata.profileOnly();
    mark.applyTo(metadata, m_photoPath);
    mark.applyTo(thumbnailMetadata, m_photoPath);
    const QByteArray output = JpegWriter::encode(picture, settings.jpegQuality, metadata);
    QStringList notes = metadata.notes;

    QByteArray thumbnail;
    const QSize thumbSize = thumbnailSize(QSize(width, height), settings.thumbHeight, settings.thumbWidth);
    if (settings.thumbShow && thumbSize.isEmpty()) {
        notes << noThumbnailNote(settings);
    } else if (settings.thumbShow) {
        std::unique_ptr<PixelSurface> reduced
            = BilinearResampler::resized(picture, thumbSize.width(), thumbSize.height());
        if (!reduced) throw std::bad_alloc();
        thumbnail = JpegWriter::encode(*reduced, settings.jpegQuality, thumbnailMetadata);
    }
    writeOutputs(output, thumbnail, foreign);
    return notes;
}

void PhotoState::writeOutputs(const QByteArray& output, const QByteArray& thumbnail, const ForeignFiles& foreign) const
{
    if (!foreign.replace) {
        for (const QString& path : { m_outputPath, thumbnail.isEmpty() ? QString() : m_thumbnailPath }) {
            if (path.isEmpty() || !foreignFileAt(path)) continue;
            QString reason
                = QStringLiteral("%1 exists and was not written by Quillon").arg(QDir::toNativeSeparators(path));
            if (!foreign.howToAllow.isEmpty()) reason += QStringLiteral("; ") + foreign.howToAllow;
            throw RuntimeError(JpegWriter::ErrorNumber, RuntimeError::sourceFor(QStringLiteral("PhotoState")), reason);
        }
    }
    makeFolderFor(m_outputPath);
    JpegWriter::write(output, m_outputPath);
    if (!thumbnail.isEmpty()) {
        makeFolderFor(m_thumbnailPath);
        JpegWriter::write(thumbnail, m_thumbnailPath);
    }
}

QString PhotoState::noThumbnailNote(const Settings& settings) const
{
    return QStringLiteral("No thumbnail was written for %1: the thumbnail size (height %2, width %3) gives no picture.")
        .arg(QDir::toNativeSeparators(m_outputPath))
        .arg(settings.thumbHeight)
        .arg(settings.thumbWidth);
}

QSize PhotoState::thumbnailSize(QSize picture, int32_t thumbHeight, int32_t thumbWidth)
{
    // The thumbnail keeps the output's proportions: the height rule when a
    // height is set, the width rule otherwise.
    double r = 0;
    if (thumbHeight != 0)
        r = static_cast<double>(picture.height()) / thumbHeight;
    else if (thumbWidth != 0)
        r = static_cast<double>(picture.width()) / thumbWidth;
    const double width = r > 0 ? std::nearbyint(picture.width() / r) : 0;
    const double height = r > 0 ? std::nearbyint(picture.height() / r) : 0;
    if (width < 1 || height < 1 || width * height > PixelSurface::MaxPixels) return QSize();
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

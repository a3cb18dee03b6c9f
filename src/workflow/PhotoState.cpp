#include "workflow/PhotoState.h"

#include "files/mIntelJPEGLibrary.h"
#include "files/mMain.h"
#include "imaging/PictureOrientation.h"
#include "platform/ExifReader.h"
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
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
    if (const FileResult made = PhotoFolder::EnsureFolder(QFileInfo(file).absolutePath()); !made)
        throw mIntelJPEGLibrary::WriteError(made.error(), file);
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

PhotoState::PhotoState()
    : m_workImage(std::make_unique<cDIBSection>())
    , m_scratchImage(std::make_unique<cDIBSection>())
    , m_display(std::make_unique<cDIBSection>())
{
}

void PhotoState::SetPaths(const QString& photoPath, const QString& outputRoot, const QString& subFolder)
{
    const Outputs outputs = OutputPaths(photoPath, outputRoot, subFolder);
    m_photoPath = photoPath;
    m_outputPath = outputs.output;
    m_thumbnailPath = outputs.thumbnail;
}

PhotoState::Outputs PhotoState::OutputPaths(
    const QString& photoPath, const QString& outputRoot, const QString& subFolder)
{
    const QString name = QFileInfo(photoPath).fileName();
    const QString below = subFolder.isEmpty() ? name : subFolder + QLatin1Char('/') + name;
    return { outputRoot + QStringLiteral("/Images/") + below, outputRoot + QStringLiteral("/Miniatures/") + below };
}

void PhotoState::SetOutputPaths(const QString& outputPath, const QString& thumbnailPath)
{
    m_outputPath = outputPath;
    m_thumbnailPath = thumbnailPath;
}

void PhotoState::Open()
{
    m_workReady = false;
    m_photoWarning.clear();
    ReadExif(); // the orientation is needed now
    m_orientation = ExifReader::orientation(m_exif);
    QSize size = PictureLoader::readSize(m_photoPath);
    if (PictureOrientation::swapsSides(m_orientation)) size.transpose();
    m_photoSize = size;
}

void PhotoState::ReadExif()
{
    if (m_photoPath == m_lastExifPath) return;
    // Nothing of the record read before stays when this one cannot be read.
    m_exif = ExifRecord();
    m_exifText.clear();
    m_lastExifPath.clear();
    m_exif = ExifReader::read(m_photoPath);
    m_exifText = m_exif.ExifText();
    m_lastExifPath = m_photoPath;
}

const QString& PhotoState::ReadableExifText()
{
    if (m_readablePath != m_photoPath) {
        // Asked for by windows that show it, with nothing to catch an error:
        // a file that cannot be read any more shows why instead.
        try {
            m_readableExifText = ExifReader::read(m_photoPath, ExifReader::Values::Interpreted).ExifText();
            m_readablePath = m_photoPath;
        } catch (const RuntimeError& error) {
            m_readableExifText = error.userText();
        }
    }
    return m_readableExifText;
}

PhotoState::TwipsSize PhotoState::PreviewTwips(QSize photoSize, double scale)
{
    const float w = static_cast<float>(photoSize.width()) * Twips::PerPixel;
    const float h = static_cast<float>(photoSize.height()) * Twips::PerPixel;
    return { static_cast<float>(w * scale), static_cast<float>(h * scale) };
}

QSize PhotoState::WorkingSize(QSize photoSize, double scale)
{
    const TwipsSize preview = PreviewTwips(photoSize, scale);
    return QSize(Twips::toPixels(preview.width), Twips::toPixels(preview.height));
}

void PhotoState::BuildWorkingImage(QSize size, Scratch scratch)
{
    std::unique_ptr<PixelSurface> picture = PictureLoader::load(m_photoPath, 1, &m_photoWarning);
    BuildWorkingImage(PictureOrientation::upright(std::move(picture), m_orientation), size, scratch);
}

void PhotoState::BuildWorkingImage(std::unique_ptr<PixelSurface> upright, QSize size, Scratch scratch)
{
    m_workImage->CreateFromPicture(std::move(upright));
    if (m_workImage->DIBSectionBitsPtr() == nullptr) throw std::bad_alloc();
    std::unique_ptr<PixelSurface> photo;
    if (m_workImage->Width() != size.width() || m_workImage->Height() != size.height())
        photo = ResampleWorkImage(size.width(), size.height());
    // The filters write every pixel of the scratch buffer before they read
    // one, so memory of any content serves.
    if (scratch == Scratch::FromPhoto && photo)
        m_scratchImage->CreateFromPicture(
            PixelSurface::reuse(std::move(photo), m_workImage->Width(), m_workImage->Height()));
    photo.reset();
    // Made at the working size only: a full-size one would be cleared for
    // nothing.
    FitScratchImage();
    m_workReady = true;
}

int64_t PhotoState::PixelBytesFor(QSize photoSize, QSize workingSize, int orientation)
{
    const auto bytes
        = [](QSize size) { return int64_t(PixelSurface::strideFor(size.width())) * std::max(size.height(), 0); };
    const bool turned = PictureOrientation::swapsSides(orientation);
    const int64_t upright = bytes(photoSize);
    const int64_t decoded = turned ? bytes(photoSize.transposed()) : upright;
    return std::max(turned ? decoded + upright : decoded, upright + bytes(workingSize));
}

bool PhotoState::Resample(int32_t lW, int32_t lH)
{
    if (m_workImage->Width() == lW && m_workImage->Height() == lH) return false;
    ResampleWorkImage(lW, lH);
    FitScratchImage();
    return true;
}

std::unique_ptr<PixelSurface> PhotoState::ResampleWorkImage(int32_t lW, int32_t lH)
{
    const auto failure = [](const QString& reason) {
        return RuntimeError(WorkingSizeError, RuntimeError::sourceFor(QStringLiteral("PhotoState")), reason);
    };
    // A scale that leaves no whole pixel of a tiny photo or of a strip.
    if (lW < 1 || lH < 1)
        throw failure(QStringLiteral("the photo is too small for the preview scale: %1 x %2 pixels give %3 x %4")
                          .arg(m_workImage->Width())
                          .arg(m_workImage->Height())
                          .arg(lW)
                          .arg(lH));
    std::unique_ptr<cDIBSection> resampled = m_workImage->Resample(lH, lW);
    if (!resampled)
        throw failure(QStringLiteral("not enough memory to resize the photo to %1 x %2 pixels").arg(lW).arg(lH));
    return std::exchange(m_workImage, std::move(resampled))->TakePicture();
}

void PhotoState::FitScratchImage()
{
    // The filters write every pixel of the scratch buffer before they read
    // one, so a buffer of the right size serves again as it is.
    if (m_scratchImage->Width() != m_workImage->Width() || m_scratchImage->Height() != m_workImage->Height()
        || m_scratchImage->DIBSectionBitsPtr() == nullptr)
        m_scratchImage->Create(m_workImage->Width(), m_workImage->Height());
}

void PhotoState::ProcessImage(int32_t eType)
{
    m_cImage.FilterType(eType);
    m_cImage.ProcessImage(*m_workImage, *m_scratchImage);
}

void PhotoState::Lighten()
{
    m_cImage.Lighten(*m_workImage, 10);
}

void PhotoState::Fade()
{
    m_cImage.Fade(*m_workImage, 240);
}

void PhotoState::ApplyEffect(PhotoEffect effect)
{
    PhotoEffects::apply(effect, m_cImage, *m_workImage);
}

void PhotoState::Render()
{
    // The display keeps its pixel memory while the size stays; the working
    // image covers all of it either way.
    if (m_display->Width() != m_workImage->Width() || m_display->Height() != m_workImage->Height()
        || m_display->hdc() == nullptr) {
        m_display->Create(m_workImage->Width(), m_workImage->Height());
    }
    m_workImage->PaintPicture(m_display->hdc());
    m_stampNotes.clear();
}

void PhotoState::RenderFinal()
{
    // The display is the working image, byte for byte, as Render makes it.
    m_display = std::move(m_workImage);
    m_workImage = std::make_unique<cDIBSection>();
    m_scratchImage->ClearUp();
    m_workReady = false;
    m_stampNotes.clear();
}

void PhotoState::ReleaseDisplay()
{
    m_display->ClearUp();
}

QString PhotoState::PrintDateStamp(const StampPlacement& stamp)
{
    const StampPlacement::Date date = stamp.DateFor(m_exif, m_photoPath);
    m_stampNotes.clear();
    const bool stamped = date.source != StampPlacement::Date::Source::None;
    if (!date.invalidPhotoDate.isEmpty())
        m_stampNotes << InvalidDateNote(date.invalidPhotoDate, stamped);
    else if (!stamped)
        m_stampNotes << NoDateNote;
    if (date.source == StampPlacement::Date::Source::File) m_stampNotes << FileDateNote;
    if (stamp.Print(*m_display, date.text).movedInside) m_stampNotes << MovedInsideNote;
    return date.text;
}

QString PhotoState::InvalidDateNote(const QString& dateText, bool stamped)
{
    // Quoted, so that blanks show; the report writes control characters as
    // in C.
    QString quoted = dateText;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    const QString note = QStringLiteral("the photo's date is not valid: \"%1\"").arg(quoted);
    return stamped ? note : note + QStringLiteral("; saved without a stamp");
}

QStringList PhotoState::SaveOutputs(
    const SettingsRecord& settings, const SourceGuard& batchPhotos, const ForeignFiles& foreign) const
{
    const cDIBSection& picture = *m_display;
    const int32_t width = picture.Width();
    const int32_t height = picture.Height();
    if (picture.DIBSectionBitsPtr() == nullptr) {
        throw RuntimeError(mIntelJPEGLibrary::ErrorNumber, RuntimeError::sourceFor(QStringLiteral("mIntelJPEGLibrary")),
            QStringLiteral("Failed to save to JPG -1"), QStringLiteral("no photo is open"));
    }
    // Both files are checked before either is written.
    const QString refusal
        = batchPhotos.refusal(m_photoPath, m_outputPath, settings.ThumbShow ? m_thumbnailPath : QString());
    if (!refusal.isEmpty())
        throw RuntimeError(
            mIntelJPEGLibrary::ErrorNumber, RuntimeError::sourceFor(QStringLiteral("PhotoState")), refusal);
    // The output keeps the photo's EXIF block, upright and at its new size,
    // and its colour profile, XMP and IPTC records as they are; the
    // thumbnail keeps the profile. Both carry the mark of the photo.
    const OutputMark mark = OutputMark::forPhoto(m_photoPath);
    JpegMetadata metadata = JpegMetadata::read(m_photoPath);
    metadata.exif = ExifReader::exifBlockFor(m_photoPath, width, height, settings.ShiftMinutes);
    JpegMetadata thumbnailMetadata = metadata.profileOnly();
    mark.applyTo(metadata, m_photoPath);
    mark.applyTo(thumbnailMetadata, m_photoPath);
    const QByteArray output = mIntelJPEGLibrary::EncodeJPG(picture, settings.JpegQuality, metadata);
    QStringList notes = metadata.notes;

    QByteArray thumbnail;
    const QSize thumbSize = ThumbnailSize(QSize(width, height), settings.ThumbHeight, settings.ThumbWidth);
    if (settings.ThumbShow && thumbSize.isEmpty()) {
        notes << QStringLiteral(
            "No thumbnail was written for %1: the thumbnail size (height %2, width %3) gives no picture.")
                     .arg(QDir::toNativeSeparators(m_outputPath))
                     .arg(settings.ThumbHeight)
                     .arg(settings.ThumbWidth);
    } else if (settings.ThumbShow) {
        std::unique_ptr<cDIBSection> reduced = picture.Resample(thumbSize.height(), thumbSize.width());
        if (!reduced) throw std::bad_alloc();
        thumbnail = mIntelJPEGLibrary::EncodeJPG(*reduced, settings.JpegQuality, thumbnailMetadata);
    }

    if (!foreign.replace) {
        for (const QString& path : { m_outputPath, thumbnail.isEmpty() ? QString() : m_thumbnailPath }) {
            if (path.isEmpty() || !foreignFileAt(path)) continue;
            QString reason
                = QStringLiteral("%1 exists and was not written by Quillon").arg(QDir::toNativeSeparators(path));
            if (!foreign.howToAllow.isEmpty()) reason += QStringLiteral("; ") + foreign.howToAllow;
            throw RuntimeError(
                mIntelJPEGLibrary::ErrorNumber, RuntimeError::sourceFor(QStringLiteral("PhotoState")), reason);
        }
    }
    makeFolderFor(m_outputPath);
    mIntelJPEGLibrary::WriteJPG(output, m_outputPath);
    if (!thumbnail.isEmpty()) {
        makeFolderFor(m_thumbnailPath);
        mIntelJPEGLibrary::WriteJPG(thumbnail, m_thumbnailPath);
    }
    return notes;
}

QSize PhotoState::ThumbnailSize(QSize picture, int32_t thumbHeight, int32_t thumbWidth)
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

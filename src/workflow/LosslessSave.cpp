#include "workflow/LosslessSave.h"

#include "files/JpegWriter.h"
#include "files/LosslessStamper.h"
#include "files/SettingsFile.h"
#include "imaging/BilinearResampler.h"
#include "imaging/PictureOrientation.h"
#include "platform/ExifDateShift.h"
#include "platform/JpegMetadata.h"
#include "platform/OutputMark.h"
#include "platform/PhotoFile.h"
#include "platform/RuntimeError.h"
#include "workflow/StampPlacement.h"

#include <QBuffer>
#include <QDir>

#include <new>

namespace {

bool isJpeg(const QByteArray& data)
{
    return data.startsWith("\xFF\xD8\xFF");
}

// The largest reduction of the decoder that still gives at least the
// thumbnail's pixels (as stored).
int reductionFor(QSize stored, QSize thumbnail)
{
    for (int denominator : { 8, 4, 2 }) {
        const int width = (stored.width() + denominator - 1) / denominator;
        const int height = (stored.height() + denominator - 1) / denominator;
        if (width >= thumbnail.width() && height >= thumbnail.height()) return denominator;
    }
    return 1;
}

} // namespace

QString LosslessSave::usualWayNote(const QString& photoPath, const QString& reason)
{
    return QStringLiteral("%1 %2: saved the usual way, re-encoded").arg(QDir::toNativeSeparators(photoPath), reason);
}

LosslessSave::Result LosslessSave::save(const PhotoState& state, const Settings& settings, const StampPlacement* stamp,
    const SourceGuard& batchPhotos, const ForeignFiles& foreign)
{
    Result result;
    const QString& photoPath = state.photoPath();
    QByteArray data = PhotoFile::readAll(photoPath);
    if (!isJpeg(data)) {
        result.notes << usualWayNote(photoPath, QStringLiteral("is no JPEG"));
        return result;
    }
    const QString refusal
        = batchPhotos.refusal(photoPath, state.outputPath(), settings.thumbShow ? state.thumbnailPath() : QString());
    if (!refusal.isEmpty())
        throw RuntimeError(JpegWriter::ErrorNumber, RuntimeError::sourceFor(QStringLiteral("PhotoState")), refusal);

    // The stamp as the usual save prints it on the upright photo at scale
    // 1; drawn into a part of the picture, it keeps its place on the whole
    // by starting from that part's corner.
    QString text;
    StampPlacement::Layout layout;
    if (stamp) {
        const StampPlacement::Date date = stamp->dateFor(state.exifRecord(), photoPath);
        text = stamp->textFor(date, state.exifRecord(), photoPath, state.photoSize());
        result.stampNotes = PhotoState::dateNotes(date, !text.isEmpty());
        layout = stamp->layoutOn(state.photoSize(), text);
        if (layout.movedInside) result.stampNotes << PhotoState::movedInsideNote;
    }
    QRect area;
    if (!text.isEmpty() && !layout.inkBox.isEmpty()) {
        // What the glyphs' smoothing touches around their ink, with room
        // to spare, as print redraws it.
        const int margin = layout.font.pixelSize() + StampPlacement::haloOf(stamp->look, layout.font);
        area = layout.inkBox.adjusted(-margin, -margin, margin, margin);
    }
    const LosslessStamper::Draw draw = [&](PixelSurface& pixels, QPoint corner) {
        StampPlacement placed = *stamp;
        placed.font = layout.font;
        placed.heightPercent = 0;
        placed.anchoring = StampAnchoring();
        placed.first = layout.first - corner;
        placed.second = layout.second - corner;
        placed.print(pixels, text);
    };

    JpegMetadata metadata;
    {
        // The buffer shares the bytes: it goes before they are handed on.
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        metadata = JpegMetadata::read(buffer, QDir::toNativeSeparators(photoPath));
    }
    JpegMetadata thumbnailMetadata = metadata.profileOnly();
    const OutputMark mark = OutputMark::forBytes(data);
    mark.applyTo(metadata, photoPath);
    mark.applyTo(thumbnailMetadata, photoPath);
    JpegMetadata replaced;
    replaced.xmp = metadata.xmp;
    if (settings.shiftMinutes != 0)
        replaced.exif = ExifDateShift::shifted(ExifDateShift::exifBodyOf(data), settings.shiftMinutes);

    LosslessStamper::Result stamped;
    try {
        stamped = LosslessStamper::stamp(
            std::move(data), state.orientation(), area, draw, replaced, photoPath, settings.thumbShow);
    } catch (const RuntimeError& error) {
        if (!LosslessStamper::unsupported(error)) throw;
        const QString& description = error.description();
        result.notes << usualWayNote(photoPath, description.mid(description.indexOf(QLatin1String("cannot be"))));
        result.stampNotes.clear();
        return result;
    }
    result.notes << metadata.notes;
    if (!stamped.warning.isEmpty()) {
        result.photoWarning = QStringLiteral("\"%1\" is damaged (%2); it was copied as far as it goes.")
                                  .arg(QDir::toNativeSeparators(photoPath), stamped.warning);
    }

    QByteArray thumbnail;
    const QSize thumbSize = PhotoState::thumbnailSize(state.photoSize(), settings.thumbHeight, settings.thumbWidth);
    if (settings.thumbShow && thumbSize.isEmpty()) {
        result.notes << state.noThumbnailNote(settings);
    } else if (settings.thumbShow) {
        const bool turned = PictureOrientation::swapsSides(state.orientation());
        const QSize stored = turned ? state.photoSize().transposed() : state.photoSize();
        const int denominator = reductionFor(stored, turned ? thumbSize.transposed() : thumbSize);
        // An eighth, the common case, is made from the coefficients at hand.
        const std::unique_ptr<PixelSurface> upright = PictureOrientation::upright(denominator == 8
                ? std::move(stamped.eighth)
                : LosslessStamper::decodeReduced(stamped.jpeg, denominator, photoPath),
            state.orientation());
        const std::unique_ptr<PixelSurface> reduced
            = BilinearResampler::resized(*upright, thumbSize.width(), thumbSize.height());
        if (!reduced) throw std::bad_alloc();
        thumbnail = JpegWriter::encode(*reduced, settings.jpegQuality, thumbnailMetadata);
    }
    state.writeOutputs(stamped.jpeg, thumbnail, foreign);
    result.saved = true;
    return result;
}

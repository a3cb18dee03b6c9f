#include "workflow/PhotoEngine.h"

#include "imaging/PictureOrientation.h"
#include "platform/BgrColor.h"
#include "platform/PictureLoader.h"
#include "workflow/LosslessSave.h"

#include <QFontInfo>
#include <QPainter>

#include <algorithm>
#include <cmath>

PhotoEngine::PhotoEngine(Settings& settings, PhotoEngineHost* host)
    : m_settings(settings)
    , m_host(host ? host : &m_noHost)
{
}

void PhotoEngine::setHost(PhotoEngineHost* host)
{
    m_host = host ? host : &m_noHost;
}

void PhotoEngine::setPhotoPaths(const QString& photoPath, const QString& outputRoot, const QString& subFolder)
{
    m_photo.setPaths(photoPath, outputRoot, subFolder);
}

void PhotoEngine::setOutputPaths(const QString& outputPath, const QString& thumbnailPath)
{
    m_photo.setOutputPaths(outputPath, thumbnailPath);
}

void PhotoEngine::openPhoto()
{
    // Only the header is read here; the preview picture is decoded when the
    // window draws it.
    m_preview = QImage();
    m_previewDenominator = 0;
    m_previewWarning.clear();
    m_photo.open();
    m_previewSize = PhotoState::workingSize(m_photo.photoSize(), m_settings.scaleInUse());

    if (m_settings.exifShown) m_host->showExif(m_photo.exifText());
    if (m_showDate) showDateLabels();
    m_host->layoutPreview();
}

void PhotoEngine::closePhoto()
{
    m_photo = PhotoState();
    m_preview = QImage();
    m_previewDenominator = 0;
    m_previewWarning.clear();
    m_dateText.clear();
    m_labelText.clear();
}

QImage PhotoEngine::previewPicture(QSize wanted)
{
    const QSize photoSize = m_photo.photoSize();
    if (m_photo.photoPath().isEmpty() || photoSize.isEmpty()) return QImage();
    // The largest reduction that still gives at least the wanted size.
    int denominator = 1;
    for (int d : { 8, 4, 2 }) {
        if ((photoSize.width() + d - 1) / d >= wanted.width() && (photoSize.height() + d - 1) / d >= wanted.height()) {
            denominator = d;
            break;
        }
    }
    if (m_preview.isNull() || denominator < m_previewDenominator) {
        m_preview = PictureOrientation::upright(
            PictureLoader::loadPreview(m_photo.photoPath(), denominator, &m_previewWarning), m_photo.orientation());
        m_previewDenominator = denominator;
    }
    return m_preview;
}

QImage PhotoEngine::previewWithStrip(QSize wanted)
{
    const QImage picture = previewPicture(wanted);
    const int band = m_settings.stripInUse().bandHeight(m_previewSize);
    if (band <= 0 || picture.isNull() || m_previewSize.height() <= 0) return picture;
    // The band at the picture's own scale, which the preview then shows at
    // the output's size.
    const int scaled
        = std::max(1, static_cast<int>(std::lround(double(band) * picture.height() / m_previewSize.height())));
    QImage shown(picture.width(), picture.height() + scaled, QImage::Format_RGB32);
    shown.fill(BgrColor::toQColor(m_settings.strip.color));
    QPainter painter(&shown);
    painter.drawImage(0, 0, picture);
    return shown;
}

void PhotoEngine::buildWorkingImage()
{
    if (m_photo.workReady()) return;
    m_photo.buildWorkingImage(m_previewSize);
    render();
}

void PhotoEngine::revertToOriginal()
{
    if (!m_photo.workReady()) return;
    m_photo.buildWorkingImage(m_previewSize);
    render();
}

void PhotoEngine::render()
{
    m_photo.render(m_settings.stripInUse());
    if (m_showDate) printDateStamp();
    m_host->refreshDisplay();
}

void PhotoEngine::resample(int32_t w, int32_t h)
{
    if (m_photo.resample(w, h)) render();
}

void PhotoEngine::processImage(int32_t type)
{
    m_photo.processImage(type);
    render();
}

void PhotoEngine::lighten()
{
    m_photo.lighten();
    render();
}

void PhotoEngine::fade()
{
    m_photo.fade();
    render();
}

void PhotoEngine::applyEffect(PhotoEffect effect)
{
    m_photo.applyEffect(effect);
    render();
}

void PhotoEngine::readExif()
{
    m_photo.readExif();
}

void PhotoEngine::forgetExif()
{
    m_photo.forgetExif();
}

QString PhotoEngine::computeDateText() const
{
    return stampPlacement().textFor(m_photo.exifRecord(), m_photo.photoPath(), m_photo.photoSize());
}

StampPlacement::Date PhotoEngine::photoDate() const
{
    return stampPlacement().dateFor(m_photo.exifRecord(), m_photo.photoPath());
}

StampPlacement PhotoEngine::stampPlacement() const
{
    return StampPlacement::fromSettings(m_settings, m_stampPosition, m_stampFont);
}

StampPlacement::Layout PhotoEngine::shownStamp() const
{
    StampPlacement stamp = stampPlacement();
    // A dragged stamp follows the mouse, not its anchoring.
    if (m_stampDragged) stamp.anchoring = {};
    return stamp.layoutOn(m_previewSize, m_labelText);
}

void PhotoEngine::dragStamp(QPointF delta)
{
    // The drag starts where the stamp is shown, which its anchoring or the
    // edges of the picture may have moved from its own position.
    if (!m_stampDragged) {
        const QPoint shown = shownStamp().first;
        m_stampDragged = true;
        m_stampPosition = shown;
    }
    m_stampPosition += delta;
    // At an edge the stamp stops, and its position with it.
    const QPoint placed(
        static_cast<int>(std::nearbyint(m_stampPosition.x())), static_cast<int>(std::nearbyint(m_stampPosition.y())));
    const QPoint shown = shownStamp().first;
    if (shown != placed) m_stampPosition = shown;
}

void PhotoEngine::dropStamp()
{
    if (!m_stampDragged) return;
    const StampPlacement::Layout dropped = shownStamp();
    m_stampDragged = false;
    // On the caption strip the stamp snaps to the band's nearest column.
    if (m_settings.stripInUse().show) {
        if (!dropped.inkBox.isEmpty()) m_settings.anchoring = StampPlacement::columnAt(dropped.inkBox, m_previewSize);
        return;
    }
    if (m_settings.anchoring.place == StampAnchoring::Place::None && m_settings.stampHeightPercent <= 0) return;
    if (!dropped.inkBox.isEmpty()) m_settings.anchoring = StampPlacement::anchoringAt(dropped.inkBox, m_previewSize);
}

void PhotoEngine::showDateLabels()
{
    m_dateText = computeDateText();
    m_labelText = m_dateText;
}

void PhotoEngine::printDateStamp()
{
    m_dateText = m_photo.printDateStamp(stampPlacement());
}

void PhotoEngine::applyDateStyle()
{
    m_stampFont.setFamily(m_settings.dateFont);
    m_stampFont.setPointSizeF(m_settings.dateSize > 0 ? m_settings.dateSize : 1);
    m_settings.dateStyle.applyTo(m_stampFont);
    // The name of the font actually obtained, as the font reports it.
    m_settings.dateFont = QFontInfo(m_stampFont).family();
}

QString PhotoEngine::saveOutputs()
{
    // The window asks before it replaces a file of another photo's
    // (SavedOutputs): what reaches the save may be replaced.
    const ForeignFiles replace { true, QString() };
    QStringList notes;
    if (m_settings.losslessStamp) {
        const std::optional<StampPlacement> stamp
            = m_showDate ? std::optional(stampPlacement()) : std::optional<StampPlacement>();
        const LosslessSave::Result saved
            = LosslessSave::save(m_photo, m_settings, stamp ? &*stamp : nullptr, {}, replace);
        if (saved.saved) {
            if (!saved.photoWarning.isEmpty()) notes << saved.photoWarning;
            return (notes << saved.notes).join(QLatin1Char('\n'));
        }
        notes = saved.notes; // saved the usual way, as shown
    }
    notes << m_photo.saveOutputs(m_settings, {}, replace);
    return notes.join(QLatin1Char('\n'));
}

BatchReport PhotoEngine::batchTransform(const QString& folder, const BatchOptions& options, BatchListener* listener)
{
    const BatchPlan plan = BatchPlan::make(folder, m_settings, options);
    if (QString problem = plan.prepareFolders(); !problem.isEmpty()) {
        BatchReport report;
        report.total = static_cast<int>(plan.photos().size());
        report.blocked = std::move(problem);
        return report;
    }
    const BatchRunner runner(m_settings, m_showDate ? std::optional(stampPlacement()) : std::nullopt, options.jobs,
        { options.overwrite, options.overwriteHint });
    return runner.run(plan, listener);
}

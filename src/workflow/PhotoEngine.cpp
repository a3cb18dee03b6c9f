#include "workflow/PhotoEngine.h"

#include "imaging/PictureOrientation.h"
#include "platform/PictureLoader.h"

#include <QFontInfo>

#include <cmath>

PhotoEngine::PhotoEngine(SettingsRecord& settings, PhotoEngineHost* host)
    : m_settings(settings)
    , m_host(host ? host : &m_noHost)
{
}

void PhotoEngine::setHost(PhotoEngineHost* host)
{
    m_host = host ? host : &m_noHost;
}

void PhotoEngine::SetPhotoPaths(const QString& photoPath, const QString& outputRoot, const QString& subFolder)
{
    m_photo.SetPaths(photoPath, outputRoot, subFolder);
}

void PhotoEngine::SetOutputPaths(const QString& outputPath, const QString& thumbnailPath)
{
    m_photo.SetOutputPaths(outputPath, thumbnailPath);
}

void PhotoEngine::OpenPhoto()
{
    // Only the header is read here; the preview picture is decoded when the
    // window draws it.
    m_preview = QImage();
    m_previewDenominator = 0;
    m_previewWarning.clear();
    m_photo.Open();
    m_previewSize = PhotoState::WorkingSize(m_photo.PhotoSize(), m_settings.PreviewScale);

    if (m_settings.ExifShown) m_host->ShowExif(m_photo.ExifText());
    if (m_showDate) ShowDateLabels();
    m_host->LayoutPreview();
}

void PhotoEngine::ClosePhoto()
{
    m_photo = PhotoState();
    m_preview = QImage();
    m_previewDenominator = 0;
    m_previewWarning.clear();
    m_dateText.clear();
    m_labelText.clear();
}

QImage PhotoEngine::PreviewPicture(QSize wanted)
{
    const QSize photoSize = m_photo.PhotoSize();
    if (m_photo.PhotoPath().isEmpty() || photoSize.isEmpty()) return QImage();
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
            PictureLoader::loadPreview(m_photo.PhotoPath(), denominator, &m_previewWarning), m_photo.Orientation());
        m_previewDenominator = denominator;
    }
    return m_preview;
}

void PhotoEngine::BuildWorkingImage()
{
    if (m_photo.WorkReady()) return;
    m_photo.BuildWorkingImage(m_previewSize);
    Render();
}

void PhotoEngine::RevertToOriginal()
{
    if (!m_photo.WorkReady()) return;
    m_photo.BuildWorkingImage(m_previewSize);
    Render();
}

void PhotoEngine::Render()
{
    m_photo.Render();
    if (m_showDate) PrintDateStamp();
    m_host->RefreshDisplay();
}

void PhotoEngine::Resample(int32_t lW, int32_t lH)
{
    if (m_photo.Resample(lW, lH)) Render();
}

void PhotoEngine::ProcessImage(int32_t eType)
{
    m_photo.ProcessImage(eType);
    Render();
}

void PhotoEngine::Lighten()
{
    m_photo.Lighten();
    Render();
}

void PhotoEngine::Fade()
{
    m_photo.Fade();
    Render();
}

void PhotoEngine::ApplyEffect(PhotoEffect effect)
{
    m_photo.ApplyEffect(effect);
    Render();
}

void PhotoEngine::ReadExif()
{
    m_photo.ReadExif();
}

void PhotoEngine::ForgetExif()
{
    m_photo.ForgetExif();
}

QString PhotoEngine::ComputeDateText() const
{
    return Stamp().DateFor(m_photo.exifRecord(), m_photo.PhotoPath()).text;
}

StampPlacement PhotoEngine::Stamp() const
{
    return StampPlacement::fromSettings(m_settings, m_stampPosition, m_stampFont);
}

StampPlacement::Layout PhotoEngine::ShownStamp() const
{
    StampPlacement stamp = Stamp();
    // A dragged stamp follows the mouse, not its anchoring.
    if (m_stampDragged) stamp.anchoring = {};
    return stamp.LayoutOn(m_previewSize, m_labelText);
}

void PhotoEngine::DragStamp(QPointF delta)
{
    // The drag starts where the stamp is shown, which its anchoring or the
    // edges of the picture may have moved from its own position.
    if (!m_stampDragged) {
        const QPoint shown = ShownStamp().first;
        m_stampDragged = true;
        m_stampPosition = shown;
    }
    m_stampPosition += delta;
    // At an edge the stamp stops, and its position with it.
    const QPoint placed(
        static_cast<int>(std::nearbyint(m_stampPosition.x())), static_cast<int>(std::nearbyint(m_stampPosition.y())));
    const QPoint shown = ShownStamp().first;
    if (shown != placed) m_stampPosition = shown;
}

void PhotoEngine::DropStamp()
{
    if (!m_stampDragged) return;
    const StampPlacement::Layout dropped = ShownStamp();
    m_stampDragged = false;
    if (m_settings.Anchoring.place == StampAnchoring::Place::None && m_settings.StampHeightPercent <= 0) return;
    if (!dropped.inkBox.isEmpty()) m_settings.Anchoring = StampPlacement::AnchoringAt(dropped.inkBox, m_previewSize);
}

void PhotoEngine::ShowDateLabels()
{
    m_dateText = ComputeDateText();
    m_labelText = m_dateText;
}

void PhotoEngine::PrintDateStamp()
{
    m_dateText = m_photo.PrintDateStamp(Stamp());
}

void PhotoEngine::ApplyDateStyle()
{
    m_stampFont.setFamily(m_settings.DateFont);
    m_stampFont.setPointSizeF(m_settings.DateSize > 0 ? m_settings.DateSize : 1);
    m_settings.dateStyle.applyTo(m_stampFont);
    // The name of the font actually obtained, as the font reports it.
    m_settings.DateFont = QFontInfo(m_stampFont).family();
}

QString PhotoEngine::SaveOutputs()
{
    // The window asks before it replaces a file of another photo's
    // (SavedOutputs): what reaches the save may be replaced.
    return m_photo.SaveOutputs(m_settings, {}, { true, QString() }).join(QLatin1Char('\n'));
}

BatchReport PhotoEngine::BatchTransform(const QString& folder, const BatchOptions& options, BatchListener* listener)
{
    const BatchPlan plan = BatchPlan::make(folder, m_settings, options);
    if (QString problem = plan.prepareFolders(); !problem.isEmpty()) {
        BatchReport report;
        report.total = static_cast<int>(plan.photos().size());
        report.blocked = std::move(problem);
        return report;
    }
    const BatchRunner runner(m_settings, m_showDate ? std::optional(Stamp()) : std::nullopt, options.jobs,
        { options.overwrite, options.overwriteHint });
    return runner.run(plan, listener);
}

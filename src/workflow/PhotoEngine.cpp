#include "workflow/PhotoEngine.h"

#include "imaging/PictureOrientation.h"
#include "platform/NumberText.h"
#include "platform/PictureLoader.h"

#include <QFontInfo>

namespace {

QString sizeCaption(float widthTwips, float heightTwips)
{
    return NumberText::shortText(widthTwips / PhotoEngine::TwipsPerPixel) + QLatin1Char('x')
        + NumberText::shortText(heightTwips / PhotoEngine::TwipsPerPixel);
}

} // namespace

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
    m_controls.Picture1Visible = false;
    m_controls.picScrollVisible = true;

    // The preview takes the photo's own size, upright. Only the header is
    // read here; the preview picture is decoded when the window draws it.
    m_controls.Image1.Visible = false;
    m_controls.Image1.Stretch = false;
    m_preview = QImage();
    m_previewDenominator = 0;
    m_previewWarning.clear();
    m_photo.Open();

    const QSize size = m_photo.PhotoSize();
    m_controls.lblori = sizeCaption(
        static_cast<float>(size.width()) * TwipsPerPixel, static_cast<float>(size.height()) * TwipsPerPixel);
    const PhotoState::TwipsSize preview = PhotoState::PreviewTwips(size, m_settings.PreviewScale);
    m_controls.Image1.Width = preview.width;
    m_controls.Image1.Height = preview.height;
    m_controls.lblfin = sizeCaption(preview.width, preview.height);
    m_controls.Image1.Stretch = true;
    m_controls.Image1.Visible = true;

    if (m_settings.ExifShown) m_host->ShowExif(m_photo.ExifText());
    if (m_controls.ShowDate) {
        ShowDateLabels();
    } else {
        m_controls.Label1.Visible = false;
        m_controls.Label2.Visible = false;
    }
    m_controls.EffectsEnabled = true;
    m_host->LayoutPreview();
}

void PhotoEngine::ClosePhoto()
{
    m_photo = PhotoState();
    m_preview = QImage();
    m_previewDenominator = 0;
    m_previewWarning.clear();
    m_dateText.clear();
    m_controls.picScrollVisible = false;
    m_controls.Picture1Visible = false;
    m_controls.lblori.clear();
    m_controls.lblfin.clear();
    m_controls.Label1.Caption.clear();
    m_controls.Label2.Caption.clear();
    m_controls.EffectsEnabled = false;
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
    m_photo.BuildWorkingImage(workingSize());
    m_controls.picScrollVisible = false;
    m_controls.Picture1Visible = true;
    Render();
}

void PhotoEngine::RevertToOriginal()
{
    if (!m_photo.WorkReady()) return;
    m_photo.BuildWorkingImage(workingSize());
    Render();
}

QSize PhotoEngine::workingSize() const
{
    // The preview's size, as the preview image shows it.
    return QSize(Twips::toPixels(m_controls.Image1.Width), Twips::toPixels(m_controls.Image1.Height));
}

void PhotoEngine::Render()
{
    const cDIBSection& work = m_photo.WorkImage();
    m_controls.Picture1Width = TwipsPerPixel * static_cast<float>(work.Width());
    m_controls.Picture1Height = TwipsPerPixel * static_cast<float>(work.Height());
    m_photo.Render();
    if (m_controls.ShowDate) PrintDateStamp();
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
    return StampPlacement::FromControls(m_settings, m_controls);
}

StampPlacement::Layout PhotoEngine::ShownStamp() const
{
    StampPlacement stamp = Stamp();
    // A dragged stamp follows the mouse, not its anchoring.
    if (m_stampDragged) stamp.anchoring = {};
    return stamp.LayoutOn(workingSize(), m_controls.Label1.Caption);
}

void PhotoEngine::DragStamp(float dx, float dy)
{
    StampLabel& lower = m_controls.Label1;
    const ImageControl& image = m_controls.Image1;
    // The upper label sits at the lower one plus the offsets.
    const auto placeLabels = [&](float left, float top) {
        lower.Left = left;
        lower.Top = top;
        m_controls.Label2.Left = left + static_cast<float>(m_settings.DiffLeft);
        m_controls.Label2.Top = top + static_cast<float>(m_settings.DiffTop);
    };
    const auto placeOnPicture = [&](QPoint first) {
        placeLabels(image.Left + static_cast<float>(first.x()) * TwipsPerPixel,
            image.Top + static_cast<float>(first.y()) * TwipsPerPixel);
    };
    // The drag starts where the stamp is shown, which its anchoring or the
    // edges of the picture may have moved from the labels' own place.
    if (!m_stampDragged) {
        const QPoint shown = ShownStamp().first;
        m_stampDragged = true;
        placeOnPicture(shown);
    }
    placeLabels(lower.Left + dx, lower.Top + dy);
    // At an edge the stamp stops; the labels stay where it is.
    const QPoint placed(Twips::toPixels(lower.Left - image.Left), Twips::toPixels(lower.Top - image.Top));
    const QPoint shown = ShownStamp().first;
    if (shown != placed) placeOnPicture(shown);
}

void PhotoEngine::DropStamp()
{
    if (!m_stampDragged) return;
    const StampPlacement::Layout dropped = ShownStamp();
    m_stampDragged = false;
    if (m_settings.Anchoring.place == StampAnchoring::Place::None && m_settings.StampHeightPercent <= 0) return;
    if (!dropped.inkBox.isEmpty()) m_settings.Anchoring = StampPlacement::AnchoringAt(dropped.inkBox, workingSize());
}

void PhotoEngine::ShowDateLabels()
{
    m_dateText = ComputeDateText();
    m_controls.Label1.Caption = m_dateText;
    m_controls.Label2.Caption = m_dateText;
    // Shown only while Show Date is on: the preview never shows a stamp that
    // the save will not print.
    m_controls.Label1.Visible = m_controls.ShowDate;
    m_controls.Label2.Visible = m_controls.ShowDate;
}

void PhotoEngine::PrintDateStamp()
{
    m_controls.Picture1Visible = true;
    m_dateText = m_photo.PrintDateStamp(Stamp());
}

void PhotoEngine::ApplyDateStyle()
{
    for (StampLabel* label : { &m_controls.Label1, &m_controls.Label2 }) {
        label->Font.setFamily(m_settings.DateFont);
        label->Font.setPointSizeF(m_settings.DateSize > 0 ? m_settings.DateSize : 1);
        m_settings.dateStyle.applyTo(label->Font);
    }
    m_controls.Label1.ForeColor = m_settings.DateColor1;
    m_controls.Label2.ForeColor = m_settings.DateColor2;
    m_controls.Label2.Top = m_controls.Label1.Top + static_cast<float>(m_settings.DiffTop);
    m_controls.Label2.Left = m_controls.Label1.Left + static_cast<float>(m_settings.DiffLeft);
    // The name of the font actually obtained, as the label's font reports it.
    m_settings.DateFont = QFontInfo(m_controls.Label1.Font).family();
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
    const BatchRunner runner(m_settings, m_controls.ShowDate ? std::optional(Stamp()) : std::nullopt, options.jobs,
        { options.overwrite, options.overwriteHint });
    return runner.run(plan, listener);
}

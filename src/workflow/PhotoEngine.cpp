#include "workflow/PhotoEngine.h"

#include "files/mIntelJPEGLibrary.h"
#include "imaging/PictureOrientation.h"
#include "platform/DateFormatter.h"
#include "platform/ExifReader.h"
#include "platform/NumberText.h"
#include "platform/OleColor.h"
#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "workflow/PhotoFolder.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>
#include <new>

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
    const QString name = QFileInfo(photoPath).fileName();
    const QString below = subFolder.isEmpty() ? name : subFolder + QLatin1Char('/') + name;
    PhotoPath = photoPath;
    OutputPath = outputRoot + QStringLiteral("/Images/") + below;
    ThumbnailPath = outputRoot + QStringLiteral("/Miniatures/") + below;
}

void PhotoEngine::OpenPhoto()
{
    Controls.Picture1Visible = false;
    Controls.picScrollVisible = true;
    m_settings.WorkReady = false;

    // The preview takes the photo's own size, upright. Only the header is
    // read here; the preview picture is decoded when the window draws it.
    Controls.Image1.Visible = false;
    Controls.Image1.Stretch = false;
    m_preview = QImage();
    m_previewDenominator = 0;
    m_photoWarning.clear();
    ReadExif(); // the orientation is needed now; the record is read once per photo
    m_orientation = ExifReader::orientation(ExifRecord);
    QSize size = PictureLoader::readSize(PhotoPath);
    if (PictureOrientation::swapsSides(m_orientation)) size.transpose();
    m_photoSize = size;

    const float w = static_cast<float>(size.width()) * TwipsPerPixel;
    const float h = static_cast<float>(size.height()) * TwipsPerPixel;
    Controls.lblori = sizeCaption(w, h);
    Controls.Image1.Width = static_cast<float>(w * m_settings.PreviewScale);
    Controls.Image1.Height = static_cast<float>(h * m_settings.PreviewScale);
    Controls.lblfin = sizeCaption(Controls.Image1.Width, Controls.Image1.Height);
    Controls.Image1.Stretch = true;
    Controls.Image1.Visible = true;

    if (m_settings.ExifShown) m_host->ShowExif(ExifText);
    if (Controls.ShowDate) {
        ShowDateLabels();
    } else {
        Controls.Label1.Visible = false;
        Controls.Label2.Visible = false;
    }
    Controls.EffectsEnabled = true;
    m_host->LayoutPreview();
}

QImage PhotoEngine::PreviewPicture(QSize wanted)
{
    if (PhotoPath.isEmpty() || m_photoSize.isEmpty()) return QImage();
    // The largest reduction that still gives at least the wanted size.
    int denominator = 1;
    for (int d : { 8, 4, 2 }) {
        if ((m_photoSize.width() + d - 1) / d >= wanted.width()
            && (m_photoSize.height() + d - 1) / d >= wanted.height()) {
            denominator = d;
            break;
        }
    }
    if (m_preview.isNull() || denominator < m_previewDenominator) {
        m_preview = PictureOrientation::upright(PictureLoader::loadPreview(PhotoPath, denominator), m_orientation);
        m_previewDenominator = denominator;
    }
    return m_preview;
}

void PhotoEngine::BuildWorkingImage()
{
    if (m_settings.WorkReady) return;
    std::unique_ptr<PixelSurface> picture = m_prefetch.take(PhotoPath, &m_photoWarning);
    if (!picture) picture = PictureLoader::load(PhotoPath, 1, &m_photoWarning);
    WorkImage->CreateFromPicture(PictureOrientation::upright(std::move(picture), m_orientation));
    if (WorkImage->DIBSectionBitsPtr() == nullptr) throw std::bad_alloc();
    ScratchImage->Create(WorkImage->Width(), WorkImage->Height());
    if (m_settings.PreviewScale != 1.0) {
        Resample(Twips::toPixels(Controls.Image1.Width), Twips::toPixels(Controls.Image1.Height));
    }
    Controls.picScrollVisible = false;
    Controls.Picture1Visible = true;
    Render();
    m_settings.WorkReady = true;
}

void PhotoEngine::Render()
{
    Controls.Picture1Width = TwipsPerPixel * static_cast<float>(WorkImage->Width());
    Controls.Picture1Height = TwipsPerPixel * static_cast<float>(WorkImage->Height());
    // The display keeps its picture when the size stays; otherwise it takes
    // the new size, and the working image covers all of it either way.
    if (Picture1.Width() != WorkImage->Width() || Picture1.Height() != WorkImage->Height()
        || Picture1.hdc() == nullptr) {
        Picture1.Create(WorkImage->Width(), WorkImage->Height());
    }
    WorkImage->PaintPicture(Picture1.hdc());
    if (Controls.ShowDate) PrintDateStamp();
    m_host->RefreshDisplay();
}

void PhotoEngine::Resample(int32_t lW, int32_t lH)
{
    if (WorkImage->Width() == lW && WorkImage->Height() == lH) return;
    std::unique_ptr<cDIBSection> resampled = WorkImage->Resample(lH, lW);
    WorkImage = resampled ? std::move(resampled) : std::make_unique<cDIBSection>();
    ScratchImage->Create(WorkImage->Width(), WorkImage->Height());
    Render();
}

void PhotoEngine::ProcessImage(int32_t eType)
{
    m_cImage.FilterType(eType);
    m_cImage.ProcessImage(*WorkImage, *ScratchImage);
    Render();
}

void PhotoEngine::Lighten()
{
    m_cImage.Lighten(*WorkImage, 10);
    Render();
}

void PhotoEngine::Fade()
{
    m_cImage.Fade(*WorkImage, 240);
    Render();
}

void PhotoEngine::ReadExif()
{
    if (PhotoPath == LastExifPath) return;
    ExifRecord = ExifReader::read(PhotoPath);
    ExifText = ExifRecord.ExifText();
    LastExifPath = PhotoPath;
}

QString PhotoEngine::ComputeDateText() const
{
    // The moment the photo was taken; "DateTime" alone is when the file was
    // last changed, so it serves only when nothing better is there.
    return DateFormatter::dateText(ExifReader::photoDateText(ExifRecord), m_settings.DateFormat);
}

void PhotoEngine::ShowDateLabels()
{
    DateText = ComputeDateText();
    Controls.Label1.Caption = DateText;
    Controls.Label2.Caption = DateText;
    Controls.Label1.Visible = true;
    Controls.Label2.Visible = true;
}

void PhotoEngine::PrintDateStamp()
{
    Controls.Picture1Visible = true;
    DateText = ComputeDateText();
    if (DateText.isEmpty() || Picture1.hdc() == nullptr) return;
    const QFont font = ScreenFont(Controls.Label1.Font);
    const QPoint first(Twips::toPixels(Controls.Label1.Left - Controls.Image1.Left),
        Twips::toPixels(Controls.Label1.Top - Controls.Image1.Top));
    const QPoint second(Twips::toPixels(Controls.Label2.Left - Controls.Image1.Left),
        Twips::toPixels(Controls.Label2.Top - Controls.Image1.Top));
    const QColor firstColor = OleColor::toQColor(m_settings.DateColor1);
    const QColor secondColor = OleColor::toQColor(m_settings.DateColor2);
    const QString text = DateText;
    // Only the band of rows under the two texts is redrawn; the margin takes
    // in what the glyphs may stick out of their advance box.
    const QFontMetricsF metrics(font);
    const int margin = font.pixelSize();
    const QRect textBox = metrics.boundingRect(text).toAlignedRect().translated(0, qRound(metrics.ascent()));
    const QRect area
        = (textBox.translated(first) | textBox.translated(second)).adjusted(-margin, -margin, margin, margin);
    Picture1.hdc()->paint(
        [&](QPainter& painter) {
            painter.setFont(font);
            // The text's top-left corner at the position: the baseline lies
            // one ascent below it. Glyphs only, no background box.
            const qreal ascent = QFontMetricsF(font, painter.device()).ascent();
            painter.setPen(firstColor);
            painter.drawText(QPointF(first.x(), first.y() + ascent), text);
            painter.setPen(secondColor);
            painter.drawText(QPointF(second.x(), second.y() + ascent), text);
        },
        area);
}

void PhotoEngine::ApplyDateStyle()
{
    for (StampLabel* label : { &Controls.Label1, &Controls.Label2 }) {
        label->Font.setFamily(m_settings.DateFont);
        label->Font.setPointSizeF(m_settings.DateSize > 0 ? m_settings.DateSize : 1);
    }
    Controls.Label1.ForeColor = m_settings.DateColor1;
    Controls.Label2.ForeColor = m_settings.DateColor2;
    Controls.Label2.Top = Controls.Label1.Top + static_cast<float>(m_settings.DiffTop);
    Controls.Label2.Left = Controls.Label1.Left + static_cast<float>(m_settings.DiffLeft);
    // The name of the font actually obtained, as the label's font reports it.
    m_settings.DateFont = QFontInfo(Controls.Label1.Font).family();
}

QFont PhotoEngine::ScreenFont(const QFont& font)
{
    QFont screen = font;
    // Points to pixels at 96 dots per inch, rounded as the screen rounds.
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    screen.setPixelSize(std::max(1, static_cast<int>(std::floor(points * 96.0 / 72.0 + 0.5))));
    screen.setStyleStrategy(QFont::PreferAntialias);
    return screen;
}

QString PhotoEngine::SaveOutputs()
{
    const int32_t width = Picture1.Width();
    const int32_t height = Picture1.Height();
    if (Picture1.DIBSectionBitsPtr() == nullptr) {
        throw RuntimeError(mIntelJPEGLibrary::ErrorNumber, RuntimeError::sourceFor(QStringLiteral("mIntelJPEGLibrary")),
            QStringLiteral("Failed to save to JPG -1"), QStringLiteral("no photo is open"));
    }
    // The output keeps the photo's EXIF block, upright and at its new size,
    // and its colour profile, XMP and IPTC records as they are.
    JpegMetadata metadata = JpegMetadata::read(PhotoPath);
    metadata.exif = ExifReader::exifBlockFor(PhotoPath, width, height);
    EnsureFolder(QFileInfo(OutputPath).absolutePath());
    mIntelJPEGLibrary::SaveJPG(Picture1, OutputPath, m_settings.JpegQuality, metadata);
    QStringList notes = metadata.notes;

    if (!m_settings.ThumbShow) return notes.join(QLatin1Char('\n'));
    // The thumbnail keeps the output's proportions: the height rule when a
    // height is set, the width rule otherwise.
    double r = 0;
    if (m_settings.ThumbHeight != 0)
        r = static_cast<double>(height) / m_settings.ThumbHeight;
    else if (m_settings.ThumbWidth != 0)
        r = static_cast<double>(width) / m_settings.ThumbWidth;
    const double thumbWidth = r > 0 ? std::nearbyint(width / r) : 0;
    const double thumbHeight = r > 0 ? std::nearbyint(height / r) : 0;
    if (thumbWidth < 1 || thumbHeight < 1 || thumbWidth * thumbHeight > PixelSurface::MaxPixels) {
        notes << QStringLiteral(
            "No thumbnail was written for %1: the thumbnail size (height %2, width %3) gives no picture.")
                     .arg(QDir::toNativeSeparators(OutputPath))
                     .arg(m_settings.ThumbHeight)
                     .arg(m_settings.ThumbWidth);
        return notes.join(QLatin1Char('\n'));
    }
    std::unique_ptr<cDIBSection> thumbnail
        = Picture1.Resample(static_cast<int32_t>(thumbHeight), static_cast<int32_t>(thumbWidth));
    if (!thumbnail) throw std::bad_alloc();
    EnsureFolder(QFileInfo(ThumbnailPath).absolutePath());
    mIntelJPEGLibrary::SaveJPG(*thumbnail, ThumbnailPath, m_settings.JpegQuality, metadata.profileOnly());
    return notes.join(QLatin1Char('\n'));
}

QString PhotoEngine::FolderName(const QString& sPath, const QString& sSeparator)
{
    const qsizetype at = sPath.lastIndexOf(sSeparator);
    return at < 0 ? sPath : sPath.mid(at + sSeparator.size());
}

bool PhotoEngine::EnsureFolder(const QString& sPath)
{
    QString path = sPath;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return QDir().mkpath(path);
}

BatchReport PhotoEngine::BatchTransform(const QString& folder)
{
    BatchReport report;
    QStringList sources = PhotoFolder::subFolders(folder);
    if (sources.isEmpty()) sources << folder;

    // Everything to do, first, so that progress can say "n of N".
    struct Job {
        QString folder;
        QString name;
        QStringList photos;
    };
    QList<Job> jobs;
    for (const QString& source : sources) {
        const QString path = QDir::cleanPath(source);
        // The root folder's name is empty: its photos go straight below Images.
        const QString name = FolderName(path, QStringLiteral("/"));
        jobs.append({ path, name, PhotoFolder::photoNames(path) });
        report.total += static_cast<int>(jobs.last().photos.size());
    }

    const QString target = m_settings.TargetFolder;
    struct Item {
        QString path;
        QString folderName;
    };
    QList<Item> items;
    for (const Job& job : jobs) {
        EnsureFolder(target + QStringLiteral("/Images/") + job.name);
        EnsureFolder(target + QStringLiteral("/Miniatures/") + job.name);
        for (const QString& photo : job.photos)
            items.append({ QDir(job.folder).filePath(photo), job.name });
    }

    int done = 0;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString& path = items[i].path;
        if (!m_host->BatchStep(done, report.total, path)) {
            report.cancelled = true;
            m_prefetch.clear();
            return report;
        }
        // The next photo decodes on the other core meanwhile.
        if (i + 1 < items.size()) m_prefetch.start(items[i + 1].path);
        SetPhotoPaths(path, target, items[i].folderName);
        try {
            OpenPhoto();
            BuildWorkingImage();
            if (m_settings.BatchFilter) ProcessImage(m_settings.CurrentFilter);
            const QString note = SaveOutputs();
            for (const QString& text : { PhotoWarning(), note })
                if (!text.isEmpty()) report.notes << text;
            ++report.treated;
        } catch (const RuntimeError& error) {
            report.failures.append({ path, error.fullText() });
        } catch (const std::bad_alloc&) {
            report.failures.append({ path, QStringLiteral("there is not enough memory for this photo") });
        }
        ++done;
    }
    m_prefetch.clear(); // what a failed photo left behind
    m_host->BatchStep(done, report.total, QString());
    return report;
}

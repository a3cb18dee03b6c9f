#include "ui/frmDate.h"

#include "controls/BarColor.h"
#include "controls/PropertyBag.h"
#include "platform/ClockShift.h"
#include "platform/DateFormatter.h"
#include "platform/OleColor.h"
#include "platform/Twips.h"
#include "ui/DialogFont.h"
#include "ui/cOpen.h"
#include "workflow/PhotoEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>

#include <cmath>
#include <cstdlib>

namespace {

// The dialog as it was designed, in twips.
namespace Design {
constexpr TwipsRect Client { 0, 0, 7860, 4440 };
constexpr TwipsRect ClientWithPhoto { 0, 0, 13260, 4440 };
constexpr TwipsRect cmdFont { 120, 300, 1335, 315 };
constexpr TwipsRect lblColor01 { 1560, 120, 1200, 345 };
constexpr TwipsRect lblColor02 { 1560, 540, 1275, 345 };
constexpr TwipsRect Label1 { 3060, 360, 480, 195 };
constexpr TwipsRect cbFormat { 3660, 300, 4035, 315 };
constexpr TwipsRect Label2 { 120, 1200, 795, 195 };
constexpr TwipsRect slLeft { 960, 1200, 1635, 195 };
constexpr TwipsRect Label3 { 2700, 1200, 615, 195 };
constexpr TwipsRect slTop { 3360, 1200, 1635, 195 };
constexpr TwipsRect LBLdown { 840, 2160, 750, 345 };
constexpr TwipsRect lblUP { 840, 2580, 750, 345 };
// The stamp's options, below the previews, and the open photo beside them.
constexpr TwipsRect chkHeight { 120, 3135, 1500, 285 };
constexpr TwipsRect txtHeight { 1680, 3120, 2055, 315 };
constexpr TwipsRect lblAnchor { 4200, 3180, 615, 195 };
constexpr TwipsRect cbAnchor { 4860, 3120, 2835, 315 };
constexpr TwipsRect lblMargin { 4200, 3600, 615, 195 };
constexpr TwipsRect txtMargin { 4860, 3540, 2055, 315 };
constexpr TwipsRect lblShift { 120, 3600, 1500, 195 };
constexpr TwipsRect cbShiftSign { 1680, 3540, 555, 315 };
constexpr TwipsRect txtShiftHours { 2280, 3540, 960, 315 };
constexpr TwipsRect txtShiftMinutes { 3300, 3540, 840, 315 };
constexpr TwipsRect lblFallback { 120, 4020, 1500, 195 };
constexpr TwipsRect cbFallback { 1680, 3960, 2895, 315 };
constexpr TwipsRect picPhoto { 7920, 120, 5220, 4200 };
} // namespace Design

void setTextColor(QLabel* label, int32_t color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, OleColor::toQColor(static_cast<quint32>(color)));
    label->setPalette(palette);
}

// The offset bars: -10 to 10 pixels, yellow caption with its unit.
void setUpOffsetBar(BarColor* bar)
{
    const PropertyBag stored { { QStringLiteral("Caption"), QStringLiteral("0 px") },
        { QStringLiteral("Font"), DialogFont::sansSerif() }, { QStringLiteral("ForeColor"), 0xFFFFu },
        { QStringLiteral("Min"), QStringLiteral("-10") }, { QStringLiteral("Max"), QStringLiteral("10") },
        { QStringLiteral("Value"), QStringLiteral("0") }, { QStringLiteral("StrExtend"), QStringLiteral(" px") } };
    bar->ReadProperties(stored);
}

// Pixels on a bar are whole twips to the record, halves to even.
int32_t barTwips(const BarColor* bar)
{
    return static_cast<int32_t>(std::nearbyint(bar->Value().toDouble() * frmDate::TwipsPerPixel));
}

} // namespace

frmDate::frmDate(QWidget* owner, SettingsRecord& settings, PhotoEngine* photo)
    : QDialog(owner)
    , m_settings(settings)
    , m_photo(photo)
{
    setWindowTitle(tr("Date Pos/Style"));
    QFont windowFont(QStringLiteral("Comic Sans MS"));
    windowFont.setFamilies(
        { QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans") });
    windowFont.setPointSize(12);
    setFont(windowFont);
    // The stamp's options take a band below the previews, the open photo a
    // column on the right.
    resize(m_photo ? Design::ClientWithPhoto.pixelSize() : Design::Client.pixelSize());

    m_cbFormat = new QComboBox(this);
    m_cbFormat->setEditable(true);
    m_cbFormat->setInsertPolicy(QComboBox::NoInsert);
    m_cbFormat->setFont(DialogFont::sansSerif());
    m_cbFormat->setGeometry(Design::cbFormat.pixels());

    m_cmdFont = new QPushButton(tr("Change Font"), this);
    m_cmdFont->setFont(DialogFont::sansSerif());
    // Enter in the format field must not open the font picker.
    m_cmdFont->setAutoDefault(false);
    m_cmdFont->setGeometry(Design::cmdFont.pixels());

    m_lblColor01 = new QLabel(tr("Color ONE"), this);
    m_lblColor01->setGeometry(Design::lblColor01.pixels());
    m_lblColor02 = new QLabel(tr("Color TWO"), this);
    m_lblColor02->setGeometry(Design::lblColor02.pixels());
    for (QLabel* swatch : { m_lblColor01, m_lblColor02 }) {
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->installEventFilter(this);
    }

    auto* label1 = new QLabel(tr("Format"), this);
    label1->setFont(DialogFont::sansSerif());
    label1->setGeometry(Design::Label1.pixels());
    m_Label2 = new QLabel(tr("Horizontale"), this);
    m_Label2->setFont(DialogFont::sansSerif());
    m_Label2->setGeometry(Design::Label2.pixels());
    m_Label3 = new QLabel(tr("Verticale"), this);
    m_Label3->setFont(DialogFont::sansSerif());
    m_Label3->setGeometry(Design::Label3.pixels());
    // Captions show whole even where this system's font is a little wider.
    for (QLabel* caption : { label1, m_Label2, m_Label3 })
        caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());

    m_slLeft = new BarColor(this);
    setUpOffsetBar(m_slLeft);
    m_slLeft->setGeometry(Design::slLeft.pixels());
    m_slTop = new BarColor(this);
    setUpOffsetBar(m_slTop);
    m_slTop->setGeometry(Design::slTop.pixels());

    // The previews grow with their text; only their top-left corner is fixed.
    m_LBLdown = new QLabel(this);
    m_LBLdown->setGeometry(Design::LBLdown.pixels());
    m_lblUP = new QLabel(this);
    m_lblUP->setGeometry(Design::lblUP.pixels());
    m_lblUP->raise();

    buildStampOptions();

    setTabOrder(m_cbFormat, m_cmdFont);
    setTabOrder(m_cmdFont, m_slLeft);
    setTabOrder(m_slLeft, m_slTop);
    setTabOrder(m_slTop, m_chkHeight);
    m_cbFormat->setFocus();

    connect(m_cbFormat, &QComboBox::editTextChanged, this, &frmDate::refreshPreviewTexts);
    // A list entry chosen again after typing replaces the typed text too.
    connect(m_cbFormat, &QComboBox::activated, this, [this](int index) {
        m_cbFormat->setEditText(m_cbFormat->itemText(index));
        refreshPreviewTexts();
    });
    connect(m_cmdFont, &QPushButton::clicked, this, &frmDate::chooseFont);
    connect(m_slLeft, &BarColor::Change, this, [this] {
        m_settings.DiffLeft = barTwips(m_slLeft);
        UpdateOffsetPreview();
        refreshPhotoPreview();
    });
    connect(m_slTop, &BarColor::Change, this, [this] {
        m_settings.DiffTop = barTwips(m_slTop);
        UpdateOffsetPreview();
        refreshPhotoPreview();
    });

    // Load: the list, the format (which fills the previews), the offsets,
    // then the font and colours.
    m_cbFormat->addItems({ QStringLiteral("DD/MM/YY"), QStringLiteral("DD/MM/YYYY"), QStringLiteral("DD/MM/YY HH:MM"),
        QStringLiteral("DD/MM/YYYY HH:MM"), QStringLiteral("DD/MM/YY HH:MM:SS"), QStringLiteral("DD/MM/YYYY HH:MM:SS"),
        QStringLiteral("DDDD DD MMMM YYYY") });
    m_cbFormat->setEditText(m_settings.DateFormat);
    refreshPreviewTexts();
    UpdateOffsetPreview();
    m_slLeft->setValue(m_settings.DiffLeft / double(TwipsPerPixel));
    m_slTop->setValue(m_settings.DiffTop / double(TwipsPerPixel));

    m_font = m_LBLdown->font();
    m_font.setFamily(m_settings.DateFont);
    m_font.setPointSizeF(m_settings.DateSize > 0 ? m_settings.DateSize : 1);
    m_settings.dateStyle.applyTo(m_font);
    m_color1 = m_settings.DateColor1;
    m_color2 = m_settings.DateColor2;
    setTextColor(m_lblColor01, m_color1);
    setTextColor(m_lblColor02, m_color2);
    m_loaded = true;
    applyFontAndColors();
}

void frmDate::buildStampOptions()
{
    m_chkHeight = new QCheckBox(tr("Stamp height"), this);
    m_chkHeight->setGeometry(Design::chkHeight.pixels());
    m_txtHeight = new QDoubleSpinBox(this);
    m_txtHeight->setRange(mMain::MinStampHeightPercent, mMain::MaxStampHeightPercent);
    m_txtHeight->setDecimals(3);
    m_txtHeight->setSingleStep(0.5);
    m_txtHeight->setSuffix(tr(" % of the photo"));
    m_txtHeight->setGeometry(Design::txtHeight.pixels());

    auto* lblAnchor = new QLabel(tr("Anchor"), this);
    lblAnchor->setGeometry(Design::lblAnchor.pixels());
    m_cbAnchor = new QComboBox(this);
    m_cbAnchor->addItem(tr("where it is dragged"), int(StampAnchoring::Place::None));
    for (const QString& name : StampAnchoring::placeNames())
        m_cbAnchor->addItem(QCoreApplication::translate("StampAnchoring", name.toLatin1().constData()),
            int(*StampAnchoring::placeNamed(name)));
    m_cbAnchor->setGeometry(Design::cbAnchor.pixels());

    auto* lblMargin = new QLabel(tr("Margin"), this);
    lblMargin->setGeometry(Design::lblMargin.pixels());
    m_txtMargin = new QDoubleSpinBox(this);
    m_txtMargin->setRange(0, mMain::MaxAnchorPercent);
    m_txtMargin->setDecimals(3);
    m_txtMargin->setSingleStep(0.5);
    m_txtMargin->setSuffix(tr(" % of the photo"));
    m_txtMargin->setGeometry(Design::txtMargin.pixels());

    auto* lblShift = new QLabel(tr("Clock shift"), this);
    lblShift->setGeometry(Design::lblShift.pixels());
    m_cbShiftSign = new QComboBox(this);
    m_cbShiftSign->addItems({ QStringLiteral("+"), QStringLiteral("-") });
    m_cbShiftSign->setGeometry(Design::cbShiftSign.pixels());
    m_txtShiftHours = new QSpinBox(this);
    m_txtShiftHours->setRange(0, ClockShift::MaxHours);
    m_txtShiftHours->setSuffix(tr(" h"));
    m_txtShiftHours->setGeometry(Design::txtShiftHours.pixels());
    m_txtShiftMinutes = new QSpinBox(this);
    m_txtShiftMinutes->setRange(0, 59);
    m_txtShiftMinutes->setSuffix(tr(" min"));
    m_txtShiftMinutes->setGeometry(Design::txtShiftMinutes.pixels());

    auto* lblFallback = new QLabel(tr("No EXIF date"), this);
    lblFallback->setGeometry(Design::lblFallback.pixels());
    m_cbFallback = new QComboBox(this);
    m_cbFallback->addItems({ tr("no stamp"), tr("the file's modification time") });
    m_cbFallback->setGeometry(Design::cbFallback.pixels());

    m_picPhoto = new QLabel(this);
    m_picPhoto->setAlignment(Qt::AlignCenter);
    m_picPhoto->setGeometry(Design::picPhoto.pixels());
    m_picPhoto->setVisible(m_photo != nullptr);

    for (QWidget* control :
        std::initializer_list<QWidget*> { m_chkHeight, m_txtHeight, lblAnchor, m_cbAnchor, lblMargin, m_txtMargin,
            lblShift, m_cbShiftSign, m_txtShiftHours, m_txtShiftMinutes, lblFallback, m_cbFallback })
        control->setFont(DialogFont::sansSerif());

    // From the record.
    const bool sized = m_settings.StampHeightPercent > 0;
    m_chkHeight->setChecked(sized);
    m_txtHeight->setValue(sized ? m_settings.StampHeightPercent : 4);
    m_txtHeight->setEnabled(sized);
    m_shownHeight = m_txtHeight->value();
    m_cbAnchor->setCurrentIndex(m_cbAnchor->findData(int(m_settings.Anchoring.place)));
    m_txtMargin->setValue(m_settings.Anchoring.marginPercent);
    m_txtMargin->setEnabled(m_settings.Anchoring.place != StampAnchoring::Place::None);
    m_shownMargin = m_txtMargin->value();
    const int32_t shift = std::abs(m_settings.ShiftMinutes);
    m_cbShiftSign->setCurrentIndex(m_settings.ShiftMinutes < 0 ? 1 : 0);
    m_txtShiftHours->setValue(shift / 60);
    m_txtShiftMinutes->setValue(shift % 60);
    m_cbFallback->setCurrentIndex(m_settings.FileDateFallback ? 1 : 0);

    // Every change shows at once in the previews.
    const auto refresh = [this] { refreshPreviewTexts(); };
    connect(m_chkHeight, &QCheckBox::toggled, this, [this, refresh](bool on) {
        m_txtHeight->setEnabled(on);
        refresh();
    });
    connect(m_cbAnchor, &QComboBox::currentIndexChanged, this, [this, refresh] {
        m_txtMargin->setEnabled(m_cbAnchor->currentData().toInt() != int(StampAnchoring::Place::None));
        refresh();
    });
    for (QDoubleSpinBox* box : { m_txtHeight, m_txtMargin })
        connect(box, &QDoubleSpinBox::valueChanged, this, refresh);
    for (QSpinBox* box : { m_txtShiftHours, m_txtShiftMinutes })
        connect(box, &QSpinBox::valueChanged, this, refresh);
    for (QComboBox* box : { m_cbShiftSign, m_cbFallback })
        connect(box, &QComboBox::currentIndexChanged, this, refresh);
}

SettingsRecord frmDate::shownSettings() const
{
    SettingsRecord shown = m_settings;
    shown.DateFormat = m_cbFormat->currentText();
    shown.DateColor1 = m_color1;
    shown.DateColor2 = m_color2;
    // A box left at its first value keeps the record's value itself.
    const auto percent = [](const QDoubleSpinBox* box, double first, double stored) {
        return box->value() == first ? stored : box->value();
    };
    shown.StampHeightPercent = !m_chkHeight->isChecked() ? 0
        : m_settings.StampHeightPercent > 0 ? percent(m_txtHeight, m_shownHeight, m_settings.StampHeightPercent)
                                            : m_txtHeight->value();
    const auto place = static_cast<StampAnchoring::Place>(m_cbAnchor->currentData().toInt());
    if (place == StampAnchoring::Place::None) {
        shown.Anchoring = StampAnchoring();
    } else {
        // Another place starts on its own lines; the same place keeps the
        // offsets a drag gave it.
        const bool samePlace = place == m_settings.Anchoring.place;
        shown.Anchoring.place = place;
        shown.Anchoring.marginPercent = percent(m_txtMargin, m_shownMargin, m_settings.Anchoring.marginPercent);
        shown.Anchoring.offsetXPercent = samePlace ? m_settings.Anchoring.offsetXPercent : 0;
        shown.Anchoring.offsetYPercent = samePlace ? m_settings.Anchoring.offsetYPercent : 0;
    }
    const int32_t shift = m_txtShiftHours->value() * 60 + m_txtShiftMinutes->value();
    shown.ShiftMinutes = m_cbShiftSign->currentIndex() == 1 ? -shift : shift;
    shown.FileDateFallback = m_cbFallback->currentIndex() == 1;
    return shown;
}

StampPlacement frmDate::shownStamp() const
{
    // The open photo's stamp labels, in the font chosen here.
    PhotoControls controls = m_photo->Controls();
    const SettingsRecord shown = shownSettings();
    controls.Label1.Font = m_font;
    controls.Label2.Font = m_font;
    controls.Label2.Left = controls.Label1.Left + static_cast<float>(shown.DiffLeft);
    controls.Label2.Top = controls.Label1.Top + static_cast<float>(shown.DiffTop);
    return StampPlacement::FromControls(shown, controls);
}

void frmDate::refreshPhotoPreview()
{
    if (!m_photo || !m_loaded) return;
    const PhotoState& photo = m_photo->Photo();
    if (!m_photoBase) {
        // The working image as it is, effects included, once it is built;
        // before that the photo at the size it will have.
        if (photo.WorkReady() && photo.WorkImage().hdc()) {
            const PixelSurface& work = *photo.WorkImage().hdc();
            m_photoBase = PixelSurface::create(work.width(), work.height());
            if (m_photoBase)
                PixelSurface::bitBlt(
                    *m_photoBase, 0, 0, work.width(), work.height(), work, 0, 0, PixelSurface::SRCCOPY);
        } else {
            const QSize size = PhotoState::WorkingSize(photo.PhotoSize(), m_settings.PreviewScale);
            const QImage picture = m_photo->PreviewPicture(size);
            if (!picture.isNull()) {
                m_photoBase = PixelSurface::create(size.width(), size.height());
                if (m_photoBase)
                    m_photoBase->copyFrom(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            }
        }
        if (!m_photoBase) return;
    }
    cDIBSection canvas;
    canvas.CreateFromPicture(*m_photoBase);
    if (!canvas.hdc()) return;
    const StampPlacement stamp = shownStamp();
    stamp.Print(canvas, stamp.DateFor(photo.exifRecord(), photo.PhotoPath()).text);
    m_picPhoto->setPixmap(QPixmap::fromImage(
        canvas.hdc()->toImage().scaled(m_picPhoto->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

frmDate::~frmDate()
{
    // A dialog destroyed without being closed still keeps what it showed.
    if (!m_unloaded) unload();
}

void frmDate::UpdateOffsetPreview()
{
    const QPoint down = m_LBLdown->pos();
    m_lblUP->move(Twips::toPixels(down.x() * double(TwipsPerPixel) + m_settings.DiffLeft),
        Twips::toPixels(down.y() * double(TwipsPerPixel) + m_settings.DiffTop));
}

void frmDate::refreshPreviewTexts()
{
    // The open photo's date, else the present moment.
    const QString text = m_photo
        ? shownStamp().DateFor(m_photo->Photo().exifRecord(), m_photo->Photo().PhotoPath()).text
        : DateFormatter::format(QDateTime::currentDateTime(), m_cbFormat->currentText());
    for (QLabel* label : { m_lblUP, m_LBLdown }) {
        label->setText(text);
        label->adjustSize();
    }
    refreshPhotoPreview();
}

void frmDate::applyFontAndColors()
{
    for (QLabel* label : { m_LBLdown, m_lblUP }) {
        label->setFont(m_font);
        label->adjustSize();
    }
    // The swatches' colours win over anything the font picker reported.
    setTextColor(m_LBLdown, m_color1);
    setTextColor(m_lblUP, m_color2);
    refreshPhotoPreview();
}

void frmDate::chooseColor(int which)
{
    const int32_t color = cOpen::shared().ShowColor();
    // A cancelled picker answers -1, which is no colour: keep the old one.
    if (color == -1) return;
    if (which == 1) {
        m_color1 = color;
        setTextColor(m_lblColor01, color);
        setTextColor(m_LBLdown, color);
    } else {
        m_color2 = color;
        setTextColor(m_lblColor02, color);
        setTextColor(m_lblUP, color);
    }
    refreshPhotoPreview();
}

void frmDate::chooseFont()
{
    cOpen::shared().VBChooseFont(m_font);
    applyFontAndColors();
}

bool frmDate::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_lblColor01 || watched == m_lblColor02) && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton
            && static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
            chooseColor(watched == m_lblColor01 ? 1 : 2);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmDate::done(int result)
{
    if (!m_unloaded) unload();
    QDialog::done(result);
}

void frmDate::unload()
{
    m_unloaded = true;
    const SettingsRecord shown = shownSettings();
    m_settings.StampHeightPercent = shown.StampHeightPercent;
    m_settings.Anchoring = shown.Anchoring;
    m_settings.ShiftMinutes = shown.ShiftMinutes;
    m_settings.FileDateFallback = shown.FileDateFallback;
    m_settings.DateFormat = m_cbFormat->currentText();
    m_settings.DateColor1 = m_color1;
    m_settings.DateColor2 = m_color2;
    // The size goes through four decimals, then to a whole number, halves to
    // even both times: 10.5 points gives 10, 11.5 gives 12.
    const double size = std::nearbyint(m_font.pointSizeF() * 10000.0) / 10000.0;
    m_settings.DateSize = static_cast<int32_t>(std::nearbyint(size));
    m_settings.DateFont = m_font.family();
    m_settings.dateStyle = StampFontStyle::of(m_font);
    emit Unloaded(m_font);
}

#include "ui/frmDate.h"

#include "controls/BarColor.h"
#include "controls/PropertyBag.h"
#include "platform/ClockShift.h"
#include "platform/DateFormatter.h"
#include "platform/OleColor.h"
#include "platform/Twips.h"
#include "ui/DesignSize.h"
#include "ui/DialogFont.h"
#include "ui/cOpen.h"
#include "workflow/PhotoEngine.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace {

// The dialog as it was designed, in twips. Each control gets at least its
// design size; the format field, the anchoring list, the previews and the
// open photo take what the dialog gains.
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
// Around the controls, as around the font button and the first swatch.
constexpr int Margin = 120;
// The previews' band, between the offset bars and the stamp options, across
// the dialog. The lower preview keeps its place in it; the band grows when
// a large font needs it.
constexpr TwipsRect previews { Margin, slLeft.top + slLeft.height, cbFormat.left + cbFormat.width - Margin,
    chkHeight.top - (slLeft.top + slLeft.height) };
} // namespace Design

int px(int twips)
{
    return Twips::toPixels(twips);
}

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

    m_cbFormat = new QComboBox(this);
    m_cbFormat->setEditable(true);
    m_cbFormat->setInsertPolicy(QComboBox::NoInsert);
    m_cbFormat->setFont(DialogFont::sansSerif());

    m_cmdFont = new QPushButton(tr("Change Font"), this);
    m_cmdFont->setFont(DialogFont::sansSerif());
    // Enter in the format field must not open the font picker.
    m_cmdFont->setAutoDefault(false);

    m_lblColor01 = new QLabel(tr("Color ONE"), this);
    m_lblColor02 = new QLabel(tr("Color TWO"), this);
    for (QLabel* swatch : { m_lblColor01, m_lblColor02 }) {
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->installEventFilter(this);
    }

    auto* label1 = new QLabel(tr("Format"), this);
    label1->setFont(DialogFont::sansSerif());
    m_Label2 = new QLabel(tr("Horizontale"), this);
    m_Label2->setFont(DialogFont::sansSerif());
    m_Label3 = new QLabel(tr("Verticale"), this);
    m_Label3->setFont(DialogFont::sansSerif());

    m_slLeft = new BarColor(this);
    setUpOffsetBar(m_slLeft);
    m_slTop = new BarColor(this);
    setUpOffsetBar(m_slTop);

    // The previews grow with their text; only the lower one's top-left
    // corner is fixed, in a band of their own, and the upper one sits at
    // the offsets from it.
    m_previewArea = new QWidget(this);
    m_LBLdown = new QLabel(m_previewArea);
    m_LBLdown->move(px(Design::LBLdown.left - Design::previews.left), px(Design::LBLdown.top - Design::previews.top));
    m_lblUP = new QLabel(m_previewArea);
    m_lblUP->raise();

    auto* styleRow = new QHBoxLayout;
    styleRow->setSpacing(0);
    styleRow->addWidget(m_cmdFont, 0, Qt::AlignVCenter);
    styleRow->addSpacing(px(Design::lblColor01.left - Design::cmdFont.right()));
    auto* swatches = new QVBoxLayout;
    swatches->setSpacing(px(Design::lblColor02.top - Design::lblColor01.bottom()));
    swatches->addWidget(m_lblColor01);
    swatches->addWidget(m_lblColor02);
    styleRow->addLayout(swatches);
    styleRow->addSpacing(px(Design::Label1.left - Design::lblColor02.right()));
    styleRow->addWidget(label1, 0, Qt::AlignVCenter);
    styleRow->addSpacing(px(Design::cbFormat.left - Design::Label1.right()));
    styleRow->addWidget(m_cbFormat, 1, Qt::AlignVCenter);

    auto* offsetRow = new QHBoxLayout;
    offsetRow->setSpacing(0);
    offsetRow->addWidget(m_Label2);
    offsetRow->addSpacing(px(Design::slLeft.left - Design::Label2.right()));
    offsetRow->addWidget(m_slLeft);
    offsetRow->addSpacing(px(Design::Label3.left - Design::slLeft.right()));
    offsetRow->addWidget(m_Label3);
    offsetRow->addSpacing(px(Design::slTop.left - Design::Label3.right()));
    offsetRow->addWidget(m_slTop);
    offsetRow->addStretch(1);

    // The style, the offsets, the previews (which take what height the
    // dialog gains) and the stamp's options; the open photo on the right.
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    column->addLayout(styleRow);
    column->addSpacing(px(Design::slLeft.top - Design::lblColor02.bottom()));
    column->addLayout(offsetRow);
    column->addWidget(m_previewArea, 1);
    column->addLayout(buildStampOptions());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(px(Design::Margin), px(Design::Margin), px(Design::Margin), px(Design::Margin));
    layout->setSpacing(px(Design::picPhoto.left - Design::cbFormat.right()));
    layout->addLayout(column);
    layout->addWidget(m_picPhoto, 1);

    const std::pair<QWidget*, TwipsRect> designed[]
        = { { m_cmdFont, Design::cmdFont }, { m_lblColor01, Design::lblColor01 }, { m_lblColor02, Design::lblColor02 },
              { label1, Design::Label1 }, { m_cbFormat, Design::cbFormat }, { m_Label2, Design::Label2 },
              { m_slLeft, Design::slLeft }, { m_Label3, Design::Label3 }, { m_slTop, Design::slTop },
              { m_previewArea, Design::previews }, { m_picPhoto, Design::picPhoto } };
    for (const auto& [control, design] : designed)
        DesignSize::setMinimum(control, design);
    // The photo is drawn to the size it is given, not the other way round.
    m_picPhoto->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_picPhoto->installEventFilter(this);

    // In the order the controls are seen, from the format field, where the
    // focus starts.
    QWidget* const tabOrder[] = { m_cbFormat, m_slLeft, m_slTop, m_chkHeight, m_txtHeight, m_cbAnchor, m_cbShiftSign,
        m_txtShiftHours, m_txtShiftMinutes, m_txtMargin, m_cbFallback, m_cmdFont };
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
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
    resize(sizeHint().expandedTo(m_photo ? Design::ClientWithPhoto.pixelSize() : Design::Client.pixelSize()));
}

QGridLayout* frmDate::buildStampOptions()
{
    m_chkHeight = new QCheckBox(tr("Stamp height"), this);
    m_txtHeight = new QDoubleSpinBox(this);
    m_txtHeight->setRange(mMain::MinStampHeightPercent, mMain::MaxStampHeightPercent);
    m_txtHeight->setDecimals(3);
    m_txtHeight->setSingleStep(0.5);
    m_txtHeight->setSuffix(tr(" % of the photo"));

    auto* lblAnchor = new QLabel(tr("Anchor"), this);
    m_cbAnchor = new QComboBox(this);
    m_cbAnchor->addItem(tr("where it is dragged"), int(StampAnchoring::Place::None));
    for (const QString& name : StampAnchoring::placeNames())
        m_cbAnchor->addItem(QCoreApplication::translate("StampAnchoring", name.toLatin1().constData()),
            int(*StampAnchoring::placeNamed(name)));

    auto* lblMargin = new QLabel(tr("Margin"), this);
    m_txtMargin = new QDoubleSpinBox(this);
    m_txtMargin->setRange(0, mMain::MaxAnchorPercent);
    m_txtMargin->setDecimals(3);
    m_txtMargin->setSingleStep(0.5);
    m_txtMargin->setSuffix(tr(" % of the photo"));

    auto* lblShift = new QLabel(tr("Clock shift"), this);
    m_cbShiftSign = new QComboBox(this);
    m_cbShiftSign->addItems({ QStringLiteral("+"), QStringLiteral("-") });
    m_txtShiftHours = new QSpinBox(this);
    m_txtShiftHours->setRange(0, ClockShift::MaxHours);
    m_txtShiftHours->setSuffix(tr(" h"));
    m_txtShiftMinutes = new QSpinBox(this);
    m_txtShiftMinutes->setRange(0, 59);
    m_txtShiftMinutes->setSuffix(tr(" min"));

    auto* lblFallback = new QLabel(tr("No EXIF date"), this);
    m_cbFallback = new QComboBox(this);
    m_cbFallback->addItems({ tr("no stamp"), tr("the file's modification time") });

    m_picPhoto = new QLabel(this);
    m_picPhoto->setAlignment(Qt::AlignCenter);
    m_picPhoto->setVisible(m_photo != nullptr);

    for (QWidget* control :
        std::initializer_list<QWidget*> { m_chkHeight, m_txtHeight, lblAnchor, m_cbAnchor, lblMargin, m_txtMargin,
            lblShift, m_cbShiftSign, m_txtShiftHours, m_txtShiftMinutes, lblFallback, m_cbFallback })
        control->setFont(DialogFont::sansSerif());

    // Three rows of caption, control(s), caption, control; the anchoring
    // list takes what the dialog gains in width, the others their own.
    auto* shiftRow = new QHBoxLayout;
    shiftRow->setSpacing(0);
    shiftRow->addWidget(m_cbShiftSign);
    shiftRow->addSpacing(px(Design::txtShiftHours.left - Design::cbShiftSign.right()));
    shiftRow->addWidget(m_txtShiftHours);
    shiftRow->addSpacing(px(Design::txtShiftMinutes.left - Design::txtShiftHours.right()));
    shiftRow->addWidget(m_txtShiftMinutes);
    shiftRow->addStretch(1);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(px(Design::txtHeight.left - Design::chkHeight.right()));
    grid->setVerticalSpacing(px(Design::txtShiftHours.top - Design::txtHeight.bottom()));
    grid->addWidget(m_chkHeight, 0, 0);
    grid->addWidget(m_txtHeight, 0, 1, Qt::AlignLeft);
    grid->addWidget(lblAnchor, 0, 2);
    grid->addWidget(m_cbAnchor, 0, 3);
    grid->addWidget(lblShift, 1, 0);
    grid->addLayout(shiftRow, 1, 1);
    grid->addWidget(lblMargin, 1, 2);
    grid->addWidget(m_txtMargin, 1, 3, Qt::AlignLeft);
    grid->addWidget(lblFallback, 2, 0);
    grid->addWidget(m_cbFallback, 2, 1, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    const std::pair<QWidget*, TwipsRect> designed[]
        = { { m_chkHeight, Design::chkHeight }, { m_txtHeight, Design::txtHeight }, { lblAnchor, Design::lblAnchor },
              { m_cbAnchor, Design::cbAnchor }, { lblMargin, Design::lblMargin }, { m_txtMargin, Design::txtMargin },
              { lblShift, Design::lblShift }, { m_cbShiftSign, Design::cbShiftSign },
              { m_txtShiftHours, Design::txtShiftHours }, { m_txtShiftMinutes, Design::txtShiftMinutes },
              { lblFallback, Design::lblFallback }, { m_cbFallback, Design::cbFallback } };
    for (const auto& [control, design] : designed)
        DesignSize::setMinimum(control, design);

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
    return grid;
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
    // The open photo's stamp, in the font chosen here.
    return StampPlacement::fromSettings(shownSettings(), m_photo->stampPosition(), m_font);
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
    fitPreviewArea();
    refreshPhotoPreview();
}

void frmDate::applyFontAndColors()
{
    for (QLabel* label : { m_LBLdown, m_lblUP }) {
        label->setFont(m_font);
        label->adjustSize();
    }
    fitPreviewArea();
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

void frmDate::fitPreviewArea()
{
    // Room for the lower preview at its place and the upper one as far as
    // the bars can move it.
    const int reach = static_cast<int>(std::lround(m_slLeft->Max().toDouble())) + 1;
    const QSize needed(m_LBLdown->x() + std::max(m_LBLdown->width(), m_lblUP->width()) + reach,
        m_LBLdown->y() + std::max(m_LBLdown->height(), m_lblUP->height()) + reach);
    m_previewArea->setMinimumSize(Design::previews.pixelSize().expandedTo(needed));
}

bool frmDate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picPhoto && event->type() == QEvent::Resize) refreshPhotoPreview();
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

#include "ui/DateStyleDialog.h"

#include "controls/PropertyBag.h"
#include "controls/ValueBar.h"
#include "platform/BgrColor.h"
#include "platform/ClockShift.h"
#include "platform/DateFormatter.h"
#include "platform/Twips.h"
#include "ui/DesignSize.h"
#include "ui/DialogFont.h"
#include "ui/FormatHelpDialog.h"
#include "ui/ScreenFit.h"
#include "ui/StampLookBox.h"
#include "ui/StampTemplateBox.h"
#include "ui/StandardDialogs.h"
#include "workflow/PhotoEngine.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
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
constexpr TwipsRect fontButton { 120, 300, 1335, 315 };
constexpr TwipsRect color1Swatch { 1560, 120, 1200, 345 };
constexpr TwipsRect color2Swatch { 1560, 540, 1275, 345 };
constexpr TwipsRect formatCaption { 3060, 360, 480, 195 };
constexpr TwipsRect formatCombo { 3660, 300, 4035, 315 };
constexpr TwipsRect horizontalCaption { 120, 1200, 795, 195 };
constexpr TwipsRect horizontalBar { 960, 1200, 1635, 195 };
constexpr TwipsRect verticalCaption { 2700, 1200, 615, 195 };
constexpr TwipsRect verticalBar { 3360, 1200, 1635, 195 };
constexpr TwipsRect previewLower { 840, 2160, 750, 345 };
// The stamp's options, below the previews, and the open photo beside them.
constexpr TwipsRect relativeHeightCheck { 120, 3135, 1500, 285 };
constexpr TwipsRect heightSpin { 1680, 3120, 2055, 315 };
constexpr TwipsRect lblAnchor { 4200, 3180, 615, 195 };
constexpr TwipsRect anchorCombo { 4860, 3120, 2835, 315 };
constexpr TwipsRect lblMargin { 4200, 3600, 615, 195 };
constexpr TwipsRect marginSpin { 4860, 3540, 2055, 315 };
constexpr TwipsRect lblShift { 120, 3600, 1500, 195 };
constexpr TwipsRect shiftSignCombo { 1680, 3540, 555, 315 };
constexpr TwipsRect shiftHoursSpin { 2280, 3540, 960, 315 };
constexpr TwipsRect shiftMinutesSpin { 3300, 3540, 840, 315 };
constexpr TwipsRect lblFallback { 120, 4020, 1500, 195 };
constexpr TwipsRect fallbackCombo { 1680, 3960, 2895, 315 };
constexpr TwipsRect photoPreview { 7920, 120, 5220, 4200 };
// Around the controls, as around the font button and the first swatch.
constexpr int Margin = 120;
// The previews' band, between the offset bars and the stamp options, across
// the dialog. The lower preview keeps its place in it; the band grows when
// a large font needs it.
constexpr TwipsRect previews { Margin, horizontalBar.top + horizontalBar.height,
    formatCombo.left + formatCombo.width - Margin,
    relativeHeightCheck.top - (horizontalBar.top + horizontalBar.height) };
} // namespace Design

int px(int twips)
{
    return Twips::toPixels(twips);
}

void setTextColor(QLabel* label, int32_t color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, BgrColor::toQColor(static_cast<quint32>(color)));
    label->setPalette(palette);
}

// The offset bars: -10 to 10 pixels, a black caption with its unit. Near
// 0 the bar is mostly unfilled, where a yellow one could hardly be read.
void setUpOffsetBar(ValueBar* bar)
{
    const PropertyBag stored { { QStringLiteral("Caption"), QStringLiteral("0 px") },
        { QStringLiteral("Font"), DialogFont::sansSerif() }, { QStringLiteral("ForeColor"), 0u },
        { QStringLiteral("Min"), QStringLiteral("-10") }, { QStringLiteral("Max"), QStringLiteral("10") },
        { QStringLiteral("Value"), QStringLiteral("0") }, { QStringLiteral("StrExtend"), QStringLiteral(" px") } };
    bar->readProperties(stored);
}

// Pixels on a bar are whole twips to the record, halves to even.
int32_t barTwips(const ValueBar* bar)
{
    return static_cast<int32_t>(std::nearbyint(bar->value().toDouble() * DateStyleDialog::TwipsPerPixel));
}

} // namespace

DateStyleDialog::DateStyleDialog(QWidget* owner, Settings& settings, PhotoEngine* photo)
    : QDialog(owner)
    , m_settings(settings)
    , m_opening(settings)
    , m_photo(photo)
{
    setWindowTitle(tr("Date Position and Style"));
    QFont windowFont(QStringLiteral("Comic Sans MS"));
    windowFont.setFamilies(
        { QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans") });
    windowFont.setPointSize(12);
    setFont(windowFont);

    m_formatCombo = new QComboBox(this);
    m_formatCombo->setEditable(true);
    m_formatCombo->setInsertPolicy(QComboBox::NoInsert);
    m_formatCombo->setFont(DialogFont::sansSerif());

    m_fontButton = new QPushButton(tr("Change Font"), this);
    m_fontButton->setFont(DialogFont::sansSerif());
    // Enter in the format field must not open the font picker.
    m_fontButton->setAutoDefault(false);

    // Buttons, so that Tab reaches them and Space or Enter opens the
    // picker; each shows its colour as a swatch beside its caption.
    m_color1Swatch = new QPushButton(tr("Color ONE"), this);
    m_color2Swatch = new QPushButton(tr("Color TWO"), this);
    for (QPushButton* swatch : { m_color1Swatch, m_color2Swatch })
        swatch->setFont(DialogFont::sansSerif());
    connect(m_color1Swatch, &QPushButton::clicked, this, [this] { chooseColor(1); });
    connect(m_color2Swatch, &QPushButton::clicked, this, [this] { chooseColor(2); });

    auto* label1 = new QLabel(tr("Format"), this);
    label1->setFont(DialogFont::sansSerif());
    m_horizontalCaption = new QLabel(tr("Horizontal"), this);
    m_horizontalCaption->setFont(DialogFont::sansSerif());
    m_verticalCaption = new QLabel(tr("Vertical"), this);
    m_verticalCaption->setFont(DialogFont::sansSerif());

    m_horizontalBar = new ValueBar(this);
    setUpOffsetBar(m_horizontalBar);
    m_verticalBar = new ValueBar(this);
    setUpOffsetBar(m_verticalBar);

    // The previews grow with their text; only the lower one's top-left
    // corner is fixed, in a band of their own, and the upper one sits at
    // the offsets from it.
    m_previewArea = new QWidget(this);
    m_previewLower = new QLabel(m_previewArea);
    m_previewLower->move(
        px(Design::previewLower.left - Design::previews.left), px(Design::previewLower.top - Design::previews.top));
    m_previewUpper = new QLabel(m_previewArea);
    m_previewUpper->raise();

    auto* styleRow = new QHBoxLayout;
    styleRow->setSpacing(0);
    styleRow->addWidget(m_fontButton, 0, Qt::AlignVCenter);
    styleRow->addSpacing(px(Design::color1Swatch.left - Design::fontButton.right()));
    auto* swatches = new QVBoxLayout;
    swatches->setSpacing(px(Design::color2Swatch.top - Design::color1Swatch.bottom()));
    swatches->addWidget(m_color1Swatch);
    swatches->addWidget(m_color2Swatch);
    styleRow->addLayout(swatches);
    styleRow->addSpacing(px(Design::formatCaption.left - Design::color2Swatch.right()));
    styleRow->addWidget(label1, 0, Qt::AlignVCenter);
    styleRow->addSpacing(px(Design::formatCombo.left - Design::formatCaption.right()));
    styleRow->addWidget(m_formatCombo, 1, Qt::AlignVCenter);

    // The bars show the upper text's offset from the lower one, its shadow
    // (the command line's --offset is the shadow's from the text).
    auto* offsetCaption = new QLabel(tr("Text offset from its shadow:"), this);
    offsetCaption->setFont(DialogFont::sansSerif());
    auto* offsetRow = new QHBoxLayout;
    offsetRow->setSpacing(0);
    offsetRow->addWidget(offsetCaption);
    offsetRow->addSpacing(px(Design::Margin));
    offsetRow->addWidget(m_horizontalCaption);
    offsetRow->addSpacing(px(Design::horizontalBar.left - Design::horizontalCaption.right()));
    offsetRow->addWidget(m_horizontalBar);
    offsetRow->addSpacing(px(Design::verticalCaption.left - Design::horizontalBar.right()));
    offsetRow->addWidget(m_verticalCaption);
    offsetRow->addSpacing(px(Design::verticalBar.left - Design::verticalCaption.right()));
    offsetRow->addWidget(m_verticalBar);
    offsetRow->addStretch(1);

    // The style, the offsets, the previews (which take what height the
    // dialog gains) and the stamp's options; the open photo on the right.
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    column->addLayout(styleRow);
    column->addSpacing(px(Design::horizontalBar.top - Design::color2Swatch.bottom()));
    column->addLayout(offsetRow);
    column->addWidget(m_previewArea, 1);
    column->addLayout(buildStampOptions());
    m_lookBox = new StampLookBox(m_settings, this);
    column->addWidget(m_lookBox);
    m_templateBox = new StampTemplateBox(m_settings.stampTemplate, this);
    column->addWidget(m_templateBox);
    auto* layout = new QHBoxLayout;
    layout->setSpacing(px(Design::photoPreview.left - Design::formatCombo.right()));
    layout->addLayout(column);
    layout->addWidget(m_photoPreview, 1);

    // The page on the format's tokens on the left, OK and Cancel on the
    // right, under everything.
    m_formatHelpButton = new QPushButton(tr("Format help"), this);
    m_formatHelpButton->setFont(DialogFont::sansSerif());
    m_formatHelpButton->setAutoDefault(false);
    connect(m_formatHelpButton, &QPushButton::clicked, this, [this] { FormatHelpDialog::showFor(this); });
    m_buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttonBox->setFont(DialogFont::sansSerif());
    // Enter in the format field or a box is OK.
    m_buttonBox->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_formatHelpButton);
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_buttonBox);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(px(Design::Margin), px(Design::Margin), px(Design::Margin), px(Design::Margin));
    outer->setSpacing(px(Design::Margin));
    outer->addLayout(layout, 1);
    outer->addLayout(buttonRow);

    const std::pair<QWidget*, TwipsRect> designed[]
        = { { m_fontButton, Design::fontButton }, { m_color1Swatch, Design::color1Swatch },
              { m_color2Swatch, Design::color2Swatch }, { label1, Design::formatCaption },
              { m_formatCombo, Design::formatCombo }, { m_horizontalCaption, Design::horizontalCaption },
              { m_horizontalBar, Design::horizontalBar }, { m_verticalCaption, Design::verticalCaption },
              { m_verticalBar, Design::verticalBar }, { m_previewArea, Design::previews } };
    for (const auto& [control, design] : designed)
        DesignSize::setMinimum(control, design);
    // The open photo has its design size where the screen has room for it
    // (the dialog opens at its design size) and gives way first on a small
    // screen.
    m_photoPreview->setMinimumSize(Design::photoPreview.pixelSize() / 4);
    // The photo is drawn to the size it is given, not the other way round.
    m_photoPreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_photoPreview->installEventFilter(this);

    // In the order the controls are seen, from the format field, where the
    // focus starts.
    QWidget* const tabOrder[] = { m_formatCombo, m_horizontalBar, m_verticalBar, m_relativeHeightCheck, m_heightSpin,
        m_anchorCombo, m_shiftSignCombo, m_shiftHoursSpin, m_shiftMinutesSpin, m_marginSpin, m_fallbackCombo,
        m_templateBox->editor(), m_templateBox->fieldButton(), m_formatHelpButton, m_fontButton, m_color1Swatch,
        m_color2Swatch };
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    // OK and Cancel after the help, in the order this desktop places them.
    QWidget* previous = m_formatHelpButton;
    for (int i = 0; i < m_buttonBox->layout()->count(); ++i) {
        if (QWidget* button = m_buttonBox->layout()->itemAt(i)->widget()) {
            setTabOrder(previous, button);
            previous = button;
        }
    }
    m_formatCombo->setFocus();

    connect(m_formatCombo, &QComboBox::editTextChanged, this, &DateStyleDialog::refreshPreviewTexts);
    // A list entry chosen again after typing replaces the typed text too.
    connect(m_formatCombo, &QComboBox::activated, this, [this](int index) {
        m_formatCombo->setEditText(m_formatCombo->itemText(index));
        refreshPreviewTexts();
    });
    connect(m_templateBox, &StampTemplateBox::templateChanged, this, &DateStyleDialog::refreshPreviewTexts);
    connect(m_fontButton, &QPushButton::clicked, this, &DateStyleDialog::chooseFont);
    connect(m_lookBox, &StampLookBox::changed, this, &DateStyleDialog::styleEdited);
    connect(m_lookBox, &StampLookBox::presetChosen, this, &DateStyleDialog::applyPreset);
    connect(m_horizontalBar, &ValueBar::valueChanged, this, [this] {
        m_settings.diffLeft = barTwips(m_horizontalBar);
        updateOffsetPreview();
        styleEdited();
    });
    connect(m_verticalBar, &ValueBar::valueChanged, this, [this] {
        m_settings.diffTop = barTwips(m_verticalBar);
        updateOffsetPreview();
        styleEdited();
    });

    // Load: the list, the format (which fills the previews), the offsets,
    // then the font and colours. The list keeps its first seven entries in
    // their order; the ISO and US orders follow them.
    m_formatCombo->addItems({ QStringLiteral("DD/MM/YY"), QStringLiteral("DD/MM/YYYY"),
        QStringLiteral("DD/MM/YY HH:MM"), QStringLiteral("DD/MM/YYYY HH:MM"), QStringLiteral("DD/MM/YY HH:MM:SS"),
        QStringLiteral("DD/MM/YYYY HH:MM:SS"), QStringLiteral("DDDD DD MMMM YYYY"), QStringLiteral("YYYY-MM-DD"),
        QStringLiteral("YYYY-MM-DD HH:MM"), QStringLiteral("MM/DD/YYYY"), QStringLiteral("MM/DD/YYYY H:MM AM/PM") });
    m_formatCombo->setEditText(m_settings.dateFormat);
    refreshPreviewTexts();
    updateOffsetPreview();
    m_horizontalBar->setValue(m_settings.diffLeft / double(TwipsPerPixel));
    m_verticalBar->setValue(m_settings.diffTop / double(TwipsPerPixel));

    m_font = m_previewLower->font();
    m_font.setFamily(m_settings.dateFont);
    m_font.setPointSizeF(m_settings.dateSize > 0 ? m_settings.dateSize : 1);
    m_settings.dateStyle.applyTo(m_font);
    m_openingFont = m_font;
    m_color1 = m_settings.dateColor1;
    m_color2 = m_settings.dateColor2;
    showSwatch(m_color1Swatch, m_color1);
    showSwatch(m_color2Swatch, m_color2);
    m_loaded = true;
    applyFontAndColors();
    resize(sizeHint().expandedTo(m_photo ? Design::ClientWithPhoto.pixelSize() : Design::Client.pixelSize()));
    ScreenFit::keepOnScreen(this);
}

QGridLayout* DateStyleDialog::buildStampOptions()
{
    m_relativeHeightCheck = new QCheckBox(tr("Stamp height"), this);
    m_heightSpin = new QDoubleSpinBox(this);
    m_heightSpin->setRange(SettingsFile::MinStampHeightPercent, SettingsFile::MaxStampHeightPercent);
    // One decimal is all a user sets; a stored value with more keeps them
    // while its box is left alone (shownSettings).
    m_heightSpin->setDecimals(1);
    m_heightSpin->setSingleStep(0.5);
    m_heightSpin->setSuffix(tr(" % of the photo"));

    auto* lblAnchor = new QLabel(tr("Anchor"), this);
    m_anchorCombo = new QComboBox(this);
    m_anchorCombo->addItem(tr("where it is dragged"), int(StampAnchoring::Place::None));
    for (const QString& name : StampAnchoring::placeNames())
        m_anchorCombo->addItem(QCoreApplication::translate("StampAnchoring", name.toLatin1().constData()),
            int(*StampAnchoring::placeNamed(name)));

    auto* lblMargin = new QLabel(tr("Margin"), this);
    m_marginSpin = new QDoubleSpinBox(this);
    m_marginSpin->setRange(0, SettingsFile::MaxAnchorPercent);
    m_marginSpin->setDecimals(1);
    m_marginSpin->setSingleStep(0.5);
    m_marginSpin->setSuffix(tr(" % of the photo"));

    auto* lblShift = new QLabel(tr("Clock shift"), this);
    m_shiftSignCombo = new QComboBox(this);
    m_shiftSignCombo->addItems({ QStringLiteral("+"), QStringLiteral("-") });
    m_shiftHoursSpin = new QSpinBox(this);
    m_shiftHoursSpin->setRange(0, ClockShift::MaxHours);
    m_shiftHoursSpin->setSuffix(tr(" h"));
    m_shiftMinutesSpin = new QSpinBox(this);
    m_shiftMinutesSpin->setRange(0, 59);
    m_shiftMinutesSpin->setSuffix(tr(" min"));

    auto* lblFallback = new QLabel(tr("No date in the photo"), this);
    m_fallbackCombo = new QComboBox(this);
    // Each choice's data: whether the name is tried, and the file's time.
    m_fallbackCombo->addItem(tr("no stamp"), QVariantList { false, false });
    m_fallbackCombo->addItem(tr("the file's modification time"), QVariantList { false, true });
    m_fallbackCombo->addItem(tr("the date in the file name"), QVariantList { true, false });
    m_fallbackCombo->addItem(tr("the file name's date, else the file's time"), QVariantList { true, true });

    m_photoPreview = new QLabel(this);
    m_photoPreview->setAlignment(Qt::AlignCenter);
    m_photoPreview->setVisible(m_photo != nullptr);

    for (QWidget* control : std::initializer_list<QWidget*> { m_relativeHeightCheck, m_heightSpin, lblAnchor,
             m_anchorCombo, lblMargin, m_marginSpin, lblShift, m_shiftSignCombo, m_shiftHoursSpin, m_shiftMinutesSpin,
             lblFallback, m_fallbackCombo })
        control->setFont(DialogFont::sansSerif());

    // Three rows of caption, control(s), caption, control; the anchoring
    // list takes what the dialog gains in width, the others their own.
    auto* shiftRow = new QHBoxLayout;
    shiftRow->setSpacing(0);
    shiftRow->addWidget(m_shiftSignCombo);
    shiftRow->addSpacing(px(Design::shiftHoursSpin.left - Design::shiftSignCombo.right()));
    shiftRow->addWidget(m_shiftHoursSpin);
    shiftRow->addSpacing(px(Design::shiftMinutesSpin.left - Design::shiftHoursSpin.right()));
    shiftRow->addWidget(m_shiftMinutesSpin);
    shiftRow->addStretch(1);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(px(Design::heightSpin.left - Design::relativeHeightCheck.right()));
    grid->setVerticalSpacing(px(Design::shiftHoursSpin.top - Design::heightSpin.bottom()));
    grid->addWidget(m_relativeHeightCheck, 0, 0);
    grid->addWidget(m_heightSpin, 0, 1, Qt::AlignLeft);
    grid->addWidget(lblAnchor, 0, 2);
    grid->addWidget(m_anchorCombo, 0, 3);
    grid->addWidget(lblShift, 1, 0);
    grid->addLayout(shiftRow, 1, 1);
    grid->addWidget(lblMargin, 1, 2);
    grid->addWidget(m_marginSpin, 1, 3, Qt::AlignLeft);
    grid->addWidget(lblFallback, 2, 0);
    grid->addWidget(m_fallbackCombo, 2, 1, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    const std::pair<QWidget*, TwipsRect> designed[] = { { m_relativeHeightCheck, Design::relativeHeightCheck },
        { m_heightSpin, Design::heightSpin }, { lblAnchor, Design::lblAnchor }, { m_anchorCombo, Design::anchorCombo },
        { lblMargin, Design::lblMargin }, { m_marginSpin, Design::marginSpin }, { lblShift, Design::lblShift },
        { m_shiftSignCombo, Design::shiftSignCombo }, { m_shiftHoursSpin, Design::shiftHoursSpin },
        { m_shiftMinutesSpin, Design::shiftMinutesSpin }, { lblFallback, Design::lblFallback },
        { m_fallbackCombo, Design::fallbackCombo } };
    for (const auto& [control, design] : designed)
        DesignSize::setMinimum(control, design);

    // From the record.
    const bool sized = m_settings.stampHeightPercent > 0;
    m_relativeHeightCheck->setChecked(sized);
    m_heightSpin->setValue(sized ? m_settings.stampHeightPercent : 4);
    m_heightSpin->setEnabled(sized);
    m_shownHeight = m_heightSpin->value();
    m_anchorCombo->setCurrentIndex(m_anchorCombo->findData(int(m_settings.anchoring.place)));
    m_marginSpin->setValue(m_settings.anchoring.marginPercent);
    m_marginSpin->setEnabled(m_settings.anchoring.place != StampAnchoring::Place::None);
    m_shownMargin = m_marginSpin->value();
    const int32_t shift = std::abs(m_settings.shiftMinutes);
    m_shiftSignCombo->setCurrentIndex(m_settings.shiftMinutes < 0 ? 1 : 0);
    m_shiftHoursSpin->setValue(shift / 60);
    m_shiftMinutesSpin->setValue(shift % 60);
    m_fallbackCombo->setCurrentIndex(
        m_fallbackCombo->findData(QVariantList { m_settings.nameDateFallback, m_settings.fileDateFallback }));

    // Every change shows at once in the previews.
    const auto refresh = [this] { refreshPreviewTexts(); };
    connect(m_relativeHeightCheck, &QCheckBox::toggled, this, [this, refresh](bool on) {
        m_heightSpin->setEnabled(on);
        refresh();
    });
    connect(m_anchorCombo, &QComboBox::currentIndexChanged, this, [this, refresh] {
        m_marginSpin->setEnabled(m_anchorCombo->currentData().toInt() != int(StampAnchoring::Place::None));
        refresh();
    });
    for (QDoubleSpinBox* box : { m_heightSpin, m_marginSpin })
        connect(box, &QDoubleSpinBox::valueChanged, this, refresh);
    for (QSpinBox* box : { m_shiftHoursSpin, m_shiftMinutesSpin })
        connect(box, &QSpinBox::valueChanged, this, refresh);
    for (QComboBox* box : { m_shiftSignCombo, m_fallbackCombo })
        connect(box, &QComboBox::currentIndexChanged, this, refresh);
    return grid;
}

Settings DateStyleDialog::shownSettings() const
{
    Settings shown = m_settings;
    shown.dateFormat = m_formatCombo->currentText();
    shown.dateColor1 = m_color1;
    shown.dateColor2 = m_color2;
    // The size goes through four decimals, then to a whole number, halves to
    // even both times: 10.5 points gives 10, 11.5 gives 12.
    const double size = std::nearbyint(m_font.pointSizeF() * 10000.0) / 10000.0;
    shown.dateSize = static_cast<int32_t>(std::nearbyint(size));
    shown.dateFont = m_font.family();
    shown.dateStyle = StampFontStyle::of(m_font);
    // A box left at its first value keeps the value the record had then.
    const auto percent = [](const QDoubleSpinBox* box, double first, double stored) {
        return box->value() == first ? stored : box->value();
    };
    shown.stampHeightPercent = !m_relativeHeightCheck->isChecked() ? 0
        : m_opening.stampHeightPercent > 0 ? percent(m_heightSpin, m_shownHeight, m_opening.stampHeightPercent)
                                           : m_heightSpin->value();
    const auto place = static_cast<StampAnchoring::Place>(m_anchorCombo->currentData().toInt());
    if (place == StampAnchoring::Place::None) {
        shown.anchoring = StampAnchoring();
    } else {
        // Another place starts on its own lines; the same place keeps the
        // offsets a drag gave it.
        const bool samePlace = place == m_opening.anchoring.place;
        shown.anchoring.place = place;
        shown.anchoring.marginPercent = percent(m_marginSpin, m_shownMargin, m_opening.anchoring.marginPercent);
        shown.anchoring.offsetXPercent = samePlace ? m_opening.anchoring.offsetXPercent : 0;
        shown.anchoring.offsetYPercent = samePlace ? m_opening.anchoring.offsetYPercent : 0;
    }
    const int32_t shift = m_shiftHoursSpin->value() * 60 + m_shiftMinutesSpin->value();
    shown.shiftMinutes = m_shiftSignCombo->currentIndex() == 1 ? -shift : shift;
    const QVariantList fallback = m_fallbackCombo->currentData().toList();
    shown.nameDateFallback = fallback.value(0).toBool();
    shown.fileDateFallback = fallback.value(1).toBool();
    m_lookBox->writeTo(shown);
    if (m_templateBox) shown.stampTemplate = m_templateBox->storedText();
    return shown;
}

StampPlacement DateStyleDialog::shownStamp() const
{
    // The open photo's stamp, in the font chosen here.
    return StampPlacement::fromSettings(shownSettings(), m_photo->stampPosition(), m_font);
}

void DateStyleDialog::refreshPhotoPreview()
{
    if (!m_photo || !m_loaded) return;
    const PhotoState& photo = m_photo->photo();
    if (!m_photoBase) {
        // The working image as it is, effects included, once it is built;
        // before that the photo at the size it will have.
        if (photo.workReady() && photo.workImage()) {
            m_photoBase = photo.workImage()->copy();
        } else {
            const QSize size = PhotoState::workingSize(photo.photoSize(), m_settings.scaleInUse());
            const QImage picture = m_photo->previewPicture(size);
            if (!picture.isNull()) {
                m_photoBase = PixelSurface::create(size.width(), size.height());
                if (m_photoBase)
                    m_photoBase->copyFrom(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            }
        }
        if (!m_photoBase) return;
    }
    const StampPlacement stamp = shownStamp();
    const std::unique_ptr<PixelSurface> canvas = stamp.strip.withBand(*m_photoBase);
    if (!canvas) return;
    stamp.print(*canvas, stamp.textFor(photo.exifRecord(), photo.photoPath(), photo.photoSize()),
        QSize(m_photoBase->width(), m_photoBase->height()));
    m_photoPreview->setPixmap(QPixmap::fromImage(
        canvas->toImage().scaled(m_photoPreview->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

DateStyleDialog::~DateStyleDialog()
{
    // Only OK keeps a style: a dialog that goes away unanswered leaves the
    // record as it found it.
    if (!m_answered) restoreOpeningStyle();
    // The controls outlive this body: one losing the focus as it goes (an
    // edited format box) must not reach a dialog that is half gone.
    for (QObject* control : findChildren<QObject*>())
        control->disconnect(this);
}

void DateStyleDialog::updateOffsetPreview()
{
    const QPoint down = m_previewLower->pos();
    m_previewUpper->move(Twips::toPixels(down.x() * double(TwipsPerPixel) + m_settings.diffLeft),
        Twips::toPixels(down.y() * double(TwipsPerPixel) + m_settings.diffTop));
}

void DateStyleDialog::refreshPreviewTexts()
{
    // The open photo's stamp text, else the template at the present moment.
    const QString text = m_photo
        ? shownStamp().textFor(
            m_photo->photo().exifRecord(), m_photo->photo().photoPath(), m_photo->photo().photoSize())
        : StampPlacement::fromSettings(shownSettings(), {}, m_font).textAt(QDateTime::currentDateTime());
    for (QLabel* label : { m_previewUpper, m_previewLower }) {
        label->setText(text);
        label->adjustSize();
    }
    fitPreviewArea();
    styleEdited();
}

void DateStyleDialog::applyFontAndColors()
{
    for (QLabel* label : { m_previewLower, m_previewUpper }) {
        label->setFont(m_font);
        label->adjustSize();
    }
    fitPreviewArea();
    // The swatches' colours win over anything the font picker reported.
    setTextColor(m_previewLower, m_color1);
    setTextColor(m_previewUpper, m_color2);
    styleEdited();
}

void DateStyleDialog::chooseColor(int which)
{
    const int32_t color = StandardDialogs::shared().chooseColor();
    // A cancelled picker answers -1, which is no colour: keep the old one.
    if (color == -1) return;
    if (which == 1) {
        m_color1 = color;
        showSwatch(m_color1Swatch, color);
        setTextColor(m_previewLower, color);
    } else {
        m_color2 = color;
        showSwatch(m_color2Swatch, color);
        setTextColor(m_previewUpper, color);
    }
    styleEdited();
}

void DateStyleDialog::showSwatch(QPushButton* button, int32_t color)
{
    // A square of the colour in a dark frame with a light one inside it, so
    // that white, black and yellow all show on any button.
    const int side = button->fontMetrics().height();
    QPixmap swatch(side, side);
    swatch.fill(BgrColor::toQColor(static_cast<quint32>(color)));
    QPainter painter(&swatch);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, side - 1, side - 1);
    painter.setPen(Qt::white);
    painter.drawRect(1, 1, side - 3, side - 3);
    painter.end();
    button->setIcon(swatch);
    button->setIconSize(swatch.size());
}

void DateStyleDialog::chooseFont()
{
    StandardDialogs::shared().chooseFont(m_font);
    applyFontAndColors();
}

void DateStyleDialog::applyPreset(const StampPreset& preset)
{
    Settings chosen = shownSettings();
    const bool fontMissing = !preset.applyTo(chosen).isEmpty();
    m_lookBox->showNote(fontMissing
            ? tr("The font %1 is not installed; %2 is used instead.").arg(QLatin1String(preset.font), chosen.dateFont)
            : QString());
    m_lookBox->readFrom(chosen);
    m_formatCombo->setEditText(chosen.dateFormat);
    m_horizontalBar->setValue(chosen.diffLeft / double(TwipsPerPixel));
    m_verticalBar->setValue(chosen.diffTop / double(TwipsPerPixel));
    m_relativeHeightCheck->setChecked(chosen.stampHeightPercent > 0);
    if (chosen.stampHeightPercent > 0) m_heightSpin->setValue(chosen.stampHeightPercent);
    m_anchorCombo->setCurrentIndex(m_anchorCombo->findData(int(chosen.anchoring.place)));
    m_marginSpin->setValue(chosen.anchoring.marginPercent);
    m_font.setFamily(chosen.dateFont);
    m_font.setPointSizeF(chosen.dateSize);
    chosen.dateStyle.applyTo(m_font);
    m_color1 = chosen.dateColor1;
    m_color2 = chosen.dateColor2;
    showSwatch(m_color1Swatch, m_color1);
    showSwatch(m_color2Swatch, m_color2);
    applyFontAndColors();
}

void DateStyleDialog::fitPreviewArea()
{
    // Room for the lower preview at its place and the upper one as far as
    // the bars can move it.
    const int reach = static_cast<int>(std::lround(m_horizontalBar->maximum().toDouble())) + 1;
    const QSize needed(m_previewLower->x() + std::max(m_previewLower->width(), m_previewUpper->width()) + reach,
        m_previewLower->y() + std::max(m_previewLower->height(), m_previewUpper->height()) + reach);
    m_previewArea->setMinimumSize(Design::previews.pixelSize().expandedTo(needed));
}

bool DateStyleDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_photoPreview && event->type() == QEvent::Resize) refreshPhotoPreview();
    return QDialog::eventFilter(watched, event);
}

// OK, Cancel, Esc and the title bar's close button all end here. The close
// button is QDialog's reject(), as Cancel: a window closed without OK keeps
// nothing, as everywhere else on the desktop, and asking would only be in the
// way of a quick look at the style.
void DateStyleDialog::done(int result)
{
    if (!m_answered) {
        m_answered = true;
        if (result == Accepted)
            m_settings = shownSettings();
        else
            restoreOpeningStyle();
    }
    QDialog::done(result);
}

void DateStyleDialog::styleEdited()
{
    if (!m_loaded) return;
    m_settings = shownSettings();
    refreshPhotoPreview();
    emit styleChanged(m_font);
}

void DateStyleDialog::restoreOpeningStyle()
{
    m_settings = m_opening;
    m_font = m_openingFont;
    emit styleChanged(m_font);
}

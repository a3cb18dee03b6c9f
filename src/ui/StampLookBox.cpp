#include "ui/StampLookBox.h"

#include "files/Settings.h"
#include "platform/BgrColor.h"
#include "ui/DialogFont.h"
#include "ui/StandardDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

// The captions of the presets, in StampPreset's order.
QString presetCaption(StampPreset::Id id)
{
    switch (id) {
    case StampPreset::Id::Classic:
        return StampLookBox::tr("Classic");
    case StampPreset::Id::Film:
        return StampLookBox::tr("Film camera");
    case StampPreset::Id::Outline:
        return StampLookBox::tr("Outline");
    case StampPreset::Id::Strip:
        return StampLookBox::tr("Caption strip");
    }
    return {};
}

QString lookCaption(StampLook look)
{
    switch (look) {
    case StampLook::Shadow:
        return StampLookBox::tr("Shadow");
    case StampLook::Outline:
        return StampLookBox::tr("Outline");
    case StampLook::Glow:
        return StampLookBox::tr("Glow");
    }
    return {};
}

} // namespace

StampLookBox::StampLookBox(const Settings& settings, QWidget* parent)
    : QGroupBox(tr("Look"), parent)
    , m_presetCombo(new QComboBox(this))
    , m_lookCombo(new QComboBox(this))
    , m_autoContrastCheck(new QCheckBox(tr("Auto-contrast: light or dark by the photo"), this))
    , m_stripCheck(new QCheckBox(tr("Caption strip below the photo"), this))
    , m_stripHeightSpin(new QDoubleSpinBox(this))
    , m_stripColourButton(new QPushButton(tr("Strip colour..."), this))
    , m_noteLabel(new QLabel(this))
{
    // The dialog's own captions' font, which its layout is made for.
    setFont(DialogFont::sansSerif());
    // A preset is an act, not a state: the list shows no choice until one
    // is made, and the same one may be chosen again.
    m_presetCombo->setPlaceholderText(tr("Choose a preset"));
    for (int i = 0; i < StampPreset::Count; ++i)
        m_presetCombo->addItem(presetCaption(StampPreset::all()[i].id), i);
    for (StampLook look : { StampLook::Shadow, StampLook::Outline, StampLook::Glow })
        m_lookCombo->addItem(lookCaption(look), int(look));
    m_stripHeightSpin->setRange(CaptionStrip::MinHeightPercent, CaptionStrip::MaxHeightPercent);
    m_stripHeightSpin->setDecimals(1);
    m_stripHeightSpin->setSingleStep(0.5);
    m_stripHeightSpin->setSuffix(tr(" % of the shorter side"));
    m_noteLabel->setWordWrap(true);
    m_noteLabel->hide();

    auto* presetCaptionLabel = new QLabel(tr("Preset:"), this);
    presetCaptionLabel->setBuddy(m_presetCombo);
    auto* lookCaptionLabel = new QLabel(tr("Drawn with:"), this);
    lookCaptionLabel->setBuddy(m_lookCombo);
    auto* grid = new QGridLayout(this);
    grid->addWidget(presetCaptionLabel, 0, 0);
    grid->addWidget(m_presetCombo, 0, 1);
    grid->addWidget(lookCaptionLabel, 0, 2);
    grid->addWidget(m_lookCombo, 0, 3);
    grid->addWidget(m_stripCheck, 1, 0, 1, 2);
    grid->addWidget(m_stripHeightSpin, 1, 2);
    grid->addWidget(m_stripColourButton, 1, 3);
    grid->addWidget(m_autoContrastCheck, 2, 0, 1, 4);
    grid->addWidget(m_noteLabel, 3, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    readFrom(settings);

    connect(m_presetCombo, &QComboBox::activated, this, [this](int index) {
        const int row = m_presetCombo->itemData(index).toInt();
        if (row >= 0 && row < StampPreset::Count) emit presetChosen(StampPreset::all()[row]);
    });
    connect(m_lookCombo, &QComboBox::currentIndexChanged, this, &StampLookBox::changed);
    connect(m_autoContrastCheck, &QCheckBox::toggled, this, &StampLookBox::changed);
    connect(m_stripCheck, &QCheckBox::toggled, this, [this](bool on) {
        m_stripHeightSpin->setEnabled(on);
        m_stripColourButton->setEnabled(on);
        emit changed();
    });
    connect(m_stripHeightSpin, &QDoubleSpinBox::valueChanged, this, &StampLookBox::changed);
    connect(m_stripColourButton, &QPushButton::clicked, this, &StampLookBox::chooseStripColour);
}

void StampLookBox::readFrom(const Settings& settings)
{
    // Quietly: the one who shows a record knows it changed.
    const QSignalBlocker blockLook(m_lookCombo);
    const QSignalBlocker blockContrast(m_autoContrastCheck);
    const QSignalBlocker blockStrip(m_stripCheck);
    const QSignalBlocker blockHeight(m_stripHeightSpin);
    m_lookCombo->setCurrentIndex(m_lookCombo->findData(int(settings.stampLook)));
    m_autoContrastCheck->setChecked(settings.autoContrast);
    m_stripCheck->setChecked(settings.strip.show);
    m_stripHeightSpin->setValue(settings.strip.heightPercent);
    m_shownHeight = m_stripHeightSpin->value();
    m_storedHeight = settings.strip.heightPercent;
    m_stripHeightSpin->setEnabled(settings.strip.show);
    m_stripColourButton->setEnabled(settings.strip.show);
    m_stripColour = settings.strip.color;
    showStripColour();
}

void StampLookBox::writeTo(Settings& settings) const
{
    settings.stampLook = static_cast<StampLook>(m_lookCombo->currentData().toInt());
    settings.autoContrast = m_autoContrastCheck->isChecked();
    settings.strip.show = m_stripCheck->isChecked();
    settings.strip.heightPercent
        = m_stripHeightSpin->value() == m_shownHeight ? m_storedHeight : m_stripHeightSpin->value();
    settings.strip.color = m_stripColour;
}

void StampLookBox::showNote(const QString& note)
{
    m_noteLabel->setText(note);
    m_noteLabel->setVisible(!note.isEmpty());
}

void StampLookBox::showStripColour()
{
    QPixmap swatch(m_stripColourButton->iconSize());
    swatch.fill(BgrColor::toQColor(static_cast<quint32>(m_stripColour)));
    m_stripColourButton->setIcon(QIcon(swatch));
}

void StampLookBox::chooseStripColour()
{
    const int32_t colour = StandardDialogs::shared().chooseColor();
    // A cancelled picker answers -1, which is no colour.
    if (colour == -1) return;
    m_stripColour = colour;
    showStripColour();
    emit changed();
}

// The date style dialog's presets, look, auto-contrast and caption strip.
#include "ui/StampLookBox.h"

#include "DialogLayoutCheck.h"
#include "controls/ValueBar.h"
#include "files/SettingsFile.h"
#include "support/TestSupport.h"
#include "ui/DateStyleDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void choosePreset(DateStyleDialog& dialog, StampPreset::Id id)
{
    QComboBox* presets = dialog.lookBox()->presetCombo();
    const int row = presets->findText(presets->itemText(static_cast<int>(id)));
    presets->setCurrentIndex(row);
    emit presets->activated(row);
}

} // namespace

TEST(StampLookBoxTest, APresetFillsTheDialogsControlsAndEachCanBeChangedBeforeItCloses)
{
    QTemporaryDir dir;
    Settings settings;
    SettingsFile::load(dir.filePath("config.ini"), settings);
    settings.shiftMinutes = 30;
    DateStyleDialog dialog(nullptr, settings);
    dialog.show();
    StampLookBox* box = dialog.lookBox();
    EXPECT_EQ(box->presetCombo()->currentIndex(), -1); // a preset is an act, not a state
    // Whole and apart, beside the dialog's own controls.
    const DialogLayoutCheck::Controls controls { { "preset", box->presetCombo() }, { "look", box->lookCombo() },
        { "strip", box->stripCheck() }, { "strip height", box->stripHeightSpin() },
        { "strip colour", box->stripColourButton() }, { "auto-contrast", box->autoContrastCheck() },
        { "fallback", dialog.fallbackCombo() }, { "margin", dialog.marginSpin() } };
    EXPECT_EQ(DialogLayoutCheck::problems(&dialog, controls), QStringList());

    choosePreset(dialog, StampPreset::Id::Film);
    EXPECT_EQ(dialog.formatCombo()->currentText(), QStringLiteral("\\'YY  M  D"));
    EXPECT_EQ(dialog.labelFont().family(), StampPreset::SegmentFont);
    EXPECT_EQ(box->lookCombo()->currentData().toInt(), int(StampLook::Glow));

    choosePreset(dialog, StampPreset::Id::Strip);
    EXPECT_TRUE(box->stripCheck()->isChecked());
    EXPECT_TRUE(box->stripHeightSpin()->isEnabled());
    // The user changes what the preset set: a taller band, auto-contrast,
    // the outline.
    box->stripHeightSpin()->setValue(12.5);
    box->autoContrastCheck()->setChecked(true);
    box->lookCombo()->setCurrentIndex(box->lookCombo()->findData(int(StampLook::Outline)));
    dialog.accept();
    EXPECT_EQ(settings.strip, (CaptionStrip { true, 12.5, 0x00FFFFFF }));
    EXPECT_TRUE(settings.autoContrast);
    EXPECT_EQ(settings.stampLook, StampLook::Outline);
    EXPECT_EQ(settings.dateFormat, QStringLiteral("DD/MM/YYYY HH:MM"));
    EXPECT_EQ(settings.dateColor2, 0);
    EXPECT_EQ(settings.shiftMinutes, 30);
}

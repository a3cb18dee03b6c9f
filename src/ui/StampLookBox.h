#pragma once

#include "files/CaptionStrip.h"
#include "files/StampLook.h"
#include "workflow/StampPreset.h"

#include <QGroupBox>

#include <cstdint>

struct Settings;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

// The stamp's look in the date style dialog: the preset list, the look
// (shadow, outline, glow), auto-contrast and the caption strip (on or off,
// its height, its colour). It holds the values it shows; the dialog reads
// them with writeTo and applies a chosen preset to its own controls as well
// (presetChosen), then shows the preset's look here with readFrom.
class StampLookBox : public QGroupBox {
    Q_OBJECT

public:
    explicit StampLookBox(const Settings& settings, QWidget* parent = nullptr);

    // The look, auto-contrast and strip as the controls show them.
    void writeTo(Settings& settings) const;
    // Shows the record's look, auto-contrast and strip.
    void readFrom(const Settings& settings);
    // A line under the controls, such as a preset's missing font; empty
    // hides it.
    void showNote(const QString& note);

    QComboBox* presetCombo() const { return m_presetCombo; }
    QComboBox* lookCombo() const { return m_lookCombo; }
    QCheckBox* autoContrastCheck() const { return m_autoContrastCheck; }
    QCheckBox* stripCheck() const { return m_stripCheck; }
    QDoubleSpinBox* stripHeightSpin() const { return m_stripHeightSpin; }
    QPushButton* stripColourButton() const { return m_stripColourButton; }
    QLabel* noteLabel() const { return m_noteLabel; }
    int32_t stripColour() const { return m_stripColour; }

signals:
    // The user picked a preset from the list.
    void presetChosen(const StampPreset& preset);
    // Any of the values changed.
    void changed();

private:
    void showStripColour();
    void chooseStripColour();

    QComboBox* m_presetCombo;
    QComboBox* m_lookCombo;
    QCheckBox* m_autoContrastCheck;
    QCheckBox* m_stripCheck;
    QDoubleSpinBox* m_stripHeightSpin;
    QPushButton* m_stripColourButton;
    QLabel* m_noteLabel;
    int32_t m_stripColour = 0;
    // What the height box showed at the start: left alone, it keeps the
    // record's own value, which may carry more decimals.
    double m_shownHeight = 0;
    double m_storedHeight = 0;
};

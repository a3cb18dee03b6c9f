#pragma once

#include "files/SettingsFile.h"
#include "platform/Twips.h"

#include <QDialog>
#include <QFont>

#include <cstdint>
#include <memory>

class ValueBar;
class PhotoEngine;
class PixelSurface;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class StampTemplateBox;
struct StampPlacement;

// The date style dialog: the stamp's format, font, two colours and the
// offset of the upper text from the lower one, its height relative to the
// photo, its anchoring, the camera clock's correction and what undated
// photos get, with a live preview: the present moment when no photo is open,
// else the open photo's date and the photo itself as it will be stamped. It
// reads the settings record it is given when it is made and writes back
// into it: the offsets at every change of their bars, the rest when it
// closes, however it closes (there is no Cancel). The main window then gives
// labelFont() to its two stamp labels and applies the style.
class DateStyleDialog : public QDialog {
    Q_OBJECT

public:
    // photo: the engine with the open photo, or nothing when none is open.
    DateStyleDialog(QWidget* owner, Settings& settings, PhotoEngine* photo = nullptr);
    ~DateStyleDialog() override;

    // The one font of both previews, with every attribute chosen here; its
    // name, rounded size and style (bold, italic, ...) reach the record.
    QFont labelFont() const { return m_font; }

    // Lower text at the stored place, upper text at it plus the offsets.
    void updateOffsetPreview();

    // The controls, for the main window's tests and ours.
    QComboBox* formatCombo() const { return m_formatCombo; }
    QPushButton* fontButton() const { return m_fontButton; }
    QLabel* color1Swatch() const { return m_color1Swatch; }
    QLabel* color2Swatch() const { return m_color2Swatch; }
    // The offset bars and their captions.
    QLabel* horizontalCaption() const { return m_horizontalCaption; }
    ValueBar* horizontalBar() const { return m_horizontalBar; }
    QLabel* verticalCaption() const { return m_verticalCaption; }
    ValueBar* verticalBar() const { return m_verticalBar; }
    QLabel* previewLower() const { return m_previewLower; }
    QLabel* previewUpper() const { return m_previewUpper; }
    QCheckBox* relativeHeightCheck() const { return m_relativeHeightCheck; }
    QDoubleSpinBox* heightSpin() const { return m_heightSpin; }
    QComboBox* anchorCombo() const { return m_anchorCombo; }
    QDoubleSpinBox* marginSpin() const { return m_marginSpin; }
    QComboBox* shiftSignCombo() const { return m_shiftSignCombo; }
    QSpinBox* shiftHoursSpin() const { return m_shiftHoursSpin; }
    QSpinBox* shiftMinutesSpin() const { return m_shiftMinutesSpin; }
    QComboBox* fallbackCombo() const { return m_fallbackCombo; }
    StampTemplateBox* templateBox() const { return m_templateBox; }
    // The open photo with the stamp as the dialog's values print it, reduced
    // to fit; hidden when no photo is open.
    QLabel* photoPreview() const { return m_photoPreview; }
    int32_t color1() const { return m_color1; }
    int32_t color2() const { return m_color2; }

    static constexpr int TwipsPerPixel = Twips::PerPixel;

signals:
    // The dialog is closing and has written the record; font is labelFont().
    void fontChosen(const QFont& font);

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes the stamp's options and the grid that places them.
    QGridLayout* buildStampOptions();
    // The previews' band shows both previews whole, whatever their font.
    void fitPreviewArea();
    // The stamp options as the controls show them, over the record.
    Settings shownSettings() const;
    // The stamp of the open photo as those settings print it.
    StampPlacement shownStamp() const;
    void refreshPhotoPreview();
    void refreshPreviewTexts();
    void chooseColor(int which);
    void chooseFont();
    void applyFontAndColors();
    void unload();

    Settings& m_settings;
    QPushButton* m_fontButton;
    QLabel* m_color1Swatch;
    QLabel* m_color2Swatch;
    QComboBox* m_formatCombo;
    QLabel* m_horizontalCaption;
    ValueBar* m_horizontalBar;
    QLabel* m_verticalCaption;
    ValueBar* m_verticalBar;
    QLabel* m_previewLower;
    QLabel* m_previewUpper;
    QWidget* m_previewArea;
    QCheckBox* m_relativeHeightCheck = nullptr;
    QDoubleSpinBox* m_heightSpin = nullptr;
    QComboBox* m_anchorCombo = nullptr;
    QDoubleSpinBox* m_marginSpin = nullptr;
    QComboBox* m_shiftSignCombo = nullptr;
    QSpinBox* m_shiftHoursSpin = nullptr;
    QSpinBox* m_shiftMinutesSpin = nullptr;
    QComboBox* m_fallbackCombo = nullptr;
    StampTemplateBox* m_templateBox = nullptr;
    QLabel* m_photoPreview = nullptr;
    PhotoEngine* m_photo;
    // The photo's working image before any stamp, made on first use.
    std::unique_ptr<PixelSurface> m_photoBase;
    // What the spin boxes showed at the start: a value left alone keeps the
    // record's own, which may carry more decimals than the box shows.
    double m_shownHeight = 0;
    double m_shownMargin = 0;
    QFont m_font;
    int32_t m_color1 = 0;
    int32_t m_color2 = 0;
    bool m_unloaded = false;
    bool m_loaded = false; // the previews of the photo wait until everything is set
};

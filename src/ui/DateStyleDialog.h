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
class QDialogButtonBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class StampLookBox;
class StampTemplateBox;
struct StampPlacement;
struct StampPreset;

// The date style dialog: the stamp's format, font, two colours and the
// offset of the upper text from the lower one, its height relative to the
// photo, its anchoring, the camera clock's correction and what undated
// photos get, with a live preview: the present moment when no photo is open,
// else the open photo's date and the photo itself as it will be stamped. It
// reads the settings record it is given when it is made and writes every
// change back into it at once, then says so (styleChanged), so that the open
// photo in the main window shows the stamp as it is being chosen. OK keeps
// what is shown; Cancel, Esc and the title bar's close button put back the
// whole record as it was when the dialog opened, and the font. The main
// window then gives labelFont() to its two stamp labels and applies the
// style.
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
    // The colour buttons, each with a swatch of its colour.
    QPushButton* color1Swatch() const { return m_color1Swatch; }
    QPushButton* color2Swatch() const { return m_color2Swatch; }
    QPushButton* formatHelpButton() const { return m_formatHelpButton; }
    // OK and Cancel.
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }
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
    // The preset list, the look, auto-contrast and the caption strip.
    StampLookBox* lookBox() const { return m_lookBox; }
    StampTemplateBox* templateBox() const { return m_templateBox; }
    // The open photo with the stamp as the dialog's values print it, reduced
    // to fit; hidden when no photo is open.
    QLabel* photoPreview() const { return m_photoPreview; }
    int32_t color1() const { return m_color1; }
    int32_t color2() const { return m_color2; }

    static constexpr int TwipsPerPixel = Twips::PerPixel;

signals:
    // The record holds a changed style, or the one it had again after a
    // Cancel; font is labelFont().
    void styleChanged(const QFont& font);

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes the stamp's options and the grid that places them.
    QGridLayout* buildStampOptions();
    // The previews' band shows both previews whole, whatever their font.
    void fitPreviewArea();
    // The record with every value as the controls show it: what each change
    // writes into the record (styleEdited) and OK keeps. A control's value
    // goes in here, and its change calls refreshPreviewTexts.
    Settings shownSettings() const;
    // The stamp of the open photo as those settings print it.
    StampPlacement shownStamp() const;
    void refreshPhotoPreview();
    // The previews' texts, then styleEdited.
    void refreshPreviewTexts();
    void chooseColor(int which);
    void chooseFont();
    void applyFontAndColors();
    void showSwatch(QPushButton* button, int32_t color);
    // A control changed: the record takes what the dialog shows, the open
    // photo's preview follows.
    void styleEdited();
    // Cancel: the record and the font as they were when the dialog opened.
    void restoreOpeningStyle();
    // Shows the preset's format, font, colours, offset, look, height and
    // place in the controls.
    void applyPreset(const StampPreset& preset);

    Settings& m_settings;
    // The record as it was when the dialog opened, for Cancel.
    const Settings m_opening;
    QPushButton* m_fontButton;
    QPushButton* m_color1Swatch;
    QPushButton* m_color2Swatch;
    QPushButton* m_formatHelpButton;
    QDialogButtonBox* m_buttonBox;
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
    StampLookBox* m_lookBox = nullptr;
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
    QFont m_openingFont;
    int32_t m_color1 = 0;
    int32_t m_color2 = 0;
    bool m_answered = false;
    bool m_loaded = false; // the previews of the photo wait until everything is set
};

#pragma once

#include "files/mMain.h"
#include "platform/Twips.h"

#include <QDialog>
#include <QFont>

#include <cstdint>
#include <memory>

class BarColor;
class PhotoEngine;
class PixelSurface;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpinBox;
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
class frmDate : public QDialog {
    Q_OBJECT

public:
    // photo: the engine with the open photo, or nothing when none is open.
    frmDate(QWidget* owner, SettingsRecord& settings, PhotoEngine* photo = nullptr);
    ~frmDate() override;

    // The one font of both previews, with every attribute chosen here; its
    // name, rounded size and style (bold, italic, ...) reach the record.
    QFont labelFont() const { return m_font; }

    // Lower text at the stored place, upper text at it plus the offsets.
    void UpdateOffsetPreview();

    // The controls, for the main window's tests and ours.
    QComboBox* cbFormat() const { return m_cbFormat; }
    QPushButton* cmdFont() const { return m_cmdFont; }
    QLabel* lblColor01() const { return m_lblColor01; }
    QLabel* lblColor02() const { return m_lblColor02; }
    // The offset bars and their captions.
    QLabel* Label2() const { return m_Label2; }
    BarColor* slLeft() const { return m_slLeft; }
    QLabel* Label3() const { return m_Label3; }
    BarColor* slTop() const { return m_slTop; }
    QLabel* LBLdown() const { return m_LBLdown; }
    QLabel* lblUP() const { return m_lblUP; }
    QCheckBox* chkHeight() const { return m_chkHeight; }
    QDoubleSpinBox* txtHeight() const { return m_txtHeight; }
    QComboBox* cbAnchor() const { return m_cbAnchor; }
    QDoubleSpinBox* txtMargin() const { return m_txtMargin; }
    QComboBox* cbShiftSign() const { return m_cbShiftSign; }
    QSpinBox* txtShiftHours() const { return m_txtShiftHours; }
    QSpinBox* txtShiftMinutes() const { return m_txtShiftMinutes; }
    QComboBox* cbFallback() const { return m_cbFallback; }
    // The open photo with the stamp as the dialog's values print it, reduced
    // to fit; hidden when no photo is open.
    QLabel* picPhoto() const { return m_picPhoto; }
    int32_t color1() const { return m_color1; }
    int32_t color2() const { return m_color2; }

    static constexpr int TwipsPerPixel = Twips::PerPixel;

signals:
    // The dialog is closing and has written the record; font is labelFont().
    void Unloaded(const QFont& font);

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
    SettingsRecord shownSettings() const;
    // The stamp of the open photo as those settings print it.
    StampPlacement shownStamp() const;
    void refreshPhotoPreview();
    void refreshPreviewTexts();
    void chooseColor(int which);
    void chooseFont();
    void applyFontAndColors();
    void unload();

    SettingsRecord& m_settings;
    QPushButton* m_cmdFont;
    QLabel* m_lblColor01;
    QLabel* m_lblColor02;
    QComboBox* m_cbFormat;
    QLabel* m_Label2;
    BarColor* m_slLeft;
    QLabel* m_Label3;
    BarColor* m_slTop;
    QLabel* m_LBLdown;
    QLabel* m_lblUP;
    QWidget* m_previewArea;
    QCheckBox* m_chkHeight = nullptr;
    QDoubleSpinBox* m_txtHeight = nullptr;
    QComboBox* m_cbAnchor = nullptr;
    QDoubleSpinBox* m_txtMargin = nullptr;
    QComboBox* m_cbShiftSign = nullptr;
    QSpinBox* m_txtShiftHours = nullptr;
    QSpinBox* m_txtShiftMinutes = nullptr;
    QComboBox* m_cbFallback = nullptr;
    QLabel* m_picPhoto = nullptr;
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

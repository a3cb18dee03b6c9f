#pragma once

#include "files/mMain.h"
#include "platform/Twips.h"

#include <QDialog>
#include <QFont>

#include <cstdint>

class BarColor;
class QComboBox;
class QLabel;
class QPushButton;

// The date style dialog: the stamp's format, font, two colours and the
// offset of the upper text from the lower one, with a live preview of the
// present moment. It reads the settings record it is given when it is made
// and writes back into it: the offsets at every change of their bars, the
// rest when it closes, however it closes (there is no Cancel). The main window
// then gives labelFont() to its two stamp labels and applies the style.
class frmDate : public QDialog {
    Q_OBJECT

public:
    frmDate(QWidget* owner, SettingsRecord& settings);
    ~frmDate() override;

    // The one font of both previews, with every attribute chosen here (bold,
    // italic, ...); only its name and rounded size reach the record.
    QFont labelFont() const { return m_font; }

    // Lower text at the stored place, upper text at it plus the offsets.
    void UpdateOffsetPreview();

    // The controls, for the main window's tests and ours.
    QComboBox* cbFormat() const { return m_cbFormat; }
    QPushButton* cmdFont() const { return m_cmdFont; }
    QLabel* lblColor01() const { return m_lblColor01; }
    QLabel* lblColor02() const { return m_lblColor02; }
    BarColor* slLeft() const { return m_slLeft; }
    BarColor* slTop() const { return m_slTop; }
    QLabel* LBLdown() const { return m_LBLdown; }
    QLabel* lblUP() const { return m_lblUP; }
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
    BarColor* m_slLeft;
    BarColor* m_slTop;
    QLabel* m_LBLdown;
    QLabel* m_lblUP;
    QFont m_font;
    int32_t m_color1 = 0;
    int32_t m_color2 = 0;
    bool m_unloaded = false;
};

#pragma once

#include <QGroupBox>

struct Settings;
class ValueBar;
class QCheckBox;
class QLineEdit;
class QRadioButton;

// The output options of the main window (jpegOptionsBox): the JPEG quality, whether
// a thumbnail is made, and its height or width, and whether a JPEG photo is
// only stamped, keeping its quality (Settings::losslessStamp). Every change of a control
// stores all of them in the settings record at once (storeOutputOptions);
// fillOutputOptions shows the record's options. The bar runs from 1 to
// 100 %; the boxes take whole numbers from 1 to 10 000, and a box left
// without one shows the last size it held again.
class OutputOptionsBox : public QGroupBox {
    Q_OBJECT

public:
    OutputOptionsBox(Settings& settings, QWidget* parent = nullptr);

    void fillOutputOptions();
    void storeOutputOptions();

    ValueBar* qualityBar;
    QCheckBox* thumbnailCheck;
    QRadioButton* thumbnailWidthOption;
    QLineEdit* thumbnailWidthEdit;
    QRadioButton* thumbnailHeightOption;
    QLineEdit* thumbnailHeightEdit;
    QCheckBox* losslessCheck;

signals:
    // The stamp-only choice changed: the size and effect choices do not
    // apply while it is on.
    void losslessChanged(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Settings& m_settings;
};

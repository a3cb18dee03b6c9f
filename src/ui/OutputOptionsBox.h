#pragma once

#include <QGroupBox>

struct SettingsRecord;
class BarColor;
class QCheckBox;
class QLineEdit;
class QRadioButton;

// The output options of the main window (frJPG): the JPEG quality, whether
// a thumbnail is made, and its height or width. Every change of a control
// stores all of them in the settings record at once (StoreOutputOptions);
// FillOutputOptions shows the record's options.
class OutputOptionsBox : public QGroupBox {
    Q_OBJECT

public:
    OutputOptionsBox(SettingsRecord& settings, QWidget* parent = nullptr);

    void FillOutputOptions();
    void StoreOutputOptions();

    BarColor* slQuality;
    QCheckBox* chkMiniature;
    QRadioButton* opWidth;
    QLineEdit* txtWidth;
    QRadioButton* opHeigth;
    QLineEdit* txtHeight;

private:
    SettingsRecord& m_settings;
};

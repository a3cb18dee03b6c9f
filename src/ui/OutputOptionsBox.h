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
// FillOutputOptions shows the record's options. The bar runs from 1 to
// 100 %; the boxes take whole numbers from 1 to 10 000, and a box left
// without one shows the last size it held again.
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SettingsRecord& m_settings;
};

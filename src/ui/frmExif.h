#pragma once

#include "files/mMain.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QPlainTextEdit;

// The EXIF window: all EXIF fields of the open photo as text, one "name:
// value" line each, in a modeless tool window of which at most one exists.
// It shows the values as people read them ("1/160 s", "f/7.1"); "Raw
// values" shows them as the file stores them. ShowExif creates the window
// when it is closed and otherwise replaces its texts and brings it forward;
// the flag ExifShown of the settings record it is given is true exactly
// while it is open. Given an owner, it stays above the owner and closes and
// goes away together with it.
class frmExif : public QWidget {
    Q_OBJECT

public:
    static void ShowExif(const QString& readable, const QString& raw, QWidget* owner, SettingsRecord& settings);
    // The open window, or nullptr.
    static frmExif* instance();
    // Closes the open window, if any.
    static void closeExif();

    ~frmExif() override;

    QPlainTextEdit* Text1() const { return m_text; }
    QCheckBox* rawValues() const { return m_raw; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    frmExif(QWidget* owner, SettingsRecord& settings);
    void showText();

    SettingsRecord& m_settings;
    QPlainTextEdit* m_text;
    QCheckBox* m_raw;
    QString m_readable;
    QString m_rawText;
    static QPointer<frmExif> s_instance;
};

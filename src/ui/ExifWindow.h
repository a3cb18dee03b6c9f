#pragma once

#include "files/SettingsFile.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;

// The EXIF window: all EXIF fields of the open photo as text, one "name:
// value" line each, in a modeless tool window of which at most one exists.
// It shows the values as people read them ("1/160 s", "f/7.1"); "Raw
// values" shows them as the file stores them. showExif creates the window
// when it is closed and otherwise replaces its texts and brings it forward;
// the flag exifShown of the settings record it is given is true exactly
// while it is open; Esc and Ctrl+W close it. Given an owner, it stays above
// the owner and closes and goes away together with it. Above the fields it
// says where the stamp's date comes from when that is not the EXIF block
// ("date from the file name"), and is otherwise hidden.
class ExifWindow : public QWidget {
    Q_OBJECT

public:
    // dateSource: the date and where it came from, empty for EXIF or none.
    static void showExif(
        const QString& readable, const QString& raw, const QString& dateSource, QWidget* owner, Settings& settings);
    // The open window, or nullptr.
    static ExifWindow* instance();
    // Closes the open window, if any.
    static void closeExif();

    ~ExifWindow() override;

    QPlainTextEdit* textEdit() const { return m_text; }
    QCheckBox* rawValues() const { return m_raw; }
    QLabel* dateSource() const { return m_dateSource; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ExifWindow(QWidget* owner, Settings& settings);
    void showText();

    Settings& m_settings;
    QPlainTextEdit* m_text;
    QCheckBox* m_raw;
    QLabel* m_dateSource;
    QString m_readable;
    QString m_rawText;
    static QPointer<ExifWindow> s_instance;
};

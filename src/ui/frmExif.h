#pragma once

#include "files/mMain.h"
#include "platform/Twips.h"

#include <QPointer>
#include <QWidget>

class QPlainTextEdit;

// The EXIF window: all EXIF fields of the open photo as text, in a modeless
// window of which at most one exists. ShowExif creates it when it is closed
// and otherwise replaces its text and brings it forward; the flag ExifShown
// of the settings record it is given is true exactly while it is open. Given
// an owner, it closes and goes away together with the owner.
class frmExif : public QWidget {
    Q_OBJECT

public:
    static void ShowExif(const QString& s, QWidget* owner, SettingsRecord& settings);
    // The open window, or nullptr.
    static frmExif* instance();
    // Closes the open window, if any.
    static void closeExif();

    ~frmExif() override;

    QPlainTextEdit* Text1() const { return m_text; }

    static constexpr int TwipsPerPixel = Twips::PerPixel;
    static constexpr int MarginTwips = 60;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    frmExif(QWidget* owner, SettingsRecord& settings);
    void layOut();

    SettingsRecord& m_settings;
    QPlainTextEdit* m_text;
    static QPointer<frmExif> s_instance;
};

#pragma once

#include "platform/Twips.h"
#include "workflow/BatchReport.h"
#include "workflow/PhotoEngineHost.h"

#include <QDialog>

class PhotoEngine;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The batch dialog: the target folder, the filter choice and Go, which runs
// the engine's batch over the source folder with a progress bar and a
// Cancel button (the batch stops after the photo it is on), then shows what
// was done and closes.
//
// While the batch runs the dialog is the engine's host: it shows progress
// and lets the window repaint between photos, and hands the display calls
// on to the main window's host (mainHost), which it gives back to the
// engine at the end.
class frmBatch : public QDialog, private PhotoEngineHost {
    Q_OBJECT

public:
    frmBatch(PhotoEngine& engine, const QString& sourceFolder, PhotoEngineHost* mainHost = nullptr,
        QWidget* owner = nullptr);

    // Go, as the button does. Also callable by tests.
    void Go();
    // Asks a running batch to stop after the current photo.
    void cancelBatch() { m_cancelRequested = true; }
    bool isRunning() const { return m_running; }
    // What the last Go did.
    const BatchReport& report() const { return m_report; }

    QLineEdit* txtCible() const { return m_txtCible; }
    QLabel* Image1() const { return m_image1; }
    QCheckBox* Check1() const { return m_check1; }
    QPushButton* Command1() const { return m_command1; }
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* cmdCancel() const { return m_cancel; }

    static constexpr int TwipsPerPixel = Twips::PerPixel;

public slots:
    // While the batch runs, closing the dialog means Cancel.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void browseTarget();
    void LayoutPreview() override;
    void RefreshDisplay() override;
    void ShowExif(const QString& text) override;
    bool BatchStep(int done, int total, const QString& path) override;

    PhotoEngine& m_engine;
    QString m_sourceFolder;
    PhotoEngineHost* m_mainHost;
    QLineEdit* m_txtCible;
    QLabel* m_image1;
    QCheckBox* m_check1;
    QPushButton* m_command1;
    QLabel* m_progressText;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    BatchReport m_report;
    bool m_running = false;
    bool m_cancelRequested = false;
};

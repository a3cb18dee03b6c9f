#pragma once

#include "platform/Twips.h"
#include "workflow/BatchReport.h"
#include "workflow/BatchRunner.h"

#include <QDialog>

class PhotoEngine;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The batch dialog: the target folder, the filter choice, whether to skip
// the photos saved already and to go down into every sub-folder, and Go,
// which runs the engine's batch over the source folder on every core with a
// progress bar and a Cancel button, then shows what was done and closes.
//
// The batch has photo states of its own: the engine's open photo, and so
// the main window, stays as it was. batchRunning tells the window when to
// lock its photo commands and when to give them back.
class frmBatch : public QDialog, private BatchListener {
    Q_OBJECT

public:
    frmBatch(PhotoEngine& engine, const QString& sourceFolder, QWidget* owner = nullptr);

    // Go, as the button does. Also callable by tests.
    void Go();
    // Asks a running batch to stop: no photo starts any more.
    void cancelBatch() { m_cancelRequested = true; }
    bool isRunning() const { return m_running; }
    // Photos in flight at once; one per core unless set.
    void setJobs(int jobs) { m_jobs = jobs; }
    // What the last Go did.
    const BatchReport& report() const { return m_report; }

    QLineEdit* txtCible() const { return m_txtCible; }
    QLabel* Image1() const { return m_image1; }
    QCheckBox* Check1() const { return m_check1; }
    QCheckBox* chkSkipExisting() const { return m_skipExisting; }
    QCheckBox* chkRecursive() const { return m_recursive; }
    QPushButton* Command1() const { return m_command1; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* progressText() const { return m_progressText; }
    QPushButton* cmdCancel() const { return m_cancel; }

    static constexpr int TwipsPerPixel = Twips::PerPixel;

signals:
    void batchRunning(bool running);

public slots:
    // While the batch runs, closing the dialog means Cancel.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void browseTarget();
    bool started(const BatchPlan& plan) override;
    bool photoDone(const BatchPlan::Photo& photo, const BatchOutcome& outcome, int done, int total) override;
    bool waiting() override;

    PhotoEngine& m_engine;
    QString m_sourceFolder;
    QLineEdit* m_txtCible;
    QLabel* m_image1;
    QCheckBox* m_check1;
    QCheckBox* m_skipExisting;
    QCheckBox* m_recursive;
    QPushButton* m_command1;
    QLabel* m_progressText;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    BatchReport m_report;
    int m_jobs = 0;
    bool m_running = false;
    bool m_cancelRequested = false;
};

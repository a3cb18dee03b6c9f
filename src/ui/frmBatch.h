#pragma once

#include "platform/Twips.h"
#include "workflow/BatchReport.h"
#include "workflow/BatchRunner.h"

#include <QDialog>

#include <functional>

class PhotoEngine;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QProgressBar;
class QPushButton;

// The batch dialog: the target folder, the filter choice, whether to skip
// the photos saved already, to go down into every sub-folder and to replace
// files that Quillon did not write (off each time it opens), the source
// folder with how many photos the batch will treat in how many folders, and
// Go, which runs the engine's batch over the source folder on every core
// with a progress bar and a Cancel button, then shows what was done and
// closes. The summary gives the counts; the line of each photo that failed
// or needs a word, and of each entry passed over, is in its details.
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
    // Shows the summary box at the end of Go in place of running it modal,
    // for every dialog; tests look at the box there. Returns the hook it
    // replaces.
    using SummaryHook = std::function<void(QMessageBox& box)>;
    static SummaryHook setSummaryHook(SummaryHook hook);
    // Works out the source line again from the choices as they are now.
    void showSource();

    QLineEdit* txtCible() const { return m_txtCible; }
    QLabel* Image1() const { return m_image1; }
    QCheckBox* Check1() const { return m_check1; }
    QCheckBox* chkSkipExisting() const { return m_skipExisting; }
    QCheckBox* chkRecursive() const { return m_recursive; }
    QCheckBox* chkOverwrite() const { return m_overwrite; }
    QPushButton* Command1() const { return m_command1; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* progressText() const { return m_progressText; }
    QPushButton* cmdCancel() const { return m_cancel; }
    QLabel* lblSource() const { return m_source; }

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
    // The box that says what the batch did; stopped is why it ended early,
    // if something other than a photo's failure ended it.
    void showSummary(const QString& stopped);
    static SummaryHook& summaryHook();
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
    QCheckBox* m_overwrite;
    QPushButton* m_command1;
    QLabel* m_progressText;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    QLabel* m_source;
    BatchReport m_report;
    int m_jobs = 0;
    bool m_running = false;
    bool m_cancelRequested = false;
};

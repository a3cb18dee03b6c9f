#pragma once

#include "platform/Twips.h"
#include "workflow/BatchReport.h"
#include "workflow/BatchRunner.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>

class PhotoEngine;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QThread;

// The batch dialog: the target folder, the filter choice, whether to skip
// the photos saved already, to go down into every sub-folder and to replace
// files that Quillon did not write (off each time it opens), the source
// folder with how many photos the batch will treat in how many folders, and
// Go, which runs the engine's batch over the source folder on every core
// with a progress bar and a Cancel button, then shows what was done and
// closes. The summary gives the counts; the line of each photo that failed
// or needs a word, and of each entry passed over, is in its details.
//
// The batch runs on a thread of its own, with a copy of the settings and of
// the stamp as they are at Go: the window keeps painting and Cancel is
// heard at once. It has photo states of its own: the engine's open photo,
// and so the main window, stays as it was. batchRunning tells the window
// when to lock its photo commands and when to give them back. Closing the
// owner window, or destroying the dialog, during a batch stops it and waits
// for the photos in flight.
class BatchDialog : public QDialog, private BatchListener {
    Q_OBJECT

public:
    BatchDialog(PhotoEngine& engine, const QString& sourceFolder, QWidget* owner = nullptr);
    ~BatchDialog() override;

    // Go, as the button does: starts the batch and returns at once; the
    // summary follows when it ends, then the dialog closes. Nothing while a
    // batch runs. Also callable by tests.
    void start();
    // Asks a running batch to stop: no photo starts any more. From any thread.
    void cancelBatch();
    bool isRunning() const { return m_running; }
    // Photos in flight at once; one per core unless set.
    void setJobs(int jobs) { m_jobs = jobs; }
    // What the last batch did, once it has ended.
    const BatchReport& report() const { return m_report; }
    // Shows the summary box at the end of the batch in place of running it
    // modal, for every dialog; tests look at the box there. Returns the
    // hook it replaces.
    using SummaryHook = std::function<void(QMessageBox& box)>;
    static SummaryHook setSummaryHook(SummaryHook hook);
    // Works out the source line again from the choices as they are now.
    void showSource();

    QLineEdit* targetFolderEdit() const { return m_targetFolderEdit; }
    QLabel* folderIcon() const { return m_folderIcon; }
    QCheckBox* filterCheck() const { return m_filterCheck; }
    QCheckBox* skipExistingCheck() const { return m_skipExisting; }
    QCheckBox* recursiveCheck() const { return m_recursive; }
    QCheckBox* overwriteCheck() const { return m_overwrite; }
    QPushButton* goButton() const { return m_goButton; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* progressText() const { return m_progressText; }
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* sourceLabel() const { return m_source; }

    static constexpr int TwipsPerPixel = Twips::PerPixel;

signals:
    void batchRunning(bool running);
    // Emitted on the batch's thread: the batch treats photos photos.
    void batchStarted(int photos);
    // Emitted on the batch's thread, in batch order: done of total photos
    // have come to their outcome, the last of them named photoName.
    void photoReported(int done, int total, const QString& photoName, bool skipped);
    // Emitted on the thread that asks, the moment a batch is first asked to
    // stop: before anything waits for the batch to end.
    void stopRequested();

public slots:
    // While the batch runs, closing the dialog in any way means Cancel.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What a batch reads and what it gives back, its own for as long as it
    // runs.
    struct Run;

    void buildLayout(QLabel* title, QLabel* destination);
    void browseTarget();
    // The source line, with as much of the folder as its width shows.
    void elideSource();
    void onCancelClicked();
    void onBatchStarted(int photos);
    void onPhotoReported(int done, int total, const QString& photoName, bool skipped);
    void onBatchFinished();
    // Stops a running batch and waits for it: the photos in flight end first.
    void stopAndWait();
    // The thread has ended: the report is taken over and the window hears
    // that the batch is over. Returns why the batch stopped early, if
    // something other than a photo's failure stopped it.
    QString endBatch();
    // The box that says what the batch did; stopped is why it ended early.
    void showSummary(const QString& stopped);
    static SummaryHook& summaryHook();
    // The listener, called on the batch's thread: it touches no widget.
    bool started(const BatchPlan& plan) override;
    bool photoDone(const BatchPlan::photo& photo, const BatchOutcome& outcome, int done, int total) override;
    bool waiting() override;

    PhotoEngine& m_engine;
    QString m_sourceFolder;
    QString m_sourceCounts; // what the source line says after the folder
    QLineEdit* m_targetFolderEdit;
    QLabel* m_folderIcon;
    QCheckBox* m_filterCheck;
    QCheckBox* m_skipExisting;
    QCheckBox* m_recursive;
    QCheckBox* m_overwrite;
    QPushButton* m_goButton;
    QLabel* m_progressText;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    QLabel* m_source;
    QWidget* m_ownerWindow = nullptr;
    BatchReport m_report;
    int m_jobs = 0;
    bool m_running = false;
    std::atomic<bool> m_cancelRequested = false;
    std::unique_ptr<Run> m_run;
    std::unique_ptr<QThread> m_thread;
};

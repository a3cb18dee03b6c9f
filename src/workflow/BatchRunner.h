#pragma once

#include "files/SettingsFile.h"
#include "workflow/BatchPlan.h"
#include "workflow/BatchReport.h"
#include "workflow/PhotoState.h"
#include "workflow/StampPlacement.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <optional>

class PixelBudget;

// What became of one photo of a batch.
struct BatchOutcome {
    enum class Kind { Treated, Skipped, Failed };
    Kind kind = Kind::Treated;
    QString reason; // why it failed
    QList<BatchReport::Entry> notes; // what is worth knowing about a photo written
};

// Hears of a running batch, on the thread that runs it.
class BatchListener {
public:
    virtual ~BatchListener() = default;
    // The batch begins with this plan. False stops it before any photo.
    virtual bool started(const BatchPlan& /*plan*/) { return true; }
    // The photo has come to its outcome; done of total photos have. Called
    // in batch order. False asks the batch to stop.
    virtual bool photoDone(
        const BatchPlan::photo& /*photo*/, const BatchOutcome& /*outcome*/, int /*done*/, int /*total*/)
    {
        return true;
    }
    // The batch waits for its jobs; called a few times a second, so that a
    // stop asked for from elsewhere (Ctrl-C, a window's Cancel) is heard
    // while no photo is reported. False asks the batch to stop.
    virtual bool waiting() { return true; }
};

// Runs a batch plan: each photo to treat goes through open, build, the
// filter (when the settings ask for it), the stamp (when one is given) and
// the save, on jobs threads of its own. Each job owns a PhotoState, with its
// image processor and buffers, and keeps it photo after photo; the stamp
// and the settings are values of the runner that no job changes. The
// outputs are the same bytes whatever the number of jobs.
//
// Outcomes reach the listener in batch order, whatever order the jobs
// finish in. A job starts a photo only while fewer than twice as many
// photos as there are jobs are ahead of the last one reported; with one
// job, only once every photo before it is reported, so nothing is read
// ahead and a stop asked for after photo k leaves exactly k photos done.
//
// After a stop no photo starts, and the photos in flight are abandoned
// between two steps or finished if their save is under way; every file
// written is whole, since every write is atomic. The report counts what
// was written, stopped or not.
class BatchRunner {
public:
    // jobs 0 means one per core; foreign says what becomes of a file at an
    // output path that Quillon did not write (refused by default).
    BatchRunner(const Settings& settings, std::optional<StampPlacement> stamp, int jobs = 0, ForeignFiles foreign = {});

    // When the system has fewer threads to give than jobs, the batch runs
    // with those it gave, or on the calling thread when it gave none, and
    // the report's first note says so ("started 2 of 8 jobs: reason").
    BatchReport run(const BatchPlan& plan, BatchListener* listener = nullptr) const;

    // The cores this process may run on.
    static int availableCores();

    // The pixel memory the jobs may hold together: each waits before
    // decoding a photo until what it needs fits (PhotoState::pixelBytesFor),
    // and one job always proceeds. By default defaultMemoryBudget().
    void setMemoryBudget(int64_t bytes) { m_memoryBudget = bytes; }
    int64_t memoryBudget() const { return m_memoryBudget; }
    // Half the memory of the machine (or of its container), never less than
    // minMemoryBudget().
    static int64_t defaultMemoryBudget();
    // What the largest photo accepted needs: PixelSurface::MaxPixels, square,
    // turned upright.
    static int64_t minMemoryBudget();

    // How many job threads the next runs may start at most, for tests that
    // play a system out of threads: the next start fails as the system's
    // does (negative: no limit).
    void setThreadLimit(int threads) { m_threadLimit = threads; }

private:
    // Treats the photo; false when it was abandoned because stop was set.
    bool treat(PhotoState& state, const BatchPlan::photo& photo, const SourceGuard& sources, PixelBudget& budget,
        const std::atomic<bool>& stop, BatchOutcome& outcome) const;

    Settings m_settings;
    std::optional<StampPlacement> m_stamp;
    int m_jobs;
    ForeignFiles m_foreign;
    int64_t m_memoryBudget;
    int m_threadLimit = -1;
};

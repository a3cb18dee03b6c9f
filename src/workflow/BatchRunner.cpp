#include "workflow/BatchRunner.h"

#include "platform/PhotoFile.h"

#include "platform/PixelBudget.h"
#include "platform/PixelMemory.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"
#include "workflow/LosslessSave.h"
#include "workflow/PhotoState.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <sched.h>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// How often the thread that runs the batch looks up from its waiting.
constexpr std::chrono::milliseconds WaitingInterval(50);

// What the jobs and the reporting thread share, under the mutex.
struct progress {
    std::mutex mutex;
    std::condition_variable photoStartable; // the reported count grew, or stop
    std::condition_variable photoFinished;
    std::vector<std::optional<BatchOutcome>> outcomes; // by photo, in batch order
    size_t nextWork = 0; // into the list of photos to treat
    int reported = 0; // photos reported, from the first
    int lead = 1; // how far past the last photo reported a photo may start
    std::atomic<bool> stop = false;
};

// Keeps at least blocks freed pictures for as long as it lives.
class PixelCache {
public:
    explicit PixelCache(size_t blocks)
        : m_before(PixelMemory::cacheCapacity())
    {
        PixelMemory::setCacheCapacity(std::max(blocks, m_before));
    }
    ~PixelCache() { PixelMemory::setCacheCapacity(m_before); }
    PixelCache(const PixelCache&) = delete;
    PixelCache& operator=(const PixelCache&) = delete;

private:
    size_t m_before;
};

} // namespace

BatchRunner::BatchRunner(const Settings& settings, std::optional<StampPlacement> stamp, int jobs, ForeignFiles foreign)
    : m_settings(settings)
    , m_stamp(std::move(stamp))
    , m_jobs(jobs > 0 ? jobs : availableCores())
    , m_foreign(std::move(foreign))
    , m_memoryBudget(defaultMemoryBudget())
{
}

int64_t BatchRunner::defaultMemoryBudget()
{
    return std::max(PixelBudget::machineShare(), minMemoryBudget());
}

int64_t BatchRunner::minMemoryBudget()
{
    const auto side = static_cast<int>(std::sqrt(static_cast<double>(PixelSurface::MaxPixels)));
    return PhotoState::pixelBytesFor(QSize(side, side), QSize(side, side), 6);
}

int BatchRunner::availableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) return std::max(1, CPU_COUNT(&set));
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

BatchReport BatchRunner::run(const BatchPlan& plan, BatchListener* listener) const
{
    BatchListener silent;
    if (listener == nullptr) listener = &silent;
    const QList<BatchPlan::photo>& photos = plan.photos();
    const int total = static_cast<int>(photos.size());

    progress progress;
    progress.outcomes.resize(photos.size());
    std::vector<int> work; // the photos to treat, by their place in the batch
    for (int i = 0; i < total; ++i) {
        switch (photos[i].action) {
        case BatchPlan::Action::Treat:
            work.push_back(i);
            break;
        case BatchPlan::Action::Skip:
            progress.outcomes[i] = BatchOutcome { BatchOutcome::Kind::Skipped, QString(), {} };
            break;
        case BatchPlan::Action::Refuse:
            progress.outcomes[i] = BatchOutcome { BatchOutcome::Kind::Failed, photos[i].refusal, {} };
            break;
        }
    }

    progress.stop = !listener->started(plan);
    const int jobs = std::clamp(m_jobs, 1, std::max<int>(1, static_cast<int>(work.size())));
    const auto leadFor = [](int jobs) { return jobs == 1 ? 1 : 2 * jobs; };
    progress.lead = leadFor(jobs);
    // Between two photos each job gives back the memory of its full-size
    // picture (its scratch buffer meanwhile) and of its display; the next
    // photo of the same size takes them up again instead of fresh memory,
    // which the system would have to clear.
    const PixelCache cache(static_cast<size_t>(2 * jobs));
    PixelBudget budget(m_memoryBudget);
    // The next photo to treat once it may start, waiting for that; -1 when
    // there is none or the batch stops.
    const auto takeWork = [&] {
        std::unique_lock<std::mutex> lock(progress.mutex);
        progress.photoStartable.wait(lock, [&] {
            return progress.stop || progress.nextWork >= work.size()
                || work[progress.nextWork] < progress.reported + progress.lead;
        });
        if (progress.stop || progress.nextWork >= work.size()) return -1;
        return work[progress.nextWork++];
    };
    const auto treatPhoto = [&](PhotoState& state, int index) {
        BatchOutcome outcome;
        const bool finished = treat(state, photos[index], plan.sources(), budget, progress.stop, outcome);
        {
            const std::lock_guard<std::mutex> lock(progress.mutex);
            if (finished) progress.outcomes[index] = std::move(outcome);
        }
        progress.photoFinished.notify_all();
    };
    const auto job = [&] {
        PhotoState state; // this job's, photo after photo
        for (int index = takeWork(); index >= 0; index = takeWork())
            treatPhoto(state, index);
    };
    // The system may have fewer threads to give than asked for (a low limit
    // of address space or of processes): the batch runs with those it gave.
    std::vector<std::jthread> threads;
    QString threadProblem;
    try {
        if (!work.empty()) {
            for (int j = 0; j < jobs; ++j) {
                if (m_threadLimit >= 0 && j >= m_threadLimit)
                    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                threads.emplace_back(job);
            }
        }
    } catch (const std::system_error& error) {
        threadProblem = QString::fromStdString(error.code().message());
    }
    std::optional<PhotoState> callerState; // when no thread could start: the photos are treated here
    if (!threadProblem.isEmpty()) {
        {
            const std::lock_guard<std::mutex> lock(progress.mutex);
            progress.lead = leadFor(std::max<int>(1, static_cast<int>(threads.size())));
        }
        progress.photoStartable.notify_all();
        if (threads.empty()) callerState.emplace();
    }

    BatchReport report;
    report.total = total;
    if (!threadProblem.isEmpty())
        report.notes.append({ QString(),
            QStringLiteral("started %1 of %2 jobs: %3")
                .arg(std::max<size_t>(1, threads.size()))
                .arg(jobs)
                .arg(threadProblem) });
    for (const PhotoFolder::PassedOver& entry : plan.passedOver())
        report.passedOver.append({ entry.path, QStringLiteral("passed over: ") + entry.reason });
    int done = 0;
    const auto account = [&](int i, const BatchOutcome& outcome) {
        switch (outcome.kind) {
        case BatchOutcome::Kind::Treated:
            ++report.treated;
            report.notes << outcome.notes;
            break;
        case BatchOutcome::Kind::Skipped:
            ++report.skipped;
            break;
        case BatchOutcome::Kind::Failed:
            report.failures.append({ photos[i].path, outcome.reason });
            break;
        }
        return listener->photoDone(photos[i], outcome, ++done, total);
    };

    int next = 0; // the next photo to report
    for (; next < total && !progress.stop; ++next) {
        if (callerState) {
            bool due = false;
            {
                const std::lock_guard<std::mutex> lock(progress.mutex);
                due = !progress.outcomes[next];
            }
            if (due) {
                if (const int index = takeWork(); index >= 0) treatPhoto(*callerState, index);
            }
        }
        BatchOutcome outcome;
        {
            std::unique_lock<std::mutex> lock(progress.mutex);
            while (!progress.outcomes[next] && !progress.photoFinished.wait_for(lock, WaitingInterval, [&] {
                return progress.outcomes[next].has_value();
            })) {
                lock.unlock();
                const bool goOn = listener->waiting();
                lock.lock();
                if (!goOn) break;
            }
            if (!progress.outcomes[next]) {
                progress.stop = true;
                break;
            }
            outcome = *progress.outcomes[next];
        }
        const bool goOn = account(next, outcome);
        {
            const std::lock_guard<std::mutex> lock(progress.mutex);
            if (goOn)
                progress.reported = next + 1;
            else
                progress.stop = true;
        }
        progress.photoStartable.notify_all();
    }
    progress.photoStartable.notify_all();
    threads.clear(); // joins: the jobs finish or abandon what they hold

    // After a stop: the photos that were under way and got written.
    bool cut = false;
    for (; next < total; ++next) {
        if (progress.outcomes[next] && photos[next].action == BatchPlan::Action::Treat)
            account(next, *progress.outcomes[next]);
        else
            cut = true;
    }
    report.cancelled = cut;
    return report;
}

bool BatchRunner::treat(PhotoState& state, const BatchPlan::photo& photo, const SourceGuard& sources,
    PixelBudget& budget, const std::atomic<bool>& stop, BatchOutcome& outcome) const
{
    // Its steps read the photo whole, one after the other: it is read once.
    const PhotoFile::ReadOnce readOnce;
    try {
        state.setPaths(photo.path, { photo.outputPath, photo.thumbnailPath });
        state.open();
        if (stop) return false;
        // Stamp only: the scale, the filter and the effects are set aside,
        // also for a photo that is saved the usual way.
        const bool lossless = m_settings.losslessStamp;
        const QSize workingSize = PhotoState::workingSize(state.photoSize(), m_settings.scaleInUse());
        // Held until the photo is saved and its pictures are let go. The
        // stamp-only save holds the photo's coefficients (at 4:4:4 as many
        // bytes as the picture and the working image at scale 1 together);
        // a caption strip's picture, the band included, takes the working
        // image's place beside it.
        const QSize outputSize = m_settings.stripInUse().outputSize(workingSize);
        const PixelBudget::Reservation memory
            = budget.reserve(PhotoState::pixelBytesFor(state.photoSize(), outputSize, state.orientation()), stop);
        if (!memory) return false;
        // The warning and the save's notes name the photo themselves.
        const auto report = [&](const QString& warning, const QStringList& stampNotes, const QStringList& saveNotes) {
            outcome.kind = BatchOutcome::Kind::Treated;
            if (!warning.isEmpty()) outcome.notes.append({ QString(), warning });
            for (const QString& stampNote : stampNotes)
                outcome.notes.append({ photo.path, stampNote });
            for (const QString& note : saveNotes)
                outcome.notes.append({ QString(), note });
        };
        QStringList saveNotes;
        if (lossless) {
            LosslessSave::Result saved
                = LosslessSave::save(state, m_settings, m_stamp ? &*m_stamp : nullptr, sources, m_foreign);
            if (saved.saved) {
                report(saved.photoWarning, saved.stampNotes, saved.notes);
                return true;
            }
            saveNotes = saved.notes; // why it goes the usual way
            if (stop) return false;
        }
        state.buildWorkingImage(workingSize, PhotoState::Scratch::FromPhoto);
        if (stop) return false;
        if (m_settings.batchFilter && !lossless) state.processImage(m_settings.currentFilter);
        for (PhotoEffect effect : m_settings.effects)
            if (!lossless) state.applyEffect(effect);
        if (stop) return false;
        // Nothing follows the save: the stamp goes straight into the working
        // image, which is what a copy of it would hold.
        state.renderFinal(m_settings.stripInUse());
        if (m_stamp) state.printDateStamp(*m_stamp);
        saveNotes << state.saveOutputs(m_settings, sources, m_foreign);
        state.releaseDisplay();
        report(state.photoWarning(), state.stampNotes(), saveNotes);
    } catch (const RuntimeError& error) {
        outcome = { BatchOutcome::Kind::Failed, error.userText(), {} };
    } catch (const std::bad_alloc&) {
        outcome = { BatchOutcome::Kind::Failed, QStringLiteral("there is not enough memory for this photo"), {} };
    } catch (const std::exception& error) {
        outcome = { BatchOutcome::Kind::Failed, QString::fromLocal8Bit(error.what()), {} };
    }
    return true;
}

#include "ui/BatchDialog.h"

#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "ui/DesignSize.h"
#include "ui/DialogFont.h"
#include "ui/StandardDialogs.h"
#include "workflow/PhotoEngine.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QThread>

#include <exception>
#include <initializer_list>
#include <utility>

namespace {

// The dialog as it was designed, in twips, with four rows below for the
// skip, sub-folder and overwrite choices and the source line (the design's
// client area was 1230 high), and the progress row, shown while the batch
// runs. Each control gets at least its design size; the destination field
// and the source line take what the dialog gains in width.
namespace Design {
constexpr TwipsRect Client { 0, 0, 4485, 2400 };
constexpr TwipsRect titleLabel { 60, 120, 3600, 195 };
constexpr TwipsRect destinationLabel { 60, 480, 795, 195 };
constexpr TwipsRect targetFolderEdit { 960, 420, 2895, 285 };
constexpr TwipsRect folderIcon { 3960, 420, 240, 240 };
constexpr TwipsRect filterCheck { 960, 840, 1155, 255 };
constexpr TwipsRect goButton { 2640, 780, 1215, 375 };
constexpr TwipsRect skipExistingCheck { 960, 1230, 3300, 255 };
constexpr TwipsRect recursiveCheck { 960, 1500, 3300, 255 };
constexpr TwipsRect overwriteCheck { 960, 1770, 3300, 255 };
constexpr TwipsRect sourceLabel { 60, 2100, Client.width - 120, 255 };
constexpr TwipsRect progressText { 60, Client.height, Client.width - 120, 255 };
constexpr TwipsRect progressBar { 60, Client.height + 300, 2895, 300 };
constexpr TwipsRect cancelButton { 3060, Client.height + 255, 1215, 375 };
} // namespace Design

int px(int twips)
{
    return Twips::toPixels(twips);
}

} // namespace

// Everything the batch's thread touches, copied from the window's at Go:
// the window may change its own while the batch runs.
struct BatchDialog::Run {
    explicit Run(const PhotoEngine& from)
        : settings(from.settings())
    {
        engine.setStampPosition(from.stampPosition());
        engine.setShowDate(from.showDate());
        engine.setStampFont(from.stampFont());
    }
    Settings settings;
    PhotoEngine engine { settings };
    BatchReport report;
    QString stopped; // why the batch ended early, when no photo's failure did
};

BatchDialog::BatchDialog(PhotoEngine& engine, const QString& sourceFolder, QWidget* owner)
    : QDialog(owner)
    , m_engine(engine)
    , m_sourceFolder(sourceFolder)
{
    setWindowTitle(tr("Batch Transform"));
    setFont(DialogFont::sansSerif());

    auto* title = new QLabel(tr("Transform All Files in sub-folder with current options"), this);
    auto* destination = new QLabel(tr("Destination"), this);
    m_targetFolderEdit = new QLineEdit(engine.settings().targetFolder, this);

    m_folderIcon = new QLabel(this);
    m_folderIcon->setPixmap(style()->standardIcon(QStyle::SP_DirIcon).pixmap(16, 16));
    m_folderIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_folderIcon->setCursor(Qt::PointingHandCursor);
    m_folderIcon->setToolTip(tr("Choose a folder"));
    m_folderIcon->installEventFilter(this);

    // The box tells the truth about the flag: it keeps its value for the run.
    m_filterCheck = new QCheckBox(tr("Apply Filter"), this);
    m_filterCheck->setChecked(engine.settings().batchFilter);
    m_goButton = new QPushButton(tr("Go"), this);
    m_goButton->setAutoDefault(false);

    m_skipExisting = new QCheckBox(tr("Skip photos already saved"), this);
    m_recursive = new QCheckBox(tr("Include all sub-folders"), this);
    // Off whenever the dialog opens: replacing the user's own files is
    // chosen for one batch at a time, never remembered.
    m_overwrite = new QCheckBox(tr("Replace files not written by Quillon"), this);

    m_source = new QLabel(this);

    m_progressText = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setAutoDefault(false);
    for (QWidget* widget :
        { static_cast<QWidget*>(m_progressText), static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_cancel) })
        widget->hide();

    buildLayout(title, destination);

    // In the order the controls are seen, from the filter choice, where
    // the focus starts.
    setTabOrder(m_filterCheck, m_goButton);
    setTabOrder(m_goButton, m_skipExisting);
    setTabOrder(m_skipExisting, m_recursive);
    setTabOrder(m_recursive, m_overwrite);
    setTabOrder(m_overwrite, m_cancel);
    setTabOrder(m_cancel, m_targetFolderEdit);
    m_filterCheck->setFocus();

    // Closing the window during a batch stops the batch first.
    if (owner) {
        m_ownerWindow = owner->window();
        m_ownerWindow->installEventFilter(this);
    }

    connect(
        m_filterCheck, &QCheckBox::clicked, this, [this](bool checked) { m_engine.settings().batchFilter = checked; });
    connect(m_goButton, &QPushButton::clicked, this, &BatchDialog::start);
    connect(m_cancel, &QPushButton::clicked, this, &BatchDialog::onCancelClicked);
    // The batch's thread reports; the dialog shows it on its own thread.
    connect(this, &BatchDialog::batchStarted, this, &BatchDialog::onBatchStarted, Qt::QueuedConnection);
    connect(this, &BatchDialog::photoReported, this, &BatchDialog::onPhotoReported, Qt::QueuedConnection);
    // The target counts too: its own outputs are never sources, and it
    // holds the photos saved already.
    for (QCheckBox* choice : { m_skipExisting, m_recursive })
        connect(choice, &QCheckBox::toggled, this, &BatchDialog::showSource);
    connect(m_targetFolderEdit, &QLineEdit::editingFinished, this, &BatchDialog::showSource);
    showSource();
    resize(sizeHint().expandedTo(Design::Client.pixelSize()));
}

BatchDialog::~BatchDialog()
{
    // The batch's thread reads this dialog's copy of the settings and
    // reports to it: it ends before they go.
    stopAndWait();
    if (m_running) QApplication::restoreOverrideCursor();
}

void BatchDialog::buildLayout(QLabel* title, QLabel* destination)
{
    // Three columns: the captions, the controls (the destination field
    // takes what the dialog gains), the folder icon. The title, the source
    // line and the progress rows span them.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(px(Design::titleLabel.left), px(Design::titleLabel.top),
        px(Design::Client.width - Design::cancelButton.right()), px(Design::titleLabel.top));
    grid->setHorizontalSpacing(px(Design::targetFolderEdit.left - Design::destinationLabel.right()));
    grid->setVerticalSpacing(px(Design::goButton.top - Design::targetFolderEdit.bottom()));
    grid->addWidget(title, 0, 0, 1, 3);
    grid->addWidget(destination, 1, 0);
    grid->addWidget(m_targetFolderEdit, 1, 1);
    grid->addWidget(m_folderIcon, 1, 2, Qt::AlignVCenter);

    // Go stands at the right end of the destination field.
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(m_filterCheck);
    filterRow->addStretch(1);
    filterRow->addWidget(m_goButton);
    grid->addLayout(filterRow, 2, 1);
    grid->addWidget(m_skipExisting, 3, 1, 1, 2);
    grid->addWidget(m_recursive, 4, 1, 1, 2);
    grid->addWidget(m_overwrite, 5, 1, 1, 2);
    grid->addWidget(m_source, 6, 0, 1, 3);

    // Hidden until Go: their rows take no room before.
    grid->addWidget(m_progressText, 7, 0, 1, 3);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progress, 1);
    progressRow->addSpacing(px(Design::cancelButton.left - Design::progressBar.right()));
    progressRow->addWidget(m_cancel);
    grid->addLayout(progressRow, 8, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(9, 1);

    DesignSize::setMinimum(title, Design::titleLabel);
    DesignSize::setMinimum(destination, Design::destinationLabel);
    DesignSize::setMinimum(m_targetFolderEdit, Design::targetFolderEdit);
    DesignSize::setMinimum(m_folderIcon, Design::folderIcon);
    DesignSize::setMinimum(m_filterCheck, Design::filterCheck);
    DesignSize::setMinimum(m_goButton, Design::goButton);
    DesignSize::setMinimum(m_skipExisting, Design::skipExistingCheck);
    DesignSize::setMinimum(m_recursive, Design::recursiveCheck);
    DesignSize::setMinimum(m_overwrite, Design::overwriteCheck);
    DesignSize::setMinimum(m_progressText, Design::progressText);
    DesignSize::setMinimum(m_progress, Design::progressBar);
    DesignSize::setMinimum(m_cancel, Design::cancelButton);
    // The source line shows what fits of the folder, whatever its length.
    m_source->setMinimumSize(Design::sourceLabel.pixelSize());
    m_source->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_source->installEventFilter(this);
}

void BatchDialog::showSource()
{
    Settings settings = m_engine.settings();
    settings.targetFolder = m_targetFolderEdit->text();
    BatchOptions options;
    options.skipExisting = m_skipExisting->isChecked();
    options.recursive = m_recursive->isChecked();
    const BatchPlan plan = BatchPlan::make(m_sourceFolder, settings, options);
    // What the batch will treat: not the photos saved already, nor those it
    // refuses; folders by where the photos lie (the source folder itself
    // and a sub-folder of the same name share their output folders).
    QSet<QString> folders;
    for (const BatchPlan::photo& photo : plan.photos())
        if (photo.action == BatchPlan::Action::Treat) folders.insert(QFileInfo(photo.path).path());
    const int photos = plan.count(BatchPlan::Action::Treat);

    QString counts = photos == 1 ? tr("1 photo") : tr("%1 photos").arg(photos);
    counts = folders.size() == 1 ? tr("%1 in 1 folder").arg(counts)
                                 : tr("%1 in %2 folders").arg(counts).arg(folders.size());
    if (plan.count(BatchPlan::Action::Skip) > 0)
        counts = tr("%1 (%2 saved already)").arg(counts).arg(plan.count(BatchPlan::Action::Skip));
    if (const int left = plan.photosLeftInFolder(); left > 0)
        counts = tr("%1, not the %2 in the folder itself").arg(counts).arg(left);
    m_sourceCounts = counts;
    m_source->setToolTip(tr("Source: %1 — %2").arg(QDir::toNativeSeparators(m_sourceFolder), counts));
    elideSource();
}

void BatchDialog::elideSource()
{
    // The folder gives way in its middle when the line is too long.
    const QString folder = QDir::toNativeSeparators(m_sourceFolder);
    const QString line = tr("Source: %1 — %2");
    const QFontMetrics metrics = m_source->fontMetrics();
    const int room = m_source->width() - metrics.horizontalAdvance(line.arg(QString(), m_sourceCounts));
    m_source->setText(line.arg(metrics.elidedText(folder, Qt::ElideMiddle, std::max(room, 0)), m_sourceCounts));
}

BatchDialog::SummaryHook& BatchDialog::summaryHook()
{
    static SummaryHook hook;
    return hook;
}

BatchDialog::SummaryHook BatchDialog::setSummaryHook(SummaryHook hook)
{
    return std::exchange(summaryHook(), std::move(hook));
}

bool BatchDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_folderIcon && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_folderIcon->rect().contains(mouse->position().toPoint())
            && !m_running)
            browseTarget();
        return true;
    }
    if (watched == m_source && event->type() == QEvent::Resize) elideSource();
    // The window goes: so does its batch, with no summary.
    if (watched == m_ownerWindow && event->type() == QEvent::Close && m_running) {
        stopAndWait();
        endBatch();
        QDialog::done(QDialog::Rejected);
    }
    return QDialog::eventFilter(watched, event);
}

void BatchDialog::browseTarget()
{
    const QString folder = StandardDialogs::shared().chooseFolder(tr("Choose a folder"));
    if (folder.isEmpty()) return;
    m_targetFolderEdit->setText(folder);
    showSource();
}

void BatchDialog::done(int result)
{
    if (m_running) {
        onCancelClicked();
        return;
    }
    QDialog::done(result);
}

void BatchDialog::cancelBatch()
{
    if (!m_cancelRequested.exchange(true)) emit stopRequested();
}

void BatchDialog::onCancelClicked()
{
    cancelBatch();
    // Heard at once; the photos in flight still end.
    m_cancel->setEnabled(false);
    m_progressText->setText(tr("Stopping after the photos under way..."));
}

void BatchDialog::start()
{
    if (m_running) return;
    m_running = true;
    m_cancelRequested = false;
    m_goButton->hide();
    for (QWidget* choice :
        std::initializer_list<QWidget*> { m_targetFolderEdit, m_filterCheck, m_skipExisting, m_recursive, m_overwrite })
        choice->setEnabled(false);
    m_progressText->setText(tr("Looking for photos..."));
    m_progress->setRange(0, 0);
    m_progressText->show();
    m_progress->show();
    m_cancel->setEnabled(true);
    m_cancel->show();
    m_cancel->setFocus();
    resize(size().expandedTo(sizeHint()));
    // The pointer says that work goes on; the window still answers.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    emit batchRunning(true);

    m_engine.settings().targetFolder = m_targetFolderEdit->text();
    BatchOptions options;
    options.skipExisting = m_skipExisting->isChecked();
    options.recursive = m_recursive->isChecked();
    options.overwrite = m_overwrite->isChecked();
    options.overwriteHint = tr("check \"%1\" to replace it").arg(m_overwrite->text());
    options.jobs = m_jobs;
    m_report = BatchReport();
    m_run = std::make_unique<Run>(m_engine);
    m_thread.reset(QThread::create([this, run = m_run.get(), folder = m_sourceFolder, options] {
        // Failures of single photos are in the report; anything else ends
        // the batch here, and the user is told why.
        try {
            run->report = run->engine.batchTransform(folder, options, this);
        } catch (const RuntimeError& error) {
            run->stopped = error.userText();
        } catch (const std::exception& error) {
            run->stopped = QString::fromLocal8Bit(error.what());
        }
    }));
    // Emitted on the batch's thread as it ends, after its last report.
    connect(m_thread.get(), &QThread::finished, this, &BatchDialog::onBatchFinished, Qt::QueuedConnection);
    m_thread->start();
}

void BatchDialog::stopAndWait()
{
    if (!m_thread) return;
    cancelBatch();
    m_thread->wait();
}

void BatchDialog::onBatchFinished()
{
    if (!m_thread) return; // already ended, by the window closing
    const QString stopped = endBatch();
    showSummary(stopped);
    accept();
}

QString BatchDialog::endBatch()
{
    m_thread->wait(); // it has emitted finished; now it has returned
    m_thread.reset();
    m_report = std::move(m_run->report);
    const QString stopped = m_run->stopped;
    m_run.reset();
    m_running = false;
    QApplication::restoreOverrideCursor();
    emit batchRunning(false);
    return stopped;
}

void BatchDialog::showSummary(const QString& stopped)
{
    QMessageBox box(this);
    box.setWindowTitle(windowTitle());
    QStringList text;
    if (!m_report.blocked.isEmpty()) {
        text << m_report.blocked << tr("No photo was treated.");
    } else {
        if (stopped.isEmpty())
            text << m_report.countText();
        else
            text << tr("The batch stopped: %1\n%2").arg(stopped, m_report.countText());
        if (const qsizetype notes = m_report.notes.size(); notes > 0)
            text << (notes == 1 ? tr("1 note on the photos written.")
                                : tr("%1 notes on the photos written.").arg(notes));
    }
    box.setText(text.join(QLatin1Char('\n')));
    // Each photo's line goes into the details, which scroll: the box keeps
    // its size however many there are.
    const QStringList lines = m_report.problemLines();
    if (!lines.isEmpty()) box.setDetailedText(lines.join(QLatin1Char('\n')));
    const bool wrong = !m_report.failures.isEmpty() || !m_report.passedOver.isEmpty() || !m_report.blocked.isEmpty()
        || !stopped.isEmpty();
    box.setIcon(wrong ? QMessageBox::Warning : QMessageBox::Information);
    if (summaryHook())
        summaryHook()(box);
    else
        box.exec();
}

bool BatchDialog::started(const BatchPlan& plan)
{
    emit batchStarted(static_cast<int>(plan.photos().size()));
    return !m_cancelRequested;
}

bool BatchDialog::photoDone(const BatchPlan::photo& photo, const BatchOutcome& outcome, int done, int total)
{
    emit photoReported(done, total, QFileInfo(photo.path).fileName(), outcome.kind == BatchOutcome::Kind::Skipped);
    return !m_cancelRequested;
}

bool BatchDialog::waiting()
{
    // Cancel is heard here while the jobs work on long photos.
    return !m_cancelRequested;
}

void BatchDialog::onBatchStarted(int photos)
{
    m_progress->setRange(0, std::max(photos, 1));
    m_progress->setValue(0);
    if (!m_cancelRequested) m_progressText->setText(tr("0 of %1 photos done").arg(photos));
}

void BatchDialog::onPhotoReported(int done, int total, const QString& photoName, bool skipped)
{
    m_progress->setValue(done);
    if (!m_cancelRequested)
        m_progressText->setText(tr("%1 of %2 photos done: %3%4")
                                    .arg(done)
                                    .arg(total)
                                    .arg(photoName, skipped ? tr(" (skipped)") : QString()));
}

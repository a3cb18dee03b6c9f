#include "ui/frmBatch.h"

#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "ui/DialogFont.h"
#include "ui/cOpen.h"
#include "workflow/PhotoEngine.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QStyle>

#include <exception>
#include <initializer_list>
#include <utility>

namespace {

// The hourglass for as long as the batch runs, whichever way it ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The dialog as it was designed, in twips, with four rows below for the
// skip, sub-folder and overwrite choices and the source line (the design's
// client area was 1230 high). The progress row lies below the client area
// and is shown, with the room it needs, while the batch runs.
namespace Design {
constexpr TwipsRect Client { 0, 0, 4485, 2400 };
constexpr TwipsRect Label1 { 60, 120, 3600, 195 };
constexpr TwipsRect Label2 { 60, 480, 795, 195 };
constexpr TwipsRect txtCible { 960, 420, 2895, 285 };
constexpr TwipsRect Image1 { 3960, 420, 240, 240 };
constexpr TwipsRect Check1 { 960, 840, 1155, 255 };
constexpr TwipsRect Command1 { 2640, 780, 1215, 375 };
constexpr TwipsRect chkSkipExisting { 960, 1230, 3300, 255 };
constexpr TwipsRect chkRecursive { 960, 1500, 3300, 255 };
constexpr TwipsRect chkOverwrite { 960, 1770, 3300, 255 };
constexpr TwipsRect lblSource { 60, 2100, Client.width - 120, 255 };
constexpr TwipsRect progressText { 60, Client.height, Client.width - 120, 255 };
constexpr TwipsRect progressBar { 60, Client.height + 300, 2895, 300 };
constexpr TwipsRect cmdCancel { 3060, Client.height + 255, 1215, 375 };
constexpr TwipsRect Running { 0, 0, Client.width, Client.height + 780 };
} // namespace Design

} // namespace

frmBatch::frmBatch(PhotoEngine& engine, const QString& sourceFolder, QWidget* owner)
    : QDialog(owner)
    , m_engine(engine)
    , m_sourceFolder(sourceFolder)
{
    setWindowTitle(tr("Batch Transform"));
    setFont(DialogFont::sansSerif());
    setFixedSize(Design::Client.pixelSize());

    auto* label1 = new QLabel(tr("Transform All Files in sub-folder with current options"), this);
    label1->setGeometry(Design::Label1.pixels());
    auto* label2 = new QLabel(tr("Destination"), this);
    label2->setGeometry(Design::Label2.pixels());
    // Captions show whole even where this system's font is a little wider.
    for (QLabel* caption : { label1, label2 })
        caption->resize(std::min(std::max(caption->width(), caption->sizeHint().width()), width() - caption->x()),
            caption->height());

    m_txtCible = new QLineEdit(engine.settings().TargetFolder, this);
    m_txtCible->setGeometry(Design::txtCible.pixels());

    m_image1 = new QLabel(this);
    m_image1->setPixmap(style()->standardIcon(QStyle::SP_DirIcon).pixmap(16, 16));
    m_image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image1->setCursor(Qt::PointingHandCursor);
    m_image1->setToolTip(tr("Choose a folder"));
    m_image1->installEventFilter(this);
    m_image1->setGeometry(Design::Image1.pixels());

    // The box tells the truth about the flag: it keeps its value for the run.
    m_check1 = new QCheckBox(tr("Apply Filter"), this);
    m_check1->setChecked(engine.settings().BatchFilter);
    m_check1->setGeometry(Design::Check1.pixels());

    m_skipExisting = new QCheckBox(tr("Skip photos already saved"), this);
    m_skipExisting->setGeometry(Design::chkSkipExisting.pixels());
    m_recursive = new QCheckBox(tr("Include all sub-folders"), this);
    m_recursive->setGeometry(Design::chkRecursive.pixels());
    // Off whenever the dialog opens: replacing the user's own files is
    // chosen for one batch at a time, never remembered.
    m_overwrite = new QCheckBox(tr("Replace files not written by Quillon"), this);
    m_overwrite->setGeometry(Design::chkOverwrite.pixels());

    m_source = new QLabel(this);
    m_source->setGeometry(Design::lblSource.pixels());

    m_command1 = new QPushButton(tr("Go"), this);
    m_command1->setAutoDefault(false);
    m_command1->setGeometry(Design::Command1.pixels());

    m_progressText = new QLabel(this);
    m_progressText->setGeometry(Design::progressText.pixels());
    m_progress = new QProgressBar(this);
    m_progress->setGeometry(Design::progressBar.pixels());
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setAutoDefault(false);
    m_cancel->setGeometry(Design::cmdCancel.pixels());
    for (QWidget* widget :
        { static_cast<QWidget*>(m_progressText), static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_cancel) })
        widget->hide();

    setTabOrder(m_check1, m_skipExisting);
    setTabOrder(m_skipExisting, m_recursive);
    setTabOrder(m_recursive, m_overwrite);
    setTabOrder(m_overwrite, m_txtCible);
    setTabOrder(m_txtCible, m_command1);
    m_check1->setFocus();

    connect(m_check1, &QCheckBox::clicked, this, [this](bool checked) { m_engine.settings().BatchFilter = checked; });
    connect(m_command1, &QPushButton::clicked, this, &frmBatch::Go);
    connect(m_cancel, &QPushButton::clicked, this, &frmBatch::cancelBatch);
    // The target counts too: its own outputs are never sources, and it
    // holds the photos saved already.
    for (QCheckBox* choice : { m_skipExisting, m_recursive })
        connect(choice, &QCheckBox::toggled, this, &frmBatch::showSource);
    connect(m_txtCible, &QLineEdit::editingFinished, this, &frmBatch::showSource);
    showSource();
}

void frmBatch::showSource()
{
    SettingsRecord settings = m_engine.settings();
    settings.TargetFolder = m_txtCible->text();
    BatchOptions options;
    options.skipExisting = m_skipExisting->isChecked();
    options.recursive = m_recursive->isChecked();
    const BatchPlan plan = BatchPlan::make(m_sourceFolder, settings, options);
    // What the batch will treat: not the photos saved already, nor those it
    // refuses; folders by where the photos lie (the source folder itself
    // and a sub-folder of the same name share their output folders).
    QSet<QString> folders;
    for (const BatchPlan::Photo& photo : plan.photos())
        if (photo.action == BatchPlan::Action::Treat) folders.insert(QFileInfo(photo.path).path());
    const int photos = plan.count(BatchPlan::Action::Treat);

    QString counts = photos == 1 ? tr("1 photo") : tr("%1 photos").arg(photos);
    counts = folders.size() == 1 ? tr("%1 in 1 folder").arg(counts)
                                 : tr("%1 in %2 folders").arg(counts).arg(folders.size());
    if (plan.count(BatchPlan::Action::Skip) > 0)
        counts = tr("%1 (%2 saved already)").arg(counts).arg(plan.count(BatchPlan::Action::Skip));
    if (const int left = plan.photosLeftInFolder(); left > 0)
        counts = tr("%1, not the %2 in the folder itself").arg(counts).arg(left);
    // The folder gives way in its middle when the line is too long.
    const QString folder = QDir::toNativeSeparators(m_sourceFolder);
    const QString line = tr("Source: %1 — %2");
    const int room = m_source->width() - m_source->fontMetrics().horizontalAdvance(line.arg(QString(), counts));
    m_source->setText(line.arg(m_source->fontMetrics().elidedText(folder, Qt::ElideMiddle, std::max(room, 0)), counts));
    m_source->setToolTip(line.arg(folder, counts));
}

frmBatch::SummaryHook& frmBatch::summaryHook()
{
    static SummaryHook hook;
    return hook;
}

frmBatch::SummaryHook frmBatch::setSummaryHook(SummaryHook hook)
{
    return std::exchange(summaryHook(), std::move(hook));
}

bool frmBatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_image1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_image1->rect().contains(mouse->position().toPoint()) && !m_running)
            browseTarget();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmBatch::browseTarget()
{
    const QString folder = cOpen::shared().BrowseFolder(tr("Choose a folder"));
    if (folder.isEmpty()) return;
    m_txtCible->setText(folder);
    showSource();
}

void frmBatch::reject()
{
    if (m_running) {
        cancelBatch();
        return;
    }
    QDialog::reject();
}

void frmBatch::Go()
{
    if (m_running) return;
    m_running = true;
    m_cancelRequested = false;
    m_command1->hide();
    for (QWidget* choice :
        std::initializer_list<QWidget*> { m_txtCible, m_check1, m_skipExisting, m_recursive, m_overwrite })
        choice->setEnabled(false);
    setFixedSize(Design::Running.pixelSize());
    m_progressText->setText(tr("Looking for photos..."));
    m_progress->setRange(0, 0);
    m_progressText->show();
    m_progress->show();
    m_cancel->show();
    emit batchRunning(true);
    repaint();
    QCoreApplication::processEvents();

    QString stopped;
    {
        WaitCursor wait;
        m_engine.settings().TargetFolder = m_txtCible->text();
        BatchOptions options;
        options.skipExisting = m_skipExisting->isChecked();
        options.recursive = m_recursive->isChecked();
        options.overwrite = m_overwrite->isChecked();
        options.overwriteHint = tr("check \"%1\" to replace it").arg(m_overwrite->text());
        options.jobs = m_jobs;
        m_report = BatchReport();
        // Failures of single photos are in the report; anything else ends
        // the batch here, and the user is told why.
        try {
            m_report = m_engine.BatchTransform(m_sourceFolder, options, this);
        } catch (const RuntimeError& error) {
            stopped = error.userText();
        } catch (const std::exception& error) {
            stopped = QString::fromLocal8Bit(error.what());
        }
    }
    m_running = false;
    emit batchRunning(false);
    showSummary(stopped);
    accept();
}

void frmBatch::showSummary(const QString& stopped)
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

bool frmBatch::started(const BatchPlan& plan)
{
    const int total = static_cast<int>(plan.photos().size());
    m_progress->setRange(0, std::max(total, 1));
    m_progress->setValue(0);
    m_progressText->setText(tr("0 of %1 photos done").arg(total));
    return waiting();
}

bool frmBatch::photoDone(const BatchPlan::Photo& photo, const BatchOutcome& outcome, int done, int total)
{
    m_progress->setValue(done);
    m_progressText->setText(tr("%1 of %2 photos done: %3%4")
                                .arg(done)
                                .arg(total)
                                .arg(QFileInfo(photo.path).fileName(),
                                    outcome.kind == BatchOutcome::Kind::Skipped ? tr(" (skipped)") : QString()));
    return waiting();
}

bool frmBatch::waiting()
{
    // Cancel and the close box are heard here.
    QCoreApplication::processEvents();
    return !m_cancelRequested;
}

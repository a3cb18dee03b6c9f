#include "ui/MainWindow.h"

#include "files/IniFile.h"
#include "platform/Clipboard.h"
#include "platform/OutputMark.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "ui/AboutDialog.h"
#include "ui/BatchDialog.h"
#include "ui/DateStyleDialog.h"
#include "ui/DialogFont.h"
#include "ui/DriveList.h"
#include "ui/ExifWindow.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/FormatHelpDialog.h"
#include "ui/MainMenuBar.h"
#include "ui/MainWindowDesign.h"
#include "ui/OutputOptionsBox.h"
#include "ui/PhotoBrowser.h"
#include "ui/PreviewPane.h"
#include "ui/ProgramIcon.h"
#include "ui/ScreenFit.h"
#include "ui/StandardDialogs.h"
#include "workflow/PhotoFolder.h"
#include "workflow/PhotoState.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImageWriter>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

const QString ProductName = QStringLiteral("Quillon");
// The window's size, place, maximised state and column width.
const QString WindowSection = QStringLiteral("WINDOW");

int px(float twips)
{
    return Twips::toPixels(twips);
}

// The local file or folder a drag brings, if it is one the window opens.
QString droppedPath(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty()) return QString();
    const QUrl url = data->urls().first();
    if (!url.isLocalFile()) return QString();
    const QFileInfo info(url.toLocalFile());
    if (info.isDir() || (info.isFile() && PhotoFolder::isPhotoName(info.fileName()))) return info.absoluteFilePath();
    return QString();
}

} // namespace

MainWindow::MainWindow(const QString& iniPath, const QString& outputRoot, QWidget* parent)
    : QMainWindow(parent)
    , iniPath(iniPath)
    , outputRoot(outputRoot)
    , m_engine(m_settings, this)
{
    setWindowTitle(ProductName);
    setWindowIcon(ProgramIcon::icon());
    setAcceptDrops(true);
    m_previousHook = MessageBox::setHook([this](const QString& text, const QString& title, MessageBox::Kind kind) {
        const QString caption = title.isEmpty() ? ProductName : title;
        if (kind == MessageBox::Kind::Warning)
            QMessageBox::warning(this, caption, text);
        else
            QMessageBox::information(this, caption, text);
    });
    m_previousQuestionHook = MessageBox::setQuestionHook(
        [this](const QString& text, const QStringList& buttons, int defaultButton, const QString& title) {
            QMessageBox box(
                QMessageBox::Question, title.isEmpty() ? ProductName : title, text, QMessageBox::NoButton, this);
            // The last button is the one that turns the question down.
            QList<QPushButton*> added;
            for (qsizetype i = 0; i < buttons.size(); ++i) {
                const bool last = i + 1 == buttons.size();
                added << box.addButton(buttons[i], last ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
            }
            if (!added.isEmpty()) {
                box.setDefaultButton(added.value(defaultButton, added.last()));
                box.setEscapeButton(added.last());
            }
            box.exec();
            return static_cast<int>(added.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
        });

    buildControls();
    wireMenus();

    // Load: the image processor is the engine's own; then the settings,
    // the stamp's style and the output options.
    loadSettings();
    m_engine.applyDateStyle();
    fillOutputOptions();
    syncControls();

    // The design's client area lies between the menu bar and the status
    // bar, which says what the last command did.
    const QSize client = MainWindowDesign::Client.pixelSize();
    resize(client.width(), client.height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    restoreWindowPlacement();
    ScreenFit::keepOnScreen(this);
}

MainWindow::~MainWindow()
{
    m_engine.setHost(nullptr);
    MessageBox::setHook(m_previousHook);
    MessageBox::setQuestionHook(m_previousQuestionHook);
}

void MainWindow::buildControls()
{
    namespace Design = MainWindowDesign;
    // The left column and the picture area, with a splitter between them
    // where the design leaves a gap; the picture area takes what the window
    // gains, the column what the user hands it.
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(px(Design::previewViewport.left - Design::driveList.right()));
    setCentralWidget(m_splitter);

    auto* column = new QWidget(m_splitter);
    auto* columnLayout = new QVBoxLayout(column);
    // The column's foot keeps the viewport's margin to the window's edge.
    columnLayout->setContentsMargins(0, px(Design::driveList.top), 0, px(Design::ViewportMargin));
    columnLayout->setSpacing(0);

    m_browser = new PhotoBrowser(column);
    driveList = m_browser->driveList;
    folderList = m_browser->folderList;
    fileList = m_browser->fileList;
    connect(m_browser, &PhotoBrowser::photoChosen, this, &MainWindow::onFileChosen);
    connect(m_browser, &PhotoBrowser::folderShown, this, &MainWindow::onFolderShown);
    columnLayout->addWidget(m_browser, 1);
    columnLayout->addSpacing(px(Design::jpegOptionsBox.top - Design::fileList.bottom()));

    m_options = new OutputOptionsBox(m_settings, column);
    jpegOptionsBox = m_options;
    qualityBar = m_options->qualityBar;
    thumbnailCheck = m_options->thumbnailCheck;
    thumbnailWidthOption = m_options->thumbnailWidthOption;
    thumbnailWidthEdit = m_options->thumbnailWidthEdit;
    thumbnailHeightOption = m_options->thumbnailHeightOption;
    thumbnailHeightEdit = m_options->thumbnailHeightEdit;
    columnLayout->addWidget(m_options);
    // Stamp only shows the photo at the size and without the band it is
    // saved with, so that the stamp is dropped where it will be printed.
    connect(m_options, &OutputOptionsBox::losslessChanged, this, [this] {
        m_engine.applyDateStyle();
        changeSize();
    });
    columnLayout->addSpacing(px(Design::photoSizeLabel.top - Design::jpegOptionsBox.bottom()));

    // The two sizes with the arrow between them; a longer size pushes the
    // arrow and the output size to the right.
    photoSizeLabel = new QLabel(QStringLiteral("1280x960"), column);
    sizeArrowLabel = new QLabel(QStringLiteral("=>"), column);
    outputSizeLabel = new QLabel(QStringLiteral("1280x960"), column);
    auto* sizes = new QHBoxLayout;
    sizes->setSpacing(0);
    sizes->addWidget(photoSizeLabel);
    sizes->addSpacing(px(Design::sizeArrowLabel.left - Design::photoSizeLabel.right()));
    sizes->addWidget(sizeArrowLabel);
    sizes->addSpacing(px(Design::outputSizeLabel.left - Design::sizeArrowLabel.right()));
    sizes->addWidget(outputSizeLabel);
    sizes->addStretch(1);
    for (QLabel* label : { photoSizeLabel, sizeArrowLabel, outputSizeLabel })
        label->setFont(DialogFont::sansSerif());
    photoSizeLabel->setMinimumSize(Design::photoSizeLabel.pixelSize());
    outputSizeLabel->setMinimumSize(Design::outputSizeLabel.pixelSize());
    sizeArrowLabel->setMinimumSize(Design::sizeArrowLabel.pixelSize().expandedTo(sizeArrowLabel->sizeHint()));
    columnLayout->addLayout(sizes);

    m_preview = new PreviewPane(m_engine, m_splitter);
    previewViewport = m_preview->previewViewport;
    previewImage = m_preview->previewImage;
    stampLowerLabel = m_preview->stampLowerLabel;
    stampUpperLabel = m_preview->stampUpperLabel;
    displayView = m_preview->displayView;

    // The preview's zoom, at the status bar's right end.
    zoomLabel = new QLabel(this);
    statusBar()->addPermanentWidget(zoomLabel);

    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    const QSize client = Design::Client.pixelSize();
    m_splitter->setSizes({ px(Design::driveList.width), client.width() - px(Design::previewViewport.left) });
}

void MainWindow::wireMenus()
{
    m_menus = new MainMenuBar(this);
    setMenuBar(m_menus);
    MainMenuBar& m = *m_menus;
    fileMenu = m.fileMenu;
    openAction = m.openAction;
    openFolderAction = m.openFolderAction;
    saveBmpAction = m.saveBmpAction;
    saveJpgAction = m.saveJpgAction;
    batchSaveAction = m.batchSaveAction;
    exifAction = m.exifAction;
    aboutAction = m.aboutAction;
    exitAction = m.exitAction;
    sizeMenu = m.sizeMenu;
    size25Action = m.size25Action;
    size37Action = m.size37Action;
    size50Action = m.size50Action;
    size62Action = m.size62Action;
    size80Action = m.size80Action;
    size100Action = m.size100Action;
    effectMenu = m.effectMenu;
    lightenAction = m.lightenAction;
    darkenAction = m.darkenAction;
    filterMenu = m.filterMenu;
    filterActions = m.filterActions;
    applyFilterAction = m.applyFilterAction;
    revertAction = m.revertAction;
    optionsMenu = m.optionsMenu;
    showDateAction = m.showDateAction;
    dateStyleAction = m.dateStyleAction;
    thumbnailsAction = m.thumbnailsAction;
    dateFormatHelpAction = m.dateFormatHelpAction;

    // What the status bar says holds until the next command.
    const auto onClick = [this, &m](QAction* item, std::function<void()> command) {
        m.onClick(item, [this, command = std::move(command)] {
            statusBar()->clearMessage();
            command();
        });
    };
    onClick(openAction, [this] { onOpen(); });
    onClick(openFolderAction, [this] { onOpenFolder(); });
    onClick(saveBmpAction, [this] { onSaveBmp(); });
    onClick(saveJpgAction, [this] { onSaveJpg(); });
    onClick(batchSaveAction, [this] { onBatchSave(); });
    onClick(exifAction, [this] { onShowExif(); });
    onClick(aboutAction, [this] { showAboutBox(); });
    onClick(exitAction, [this] { close(); });
    const auto items = m.sizeItems();
    for (size_t k = 0; k < items.size(); ++k) {
        const double scale = MainMenuBar::SizeScales[k];
        onClick(items[k], [this, scale] { onSizeChosen(scale); });
    }
    onClick(m.copyItem, [this] { onCopy(); });
    onClick(m.fitAction, [this] { m_preview->zoomToFit(); });
    onClick(m.actualSizeAction, [this] { m_preview->setZoom(1.0); });
    onClick(m.zoomInAction, [this] { m_preview->zoomIn(); });
    onClick(m.zoomOutAction, [this] { m_preview->zoomOut(); });
    connect(m_preview, &PreviewPane::zoomChanged, this, &MainWindow::showZoom);
    onClick(lightenAction, [this] { onLighten(); });
    for (const auto& entry : m.effectItems) {
        const PhotoEffect effect = entry.second; // a lambda of clang 14 cannot capture a structured binding
        onClick(entry.first, [this, effect] { onEffect(effect); });
    }
    onClick(darkenAction, [this] { onDarken(); });
    for (int i = 0; i < static_cast<int>(filterActions.size()); ++i)
        onClick(filterActions[i], [this, i] { onFilterChosen(i); });
    onClick(applyFilterAction, [this] { onApplyFilter(); });
    onClick(revertAction, [this] { onRevert(); });
    onClick(showDateAction, [this] { onShowDate(); });
    onClick(dateStyleAction, [this] { onDateStyle(); });
    onClick(thumbnailsAction, [this] { onThumbnails(); });
    onClick(dateFormatHelpAction, [this] { showDateFormatHelp(); });
}

bool MainWindow::event(QEvent* event)
{
    // The menus send the status bar an empty tip as the mouse passes over
    // their items (none has a tip of its own); the bar keeps what the last
    // command said instead.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

// ---- Settings ---------------------------------------------------------

void MainWindow::loadSettings()
{
    Settings& s = settings();
    s.currentFilter = 5;
    filterIndex = 4;

    m_browser->restore(IniFile::readValue(iniPath, QStringLiteral("PATH"), QStringLiteral("drive"), QString()),
        IniFile::readValue(iniPath, QStringLiteral("PATH"), QStringLiteral("folder"), QString()));

    QStringList notes;
    m_engine.setStampPosition(SettingsFile::readStampPosition(iniPath, &notes));

    SettingsFile::load(iniPath, s, outputRoot, &notes);
    // Values that were not understood gave way to their defaults; the user
    // learns it before the window writes the defaults back.
    if (!notes.isEmpty())
        statusBar()->showMessage(
            QFileInfo(iniPath).fileName() + QStringLiteral(": ") + notes.join(QStringLiteral(". ")));
}

void MainWindow::saveSettings()
{
    // One replacement of the file with everything, the window's place too;
    // a file that cannot be written keeps its old content whole, and the
    // user learns that this run's options are lost, and why.
    const FileResult saved = SettingsFile::save(iniPath, settings(), driveList->drive(), folderList->path(),
        m_engine.stampPosition(), [this](IniFile& file) { storeWindowPlacement(file); });
    if (!saved && !m_settingsFailureTold) {
        m_settingsFailureTold = true;
        MessageBox::warn(
            tr("The settings could not be saved in %1: %2.").arg(QDir::toNativeSeparators(iniPath), saved.reason()),
            ProductName);
    }
}

void MainWindow::restoreWindowPlacement()
{
    IniFile file;
    if (!file.load(iniPath)) return;
    const auto stored = [&file](const QString& key) {
        return QByteArray::fromBase64(IniFile::readValue(file, WindowSection, key, QString()).toLatin1());
    };
    // What does not read back (a value edited by hand, another version's)
    // leaves the design's size and the system's place.
    restoreGeometry(stored(QStringLiteral("geometry")));
    m_splitter->restoreState(stored(QStringLiteral("splitter")));
    const QString maximized = IniFile::readValue(file, WindowSection, QStringLiteral("maximized"), QString());
    if (SettingsFile::textToBoolean(maximized).value_or(false)) setWindowState(windowState() | Qt::WindowMaximized);
    const QString thumbnails = IniFile::readValue(file, WindowSection, QStringLiteral("thumbnails"), QString());
    fileList->setThumbnailsShown(SettingsFile::textToBoolean(thumbnails).value_or(false));
    thumbnailsAction->setChecked(fileList->thumbnailsShown());
}

void MainWindow::storeWindowPlacement(IniFile& file) const
{
    file.setValue(WindowSection, QStringLiteral("geometry"), QString::fromLatin1(saveGeometry().toBase64()));
    file.setValue(WindowSection, QStringLiteral("maximized"), SettingsFile::booleanToText(isMaximized()));
    file.setValue(WindowSection, QStringLiteral("splitter"), QString::fromLatin1(m_splitter->saveState().toBase64()));
    file.setValue(
        WindowSection, QStringLiteral("thumbnails"), SettingsFile::booleanToText(fileList->thumbnailsShown()));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    saveSettings();
    // Thumbnails still being made are of no more use.
    fileList->stopThumbnails();
    QMainWindow::closeEvent(event);
}

void MainWindow::fillOutputOptions()
{
    m_options->fillOutputOptions();
}

void MainWindow::storeOutputOptions()
{
    m_options->storeOutputOptions();
}

// ---- Layout and display -----------------------------------------------

void MainWindow::layoutPreview()
{
    m_preview->showControls();
    m_preview->onResize();
}

void MainWindow::refreshDisplay()
{
    m_preview->showDisplayPicture();
    syncControls();
}

void MainWindow::syncControls()
{
    m_preview->showControls();
    // The photo's own size and the output's, in the whole pixels it is
    // saved with.
    const QSize photo = m_engine.photo().photoSize();
    const auto sizeText = [](QSize size) { return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()); };
    photoSizeLabel->setText(m_photoOpen ? sizeText(photo) : QString());
    outputSizeLabel->setText(m_photoOpen
            ? sizeText(settings().stripInUse().outputSize(PhotoState::workingSize(photo, settings().scaleInUse())))
            : QString());
    // Stamp only: the photo is saved at its own size, without effects.
    const bool reshapes = !settings().losslessStamp;
    for (QAction* effect : { applyFilterAction, lightenAction, darkenAction, revertAction })
        effect->setEnabled(m_photoOpen && reshapes);
    for (const auto& [item, effect] : m_menus->effectItems)
        item->setEnabled(m_photoOpen && reshapes);
    for (QAction* item : m_menus->sizeItems())
        item->setEnabled(reshapes);
    showDateAction->setChecked(m_engine.showDate());
    // The size in use is ticked; a stored scale the menu does not offer
    // ticks none.
    const auto items = m_menus->sizeItems();
    for (size_t k = 0; k < items.size(); ++k)
        items[k]->setChecked(std::abs(MainMenuBar::SizeScales[k] - settings().previewScale) < 1e-9);
    showZoom();
}

void MainWindow::showZoom()
{
    m_menus->fitAction->setChecked(m_preview->fitsWindow());
    const QString percent = QString::number(std::lround(m_preview->zoom() * 100)) + QStringLiteral(" %");
    zoomLabel->setText(!m_photoOpen ? QString() : m_preview->fitsWindow() ? tr("Fit: %1").arg(percent) : percent);
}

void MainWindow::updateTitle()
{
    const QString photo = QFileInfo(m_engine.photo().photoPath()).fileName();
    setWindowTitle(m_photoOpen ? QStringLiteral("%1 — %2").arg(photo, ProductName) : ProductName);
}

QString MainWindow::dateSourceText() const
{
    const StampPlacement::Date date = m_engine.photoDate();
    if (date.sourceNote().isEmpty()) return QString();
    return tr("Stamp: %1 (%2)").arg(date.text, date.sourceNote());
}

void MainWindow::showExif(const QString& text)
{
    ExifWindow::showExif(m_engine.readableExifText(), text, dateSourceText(), this, settings());
}

// ---- Browsing ---------------------------------------------------------

bool MainWindow::openPath(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir()) return m_browser->showFolder(info.absoluteFilePath());
    if (!info.isFile() || !PhotoFolder::isPhotoName(info.fileName())) return false;
    // The lists follow to the photo's folder where they can; the photo
    // opens either way.
    if (m_browser->showFolder(info.absolutePath())) m_browser->selectPhoto(info.fileName());
    m_engine.setPhotoPaths(QDir::cleanPath(info.absoluteFilePath()), outputRoot);
    openChosenPhoto();
    return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedPath(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString path = droppedPath(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    openPath(path);
}

void MainWindow::onFileChosen()
{
    const QString photo = m_browser->chosenPhoto();
    if (photo.isEmpty()) return;
    m_engine.setPhotoPaths(photo, outputRoot);
    openChosenPhoto();
}

void MainWindow::onFolderShown()
{
    // The photo of another folder is not left on show as if it were one of
    // this folder's.
    if (m_engine.photo().photoPath().isEmpty()) return;
    m_engine.closePhoto();
    m_photoOpen = false;
    m_preview->clearPreviewPicture();
    syncControls();
    updateTitle();
}

void MainWindow::openChosenPhoto()
{
    statusBar()->clearMessage();
    m_preview->clearPreviewPicture();
    // Opening the same photo again (another size) does not warn again.
    if (m_engine.photo().photoPath() != m_warnedPhoto) m_warnedPhoto.clear();
    m_photoOpen = attempt([this] {
        m_engine.openPhoto();
        m_preview->loadPreviewPicture();
    });
    // Nothing of the previous photo stays on show after one that failed.
    if (!m_photoOpen) m_engine.closePhoto();
    syncControls();
    updateTitle();
    if (m_photoOpen) warnAboutPhoto(m_engine.previewWarning());
    showPrintedLook();
}

void MainWindow::showPrintedLook()
{
    // The labels draw the plain two-colour stamp; an outline, a glow or
    // ink chosen by the photo shows only as it is printed.
    const bool printedOnly = settings().stampLook != StampLook::Shadow || settings().autoContrast;
    if (m_photoOpen && m_engine.showDate() && printedOnly && !m_engine.photo().workReady()) buildWorkingImage();
}

void MainWindow::warnAboutPhoto(const QString& warning)
{
    if (warning.isEmpty() || m_warnedPhoto == m_engine.photo().photoPath()) return;
    m_warnedPhoto = m_engine.photo().photoPath();
    MessageBox::warn(warning, ProductName);
}

// ---- Commands -----------------------------------------------------------

bool MainWindow::attempt(const std::function<void()>& step, const QString& failure)
{
    QString reason;
    try {
        step();
        return true;
    } catch (const RuntimeError& error) {
        reason = error.userText();
    } catch (const std::bad_alloc&) {
        reason = tr("There is not enough memory for this photo.");
    }
    if (!failure.isEmpty()) reason = failure + QStringLiteral(": ") + reason;
    if (!reason.endsWith(QLatin1Char('.'))) reason += QLatin1Char('.');
    MessageBox::warn(reason, ProductName);
    syncControls();
    return false;
}

bool MainWindow::photoNeeded()
{
    if (m_photoOpen) return true;
    MessageBox::show(tr("Open a photo first."), ProductName);
    return false;
}

bool MainWindow::buildWorkingImage()
{
    if (!attempt([this] { m_engine.buildWorkingImage(); })) return false;
    warnAboutPhoto(m_engine.photo().photoWarning());
    return true;
}

void MainWindow::onSizeChosen(double scale)
{
    settings().previewScale = scale;
    changeSize();
}

void MainWindow::changeSize()
{
    m_preview->resetPan();
    // Before any photo the scale is only kept for the next one.
    if (!m_engine.photo().photoPath().isEmpty()) openChosenPhoto();
    syncControls();
}

void MainWindow::onFilterChosen(int index)
{
    if (!photoNeeded() || !buildWorkingImage()) return;
    filterActions[filterIndex]->setChecked(false);
    filterActions[index]->setChecked(true);
    filterIndex = index;
    settings().currentFilter = index + 1;
}

void MainWindow::onApplyFilter()
{
    if (photoNeeded() && buildWorkingImage()) attempt([this] { m_engine.processImage(settings().currentFilter); });
}

void MainWindow::onLighten()
{
    if (photoNeeded() && buildWorkingImage()) attempt([this] { m_engine.lighten(); });
}

void MainWindow::onDarken()
{
    if (photoNeeded() && buildWorkingImage()) attempt([this] { m_engine.fade(); });
}

void MainWindow::onEffect(PhotoEffect effect)
{
    if (photoNeeded() && buildWorkingImage()) attempt([this, effect] { m_engine.applyEffect(effect); });
}

void MainWindow::onCopy()
{
    if (!photoNeeded() || !buildWorkingImage()) return;
    if (Clipboard::setImage(m_engine.photo().displayPicture()->toImage()))
        statusBar()->showMessage(tr("The picture is on the clipboard."));
    else
        MessageBox::warn(tr("The picture could not be put on the clipboard."), ProductName);
}

void MainWindow::onRevert()
{
    if (photoNeeded()) attempt([this] { m_engine.revertToOriginal(); });
}

void MainWindow::onSaveBmp()
{
    if (!photoNeeded() || !buildWorkingImage()) return;
    const QString path = askSaveFileName(tr("Save"), tr("BMP pictures") + QStringLiteral(" (*.bmp)|*.bmp|"));
    if (path.isEmpty()) return;
    QImageWriter writer(path, "BMP");
    if (!writer.write(m_engine.photo().displayPicture()->toImage())) {
        MessageBox::warn(
            tr("The picture could not be saved as %1: %2.").arg(QDir::toNativeSeparators(path), writer.errorString()),
            ProductName);
        return;
    }
    const QFileInfo saved(path);
    statusBar()->showMessage(
        tr("Saved %1 to %2").arg(saved.fileName(), QDir::toNativeSeparators(saved.absolutePath())));
}

bool MainWindow::chooseOutputPlace()
{
    const PhotoState& photo = m_engine.photo();
    SavedOutputs::Paths place
        = m_savedOutputs.placeFor(photo.photoPath(), { photo.outputPath(), photo.thumbnailPath() });
    const QString taken = m_savedOutputs.foreignFile(photo.photoPath(), place, settings().thumbShow);
    if (!taken.isEmpty()) {
        const SavedOutputs::Paths free = SavedOutputs::firstFreeNames(place);
        const QFileInfo file(taken);
        // An output of this photo's, from any run, is replaced unasked
        // (SavedOutputs), so the file in the way is another photo's output
        // or a file of somebody else's.
        const QString holds = OutputMark::of(taken)
            ? tr("%1 already holds %2, an output Quillon saved from another photo.")
            : tr("%1 already holds %2, a file Quillon did not write.");
        const int answer = MessageBox::ask(holds.arg(QDir::toNativeSeparators(file.absolutePath()), file.fileName())
                + QStringLiteral("\n\n")
                + tr("Replace it, or keep both and save this photo as %1?").arg(QFileInfo(free.output).fileName()),
            { tr("Replace"), tr("Keep both"), tr("Cancel") }, 1, ProductName);
        if (answer == 1)
            place = free;
        else if (answer != 0)
            return false;
    }
    m_engine.setOutputPaths(place.output, place.thumbnail);
    return true;
}

void MainWindow::onSaveJpg()
{
    if (!photoNeeded() || !buildWorkingImage() || !chooseOutputPlace()) return;
    const QFileInfo output(m_engine.photo().outputPath());
    QString note;
    if (!attempt([this, &note] { note = m_engine.saveOutputs(); }, tr("%1 was not saved").arg(output.fileName())))
        return;
    const PixelSurface* picture = m_engine.photo().displayPicture();
    const bool thumbnail = settings().thumbShow && picture
        && !PhotoState::thumbnailSize(
            QSize(picture->width(), picture->height()), settings().thumbHeight, settings().thumbWidth)
                .isEmpty();
    m_savedOutputs.remember(
        m_engine.photo().photoPath(), { output.filePath(), m_engine.photo().thumbnailPath() }, thumbnail);
    const auto folderOf = [](const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absolutePath()); };
    const QString outputFolder = folderOf(output.filePath());
    statusBar()->showMessage(thumbnail
            ? tr("Saved %1 to %2 and its thumbnail to %3")
                  .arg(output.fileName(), outputFolder, folderOf(m_engine.photo().thumbnailPath()))
            : tr("Saved %1 to %2").arg(output.fileName(), outputFolder));
    // What the batch notes of a photo's date the single save tells too; a
    // stamp kept inside the photo shows on the preview already.
    const QString photoName = QFileInfo(m_engine.photo().photoPath()).fileName();
    QStringList notes;
    for (const QString& stampNote : m_engine.photo().stampNotes())
        if (stampNote != PhotoState::movedInsideNote) notes << QStringLiteral("%1: %2.").arg(photoName, stampNote);
    if (!note.isEmpty()) notes << note;
    if (!notes.isEmpty()) MessageBox::show(notes.join(QLatin1Char('\n')), ProductName);
}

void MainWindow::onBatchSave()
{
    // The batch treats the folder shown with the options and stamp of the
    // window; it needs no open photo.
    showBatchDialog();
}

void MainWindow::onShowExif()
{
    if (attempt([this] { m_engine.readExif(); })) showExifWindow();
}

void MainWindow::onShowDate()
{
    m_engine.setShowDate(!m_engine.showDate());
    // A photo opened while the date was off left the labels with the text
    // of an earlier photo: read the open photo's date again.
    if (m_engine.showDate() && m_photoOpen) {
        m_engine.forgetExif();
        attempt([this] {
            m_engine.readExif();
            m_engine.showDateLabels();
        });
    }
    syncControls();
}

void MainWindow::onDateStyle()
{
    showDateStyleDialog();
    restyleStamp();
}

void MainWindow::restyleStamp()
{
    m_engine.applyDateStyle();
    m_engine.showDateLabels();
    // The caption strip's band, when it was turned on or off, and the look
    // show on the open photo.
    if (m_photoOpen) {
        m_preview->loadPreviewPicture();
        if (m_engine.photo().workReady()) attempt([this] { m_engine.render(); });
    }
    syncControls();
    showPrintedLook();
}

// ---- Dialogs ------------------------------------------------------------

void MainWindow::showBatchDialog()
{
    BatchDialog dialog(m_engine, folderList->path(), this);
    connect(&dialog, &BatchDialog::batchRunning, this, [this](bool running) { setPhotoCommandsEnabled(!running); });
    dialog.exec();
}

void MainWindow::setPhotoCommandsEnabled(bool enabled)
{
    for (QAction* item : { openAction, saveBmpAction, saveJpgAction, batchSaveAction, exifAction, m_menus->copyItem })
        item->setEnabled(enabled);
    // Whole menus, so that their items keep their own states.
    for (QMenu* menu : { sizeMenu, effectMenu, optionsMenu })
        menu->menuAction()->setEnabled(enabled);
    fileList->setEnabled(enabled);
}

void MainWindow::onOpen()
{
    const QString path = askPhotoToOpen();
    if (path.isEmpty() || openPath(path)) return;
    MessageBox::warn(tr("%1 is not a photo Quillon opens.").arg(QDir::toNativeSeparators(path)), ProductName);
}

void MainWindow::onOpenFolder()
{
    const QString folder = askFolderToOpen();
    if (folder.isEmpty() || m_browser->showFolder(folder)) return;
    MessageBox::warn(tr("The folder %1 cannot be read.").arg(QDir::toNativeSeparators(folder)), ProductName);
}

void MainWindow::onThumbnails()
{
    fileList->setThumbnailsShown(!fileList->thumbnailsShown());
    thumbnailsAction->setChecked(fileList->thumbnailsShown());
}

void MainWindow::showExifWindow()
{
    ExifWindow::showExif(m_engine.readableExifText(), m_engine.photo().exifText(), dateSourceText(), this, settings());
}

void MainWindow::showAboutBox()
{
    AboutDialog about(this);
    about.exec();
}

void MainWindow::showDateFormatHelp()
{
    FormatHelpDialog::showFor(this);
}

QString MainWindow::askPhotoToOpen()
{
    // One filter of every name the lists show, then all files.
    const QString photos
        = tr("Photos") + QStringLiteral("|%1|").arg(PhotoFolder::namePatterns().join(QLatin1Char(';')));
    return StandardDialogs::shared().openFileName(
        photos + StandardDialogs::allFilesFilter(), tr("Open"), folderList->path() + QLatin1Char('/'));
}

QString MainWindow::askFolderToOpen()
{
    return StandardDialogs::shared().chooseFolder(tr("Open Folder"));
}

void MainWindow::showDateStyleDialog()
{
    DateStyleDialog dialog(this, settings(), m_photoOpen ? &m_engine : nullptr);
    // Each change shows at once on the open photo; Cancel puts the record
    // back, and the font the stamp had.
    const QFont before = m_engine.stampFont();
    connect(&dialog, &DateStyleDialog::styleChanged, this, [this](const QFont& font) {
        m_engine.setStampFont(font);
        restyleStamp();
    });
    const bool kept = dialog.exec() == QDialog::Accepted;
    // The record keeps the style too, so the stamp stays as chosen after a
    // restart and in quillon-cli.
    m_engine.setStampFont(kept ? dialog.labelFont() : before);
}

QString MainWindow::askSaveFileName(const QString& title, const QString& filter)
{
    // Beside the photo, under its name.
    const QFileInfo photo(m_engine.photo().photoPath());
    const QString suggested = photo.dir().filePath(photo.completeBaseName() + QStringLiteral(".bmp"));
    return StandardDialogs::shared().saveFileName(filter, title, suggested);
}

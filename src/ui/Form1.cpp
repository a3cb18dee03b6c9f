#include "ui/Form1.h"

#include "files/IniFile.h"
#include "files/mFileIni.h"
#include "platform/Clipboard.h"
#include "platform/NumberText.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "ui/DialogFont.h"
#include "ui/DriveList.h"
#include "ui/FRMabout.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1Design.h"
#include "ui/MainMenuBar.h"
#include "ui/OutputOptionsBox.h"
#include "ui/PhotoBrowser.h"
#include "ui/PreviewPane.h"
#include "ui/ProgramIcon.h"
#include "ui/cOpen.h"
#include "ui/frmBatch.h"
#include "ui/frmDate.h"
#include "ui/frmExif.h"
#include "workflow/PhotoFolder.h"

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

Form1::Form1(const QString& iniPath, const QString& outputRoot, QWidget* parent)
    : QMainWindow(parent)
    , IniPath(iniPath)
    , OutputRoot(outputRoot)
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
    LoadSettings();
    m_engine.ApplyDateStyle();
    FillOutputOptions();
    syncControls();

    // The design's client area lies between the menu bar and the status
    // bar, which says what the last command did.
    const QSize client = Form1Design::Client.pixelSize();
    resize(client.width(), client.height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    restoreWindowPlacement();
}

Form1::~Form1()
{
    m_engine.setHost(nullptr);
    MessageBox::setHook(m_previousHook);
    MessageBox::setQuestionHook(m_previousQuestionHook);
}

void Form1::buildControls()
{
    namespace Design = Form1Design;
    // The left column and the picture area, with a splitter between them
    // where the design leaves a gap; the picture area takes what the window
    // gains, the column what the user hands it.
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(px(Design::picScroll.left - Design::TheDrive.right()));
    setCentralWidget(m_splitter);

    auto* column = new QWidget(m_splitter);
    auto* columnLayout = new QVBoxLayout(column);
    // The column's foot keeps the viewport's margin to the window's edge.
    columnLayout->setContentsMargins(0, px(Design::TheDrive.top), 0, px(Design::ViewportMargin));
    columnLayout->setSpacing(0);

    m_browser = new PhotoBrowser(column);
    TheDrive = m_browser->TheDrive;
    TheDir = m_browser->TheDir;
    TheFile = m_browser->TheFile;
    connect(m_browser, &PhotoBrowser::photoChosen, this, &Form1::TheFile_Click);
    columnLayout->addWidget(m_browser, 1);
    columnLayout->addSpacing(px(Design::frJPG.top - Design::TheFile.bottom()));

    m_options = new OutputOptionsBox(m_settings, column);
    frJPG = m_options;
    slQuality = m_options->slQuality;
    chkMiniature = m_options->chkMiniature;
    opWidth = m_options->opWidth;
    txtWidth = m_options->txtWidth;
    opHeigth = m_options->opHeigth;
    txtHeight = m_options->txtHeight;
    columnLayout->addWidget(m_options);
    columnLayout->addSpacing(px(Design::lblori.top - Design::frJPG.bottom()));

    // The two sizes with the arrow between them; a longer size pushes the
    // arrow and the output size to the right.
    lblori = new QLabel(QStringLiteral("1280x960"), column);
    Label3 = new QLabel(QStringLiteral("=>"), column);
    lblfin = new QLabel(QStringLiteral("1280x960"), column);
    auto* sizes = new QHBoxLayout;
    sizes->setSpacing(0);
    sizes->addWidget(lblori);
    sizes->addSpacing(px(Design::Label3.left - Design::lblori.right()));
    sizes->addWidget(Label3);
    sizes->addSpacing(px(Design::lblfin.left - Design::Label3.right()));
    sizes->addWidget(lblfin);
    sizes->addStretch(1);
    for (QLabel* label : { lblori, Label3, lblfin })
        label->setFont(DialogFont::sansSerif());
    lblori->setMinimumSize(Design::lblori.pixelSize());
    lblfin->setMinimumSize(Design::lblfin.pixelSize());
    Label3->setMinimumSize(Design::Label3.pixelSize().expandedTo(Label3->sizeHint()));
    columnLayout->addLayout(sizes);

    m_preview = new PreviewPane(m_engine, m_splitter);
    picScroll = m_preview->picScroll;
    Image1 = m_preview->Image1;
    Label1 = m_preview->Label1;
    Label2 = m_preview->Label2;
    Picture1 = m_preview->Picture1;

    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    const QSize client = Design::Client.pixelSize();
    m_splitter->setSizes({ px(Design::TheDrive.width), client.width() - px(Design::picScroll.left) });
}

void Form1::wireMenus()
{
    m_menus = new MainMenuBar(this);
    setMenuBar(m_menus);
    MainMenuBar& m = *m_menus;
    mnufile = m.mnufile;
    mnSaveBMP = m.mnSaveBMP;
    mnSaveJpg = m.mnSaveJpg;
    mnubatch = m.mnubatch;
    mnuExif = m.mnuExif;
    mnuAb = m.mnuAb;
    mnExit = m.mnExit;
    mnuSize = m.mnuSize;
    mnu25 = m.mnu25;
    mn37 = m.mn37;
    mn50 = m.mn50;
    mnu62 = m.mnu62;
    mnu80 = m.mnu80;
    mn100 = m.mn100;
    mnuEffect = m.mnuEffect;
    mnuLight = m.mnuLight;
    mnuDarken = m.mnuDarken;
    mnuSelect = m.mnuSelect;
    mnuFiltre = m.mnuFiltre;
    mnuAply = m.mnuAply;
    mnuRevert = m.mnuRevert;
    mnuOption = m.mnuOption;
    mnDate = m.mnDate;
    mnFormat = m.mnFormat;

    // What the status bar says holds until the next command.
    const auto onClick = [this, &m](QAction* item, std::function<void()> command) {
        m.onClick(item, [this, command = std::move(command)] {
            statusBar()->clearMessage();
            command();
        });
    };
    onClick(mnSaveBMP, [this] { mnSaveBMP_Click(); });
    onClick(mnSaveJpg, [this] { mnSaveJpg_Click(); });
    onClick(mnubatch, [this] { mnubatch_Click(); });
    onClick(mnuExif, [this] { mnuExif_Click(); });
    onClick(mnuAb, [this] { showAboutBox(); });
    onClick(mnExit, [this] { close(); });
    const auto items = m.sizeItems();
    for (size_t k = 0; k < items.size(); ++k) {
        QAction* item = items[k];
        const double scale = MainMenuBar::SizeScales[k];
        onClick(item, [this, item, scale] { sizeItem_Click(item, scale); });
    }
    onClick(m.copyItem, [this] { onCopy(); });
    onClick(mnuLight, [this] { mnuLight_Click(); });
    for (const auto& [item, effect] : m.effectItems)
        onClick(item, [this, effect] { onEffect(effect); });
    onClick(mnuDarken, [this] { mnuDarken_Click(); });
    for (int i = 0; i < static_cast<int>(mnuFiltre.size()); ++i)
        onClick(mnuFiltre[i], [this, i] { mnuFiltre_Click(i); });
    onClick(mnuAply, [this] { mnuAply_Click(); });
    onClick(mnuRevert, [this] { mnuRevert_Click(); });
    onClick(mnDate, [this] { mnDate_Click(); });
    onClick(mnFormat, [this] { mnFormat_Click(); });
}

bool Form1::event(QEvent* event)
{
    // The menus send the status bar an empty tip as the mouse passes over
    // their items (none has a tip of its own); the bar keeps what the last
    // command said instead.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

// ---- Settings ---------------------------------------------------------

void Form1::LoadSettings()
{
    SettingsRecord& s = settings();
    s.CurrentFilter = 5;
    FilterIndex = 4;

    m_browser->restore(mFileIni::ReadIni(IniPath, QStringLiteral("PATH"), QStringLiteral("drive"), QString()),
        mFileIni::ReadIni(IniPath, QStringLiteral("PATH"), QStringLiteral("folder"), QString()));

    QStringList notes;
    m_engine.setStampPosition(mMain::readStampPosition(IniPath, &notes));

    mMain::LoadSettingsRecord(IniPath, s, OutputRoot, &notes);
    // Values that were not understood gave way to their defaults; the user
    // learns it before the window writes the defaults back.
    if (!notes.isEmpty())
        statusBar()->showMessage(
            QFileInfo(IniPath).fileName() + QStringLiteral(": ") + notes.join(QStringLiteral(". ")));
}

void Form1::SaveSettings()
{
    // One replacement of the file with everything, the window's place too;
    // a file that cannot be written keeps its old content whole, and the
    // user learns that this run's options are lost, and why.
    const FileResult saved = mMain::SaveSettingsRecord(IniPath, settings(), TheDrive->drive(), TheDir->path(),
        m_engine.stampPosition(), [this](IniFile& file) { storeWindowPlacement(file); });
    if (!saved && !m_settingsFailureTold) {
        m_settingsFailureTold = true;
        MessageBox::warn(
            tr("The settings could not be saved in %1: %2.").arg(QDir::toNativeSeparators(IniPath), saved.reason()),
            ProductName);
    }
}

void Form1::restoreWindowPlacement()
{
    IniFile file;
    if (!file.load(IniPath)) return;
    const auto stored = [&file](const QString& key) {
        return QByteArray::fromBase64(mFileIni::ReadIni(file, WindowSection, key, QString()).toLatin1());
    };
    // What does not read back (a value edited by hand, another version's)
    // leaves the design's size and the system's place.
    restoreGeometry(stored(QStringLiteral("geometry")));
    m_splitter->restoreState(stored(QStringLiteral("splitter")));
    const QString maximized = mFileIni::ReadIni(file, WindowSection, QStringLiteral("maximized"), QString());
    if (mMain::TextToBoolean(maximized).value_or(false)) setWindowState(windowState() | Qt::WindowMaximized);
}

void Form1::storeWindowPlacement(IniFile& file) const
{
    file.setValue(WindowSection, QStringLiteral("geometry"), QString::fromLatin1(saveGeometry().toBase64()));
    file.setValue(WindowSection, QStringLiteral("maximized"), mMain::BooleanToText(isMaximized()));
    file.setValue(WindowSection, QStringLiteral("splitter"), QString::fromLatin1(m_splitter->saveState().toBase64()));
}

void Form1::closeEvent(QCloseEvent* event)
{
    SaveSettings();
    QMainWindow::closeEvent(event);
}

void Form1::FillOutputOptions()
{
    m_options->FillOutputOptions();
}

void Form1::StoreOutputOptions()
{
    m_options->StoreOutputOptions();
}

// ---- Layout and display -----------------------------------------------

void Form1::LayoutPreview()
{
    m_preview->showControls();
    m_preview->Form_Resize();
}

void Form1::RefreshDisplay()
{
    m_preview->showDisplayPicture();
    syncControls();
}

void Form1::syncControls()
{
    m_preview->showControls();
    // The photo's own size and the output's, the latter as the scale gives
    // it before the working image is rounded to whole pixels.
    const QSize photo = m_engine.Photo().PhotoSize();
    const double scale = settings().PreviewScale;
    const auto sizeText = [](double width, double height) {
        return NumberText::shortText(static_cast<float>(width)) + QLatin1Char('x')
            + NumberText::shortText(static_cast<float>(height));
    };
    lblori->setText(m_photoOpen ? sizeText(photo.width(), photo.height()) : QString());
    lblfin->setText(m_photoOpen ? sizeText(photo.width() * scale, photo.height() * scale) : QString());
    for (QAction* effect : { mnuAply, mnuLight, mnuDarken, mnuRevert })
        effect->setEnabled(m_photoOpen);
    for (const auto& [item, effect] : m_menus->effectItems)
        item->setEnabled(m_photoOpen);
    mnDate->setChecked(m_engine.showDate());
}

void Form1::updateTitle()
{
    const QString photo = QFileInfo(m_engine.Photo().PhotoPath()).fileName();
    setWindowTitle(m_photoOpen ? QStringLiteral("%1 — %2").arg(photo, ProductName) : ProductName);
}

void Form1::ShowExif(const QString& text)
{
    frmExif::ShowExif(m_engine.ReadableExifText(), text, this, settings());
}

// ---- Browsing ---------------------------------------------------------

bool Form1::openPath(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir()) return m_browser->showFolder(info.absoluteFilePath());
    if (!info.isFile() || !PhotoFolder::isPhotoName(info.fileName())) return false;
    // The lists follow to the photo's folder where they can; the photo
    // opens either way.
    if (m_browser->showFolder(info.absolutePath())) m_browser->selectPhoto(info.fileName());
    m_engine.SetPhotoPaths(QDir::cleanPath(info.absoluteFilePath()), OutputRoot);
    openChosenPhoto();
    return true;
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedPath(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event)
{
    const QString path = droppedPath(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    openPath(path);
}

void Form1::TheFile_Click()
{
    const QString photo = m_browser->chosenPhoto();
    if (photo.isEmpty()) return;
    m_engine.SetPhotoPaths(photo, OutputRoot);
    openChosenPhoto();
}

void Form1::openChosenPhoto()
{
    statusBar()->clearMessage();
    m_preview->clearPreviewPicture();
    // Opening the same photo again (another size) does not warn again.
    if (m_engine.Photo().PhotoPath() != m_warnedPhoto) m_warnedPhoto.clear();
    m_photoOpen = attempt([this] {
        m_engine.OpenPhoto();
        m_preview->loadPreviewPicture();
    });
    // Nothing of the previous photo stays on show after one that failed.
    if (!m_photoOpen) m_engine.ClosePhoto();
    syncControls();
    updateTitle();
    if (m_photoOpen) warnAboutPhoto(m_engine.PreviewWarning());
}

void Form1::warnAboutPhoto(const QString& warning)
{
    if (warning.isEmpty() || m_warnedPhoto == m_engine.Photo().PhotoPath()) return;
    m_warnedPhoto = m_engine.Photo().PhotoPath();
    MessageBox::warn(warning, ProductName);
}

// ---- Commands -----------------------------------------------------------

bool Form1::attempt(const std::function<void()>& step, const QString& failure)
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

bool Form1::photoNeeded()
{
    if (m_photoOpen) return true;
    MessageBox::show(tr("Open a photo first."), ProductName);
    return false;
}

bool Form1::buildWorkingImage()
{
    if (!attempt([this] { m_engine.BuildWorkingImage(); })) return false;
    warnAboutPhoto(m_engine.Photo().PhotoWarning());
    return true;
}

void Form1::sizeItem_Click(QAction* item, double scale)
{
    settings().PreviewScale = scale;
    ChangeSize();
    item->setChecked(true);
}

void Form1::ChangeSize()
{
    m_preview->resetPan();
    for (QAction* item : m_menus->sizeItems())
        item->setChecked(false);
    // Before any photo the scale is only kept for the next one.
    if (!m_engine.Photo().PhotoPath().isEmpty()) openChosenPhoto();
    m_preview->showControls();
}

void Form1::mnuFiltre_Click(int index)
{
    if (!photoNeeded() || !buildWorkingImage()) return;
    mnuFiltre[FilterIndex]->setChecked(false);
    mnuFiltre[index]->setChecked(true);
    FilterIndex = index;
    settings().CurrentFilter = index + 1;
}

void Form1::mnuAply_Click()
{
    if (photoNeeded() && buildWorkingImage()) attempt([this] { m_engine.ProcessImage(settings().CurrentFilter); });
}

void Form1::mnuLight_Click()
{
    if (photoNeeded() && buildWorkingImage()) attempt([this] { m_engine.Lighten(); });
}

void Form1::mnuDarken_Click()
{
    if (photoNeeded() && buildWorkingImage()) attempt([this] { m_engine.Fade(); });
}

void Form1::onEffect(PhotoEffect effect)
{
    if (photoNeeded() && buildWorkingImage()) attempt([this, effect] { m_engine.ApplyEffect(effect); });
}

void Form1::onCopy()
{
    if (!photoNeeded() || !buildWorkingImage()) return;
    if (Clipboard::setImage(m_engine.Photo().Picture1().hdc()->toImage()))
        statusBar()->showMessage(tr("The picture is on the clipboard."));
    else
        MessageBox::warn(tr("The picture could not be put on the clipboard."), ProductName);
}

void Form1::mnuRevert_Click()
{
    if (photoNeeded()) attempt([this] { m_engine.RevertToOriginal(); });
}

void Form1::mnSaveBMP_Click()
{
    if (!photoNeeded() || !buildWorkingImage()) return;
    const QString path = askSaveFileName(tr("Sauvegarder"), QStringLiteral("*.*"));
    if (path.isEmpty()) return;
    QImageWriter writer(path, "BMP");
    if (!writer.write(m_engine.Photo().Picture1().hdc()->toImage())) {
        MessageBox::warn(
            tr("The picture could not be saved as %1: %2.").arg(QDir::toNativeSeparators(path), writer.errorString()),
            ProductName);
        return;
    }
    const QFileInfo saved(path);
    statusBar()->showMessage(
        tr("Saved %1 to %2").arg(saved.fileName(), QDir::toNativeSeparators(saved.absolutePath())));
}

bool Form1::chooseOutputPlace()
{
    const PhotoState& photo = m_engine.Photo();
    SavedOutputs::Paths place
        = m_savedOutputs.placeFor(photo.PhotoPath(), { photo.OutputPath(), photo.ThumbnailPath() });
    const QString taken = m_savedOutputs.foreignFile(photo.PhotoPath(), place, settings().ThumbShow);
    if (!taken.isEmpty()) {
        const SavedOutputs::Paths free = SavedOutputs::firstFreeNames(place);
        const QFileInfo file(taken);
        const int answer = MessageBox::ask(
            tr("%1 already holds %2, which was not saved from this photo.\n\n"
               "Replace it, or keep both and save this photo as %3?")
                .arg(QDir::toNativeSeparators(file.absolutePath()), file.fileName(), QFileInfo(free.output).fileName()),
            { tr("Replace"), tr("Keep both"), tr("Cancel") }, 1, ProductName);
        if (answer == 1)
            place = free;
        else if (answer != 0)
            return false;
    }
    m_engine.SetOutputPaths(place.output, place.thumbnail);
    return true;
}

void Form1::mnSaveJpg_Click()
{
    if (!photoNeeded() || !buildWorkingImage() || !chooseOutputPlace()) return;
    const QFileInfo output(m_engine.Photo().OutputPath());
    QString note;
    if (!attempt([this, &note] { note = m_engine.SaveOutputs(); }, tr("%1 was not saved").arg(output.fileName())))
        return;
    const cDIBSection& picture = m_engine.Photo().Picture1();
    const bool thumbnail = settings().ThumbShow
        && !PhotoState::ThumbnailSize(
            QSize(picture.Width(), picture.Height()), settings().ThumbHeight, settings().ThumbWidth)
                .isEmpty();
    m_savedOutputs.remember(
        m_engine.Photo().PhotoPath(), { output.filePath(), m_engine.Photo().ThumbnailPath() }, thumbnail);
    statusBar()->showMessage((thumbnail ? tr("Saved %1 and its thumbnail to %2") : tr("Saved %1 to %2"))
                                 .arg(output.fileName(), QDir::toNativeSeparators(output.absolutePath())));
    if (!note.isEmpty()) MessageBox::show(note, ProductName);
}

void Form1::mnubatch_Click()
{
    if (photoNeeded() && buildWorkingImage()) showBatchDialog();
}

void Form1::mnuExif_Click()
{
    if (attempt([this] { m_engine.ReadExif(); })) showExifWindow();
}

void Form1::mnDate_Click()
{
    m_engine.setShowDate(!m_engine.showDate());
    // A photo opened while the date was off left the labels with the text
    // of an earlier photo: read the open photo's date again.
    if (m_engine.showDate() && m_photoOpen) {
        m_engine.ForgetExif();
        attempt([this] {
            m_engine.ReadExif();
            m_engine.ShowDateLabels();
        });
    }
    syncControls();
}

void Form1::mnFormat_Click()
{
    showDateStyleDialog();
    m_engine.ApplyDateStyle();
    m_engine.ShowDateLabels();
    syncControls();
}

// ---- Dialogs ------------------------------------------------------------

void Form1::showBatchDialog()
{
    frmBatch dialog(m_engine, TheDir->path(), this);
    connect(&dialog, &frmBatch::batchRunning, this, [this](bool running) { setPhotoCommandsEnabled(!running); });
    dialog.exec();
}

void Form1::setPhotoCommandsEnabled(bool enabled)
{
    for (QAction* item : { mnSaveBMP, mnSaveJpg, mnubatch, mnuExif, m_menus->copyItem })
        item->setEnabled(enabled);
    // Whole menus, so that their items keep their own states.
    for (QMenu* menu : { mnuSize, mnuEffect, mnuOption })
        menu->menuAction()->setEnabled(enabled);
    TheFile->setEnabled(enabled);
}

void Form1::showExifWindow()
{
    frmExif::ShowExif(m_engine.ReadableExifText(), m_engine.Photo().ExifText(), this, settings());
}

void Form1::showAboutBox()
{
    FRMabout about(this);
    about.exec();
}

void Form1::showDateStyleDialog()
{
    frmDate dialog(this, settings(), m_photoOpen ? &m_engine : nullptr);
    dialog.exec();
    // The record keeps the style too, so the stamp stays as chosen after a
    // restart and in quillon-cli.
    m_engine.setStampFont(dialog.labelFont());
}

QString Form1::askSaveFileName(const QString& title, const QString& filter)
{
    return cOpen::shared().ShowSave(filter, title);
}

#include "ui/Form1.h"

#include "controls/BarColor.h"
#include "files/mFileIni.h"
#include "platform/ExecutableInfo.h"
#include "platform/NumberText.h"
#include "platform/OleColor.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "ui/Cursors.h"
#include "ui/DialogFont.h"
#include "ui/DriveList.h"
#include "ui/FRMabout.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/PictureView.h"
#include "ui/PreviewViewport.h"
#include "ui/StampLabelView.h"
#include "ui/cOpen.h"
#include "ui/frmBatch.h"
#include "ui/frmDate.h"
#include "ui/frmExif.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

const QString ProductName = QStringLiteral("Quillon");

int px(float twips)
{
    return Twips::toPixels(twips);
}

void placeTwips(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(Twips::toPixels(left, top, width, height));
}

// The program's icon: a photo with the two-coloured date across its corner.
QIcon programIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 1.5));
    painter.setBrush(QColor(90, 150, 210));
    painter.drawRoundedRect(QRectF(2, 5, 28, 22), 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(70, 140, 60));
    const QPointF hills[] = { { 3, 26 }, { 12, 15 }, { 18, 21 }, { 23, 17 }, { 29, 26 } };
    painter.drawPolygon(hills, 5);
    painter.setBrush(QColor(250, 220, 70));
    painter.drawEllipse(QPointF(23, 11), 3, 3);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(QPointF(8, 23), QPointF(27, 23));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(QPointF(7, 22), QPointF(26, 22));
    painter.end();
    return QIcon(pixmap);
}

QAction* addCheckable(QMenu* menu, const QString& caption, bool checked)
{
    QAction* item = menu->addAction(caption);
    item->setCheckable(true);
    item->setChecked(checked);
    return item;
}

} // namespace

Form1::Form1(const QString& iniPath, QWidget* parent)
    : QMainWindow(parent)
    , IniPath(iniPath)
    , m_engine(m_settings, this)
{
    setWindowTitle(ProductName);
    setWindowIcon(programIcon());
    m_previousHook = MessageBox::setHook([this](const QString& text, const QString& title) {
        QMessageBox::information(this, title.isEmpty() ? ProductName : title, text);
    });

    buildControls();
    buildMenus();

    // Load: the image processor is the engine's own; then the settings,
    // the stamp's style and the output options.
    LoadSettings();
    m_engine.ApplyDateStyle();
    wireOptions();
    FillOutputOptions();
    syncControls();

    // The client area, below the menu bar, is 13440 x 7500 twips.
    resize(px(13440), px(7500) + menuBar()->sizeHint().height());
}

Form1::~Form1()
{
    m_engine.setHost(nullptr);
    MessageBox::setHook(m_previousHook);
}

void Form1::buildControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->installEventFilter(this);

    // The option controls' font, with the narrow fallbacks their places need.
    const QFont small = DialogFont::sansSerif();

    TheDrive = new DriveList(client);
    placeTwips(TheDrive, 0, 120, 3375, 315);
    TheDir = new FolderList(client);
    placeTwips(TheDir, 0, 540, 3375, 2340);
    TheFile = new FileList(client);
    placeTwips(TheFile, 0, 2940, 3375, 2040);

    frJPG = new QGroupBox(QStringLiteral("JPG Quality :"), client);
    placeTwips(frJPG, 0, 5040, 3375, 1755);
    slQuality = new BarColor(frJPG);
    slQuality->InitProperties();
    slQuality->setForeColor(65535);
    slQuality->setFont(small);
    slQuality->setGeometryTwips(120, 300, 3075, 315);
    slQuality->setCaption(QStringLiteral("50"));
    chkMiniature = new QCheckBox(QStringLiteral("Create thumbnail"), frJPG);
    placeTwips(chkMiniature, 180, 1080, 1575, 315);
    opWidth = new QRadioButton(QStringLiteral("Width"), frJPG);
    placeTwips(opWidth, 1860, 960, 855, 195);
    txtWidth = new QLineEdit(QStringLiteral("120"), frJPG);
    placeTwips(txtWidth, 2760, 900, 435, 285);
    opHeigth = new QRadioButton(QStringLiteral("Height"), frJPG);
    placeTwips(opHeigth, 1860, 1320, 855, 195);
    opHeigth->setChecked(true);
    txtHeight = new QLineEdit(QStringLiteral("90"), frJPG);
    placeTwips(txtHeight, 2760, 1260, 435, 285);
    for (QWidget* option : { static_cast<QWidget*>(chkMiniature), static_cast<QWidget*>(opWidth),
             static_cast<QWidget*>(txtWidth), static_cast<QWidget*>(opHeigth), static_cast<QWidget*>(txtHeight) }) {
        option->setFont(small);
    }
    for (QLineEdit* box : { txtWidth, txtHeight })
        box->setTextMargins(0, 0, 0, 0);

    lblori = new QLabel(QStringLiteral("1280x960"), client);
    placeTwips(lblori, 0, 6840, 705, 195);
    Label3 = new QLabel(QStringLiteral("=>"), client);
    placeTwips(Label3, 840, 6840, 180, 195);
    Label3->setMinimumWidth(Label3->sizeHint().width());
    lblfin = new QLabel(QStringLiteral("1280x960"), client);
    placeTwips(lblfin, 1080, 6840, 705, 195);
    for (QLabel* label : { lblori, Label3, lblfin })
        label->setFont(small);

    picScroll = new PreviewViewport(client);
    placeTwips(picScroll, 3480, 60, 3495, 1935);
    // Created bottom first: the labels lie over the photo, the upper text
    // over the lower one.
    Image1 = new PictureView(picScroll->client());
    placeTwips(Image1, 0, 0, 9600, 7200);
    Image1->setCursor(Cursors::openHand());
    Image1->installEventFilter(this);
    Label1 = new StampLabelView(picScroll->client());
    placeTwips(Label1, 0, 0, 1575, 1785);
    Label2 = new StampLabelView(picScroll->client());
    placeTwips(Label2, 0, 0, 1635, 765);
    Label2->setCursor(Cursors::stampArrow());
    Label2->installEventFilter(this);

    Picture1 = new PictureView(client);
    placeTwips(Picture1, 3540, 60, 9600, 7200);

    fBatch = new FileList(client);
    placeTwips(fBatch, 9120, 5760, 1995, 1065);
    fBatch->hide();

    // The browser starts on the program's working folder.
    TheDrive->setDrives(DriveList::mountedDrives());
    TheDrive->showDriveOf(QDir::currentPath());
    TheDir->setPath(QDir::currentPath());
    TheFile->setPath(TheDir->path());
    m_driveFolders.insert(DriveList::driveOf(TheDir->path(), TheDrive->drives()), TheDir->path());

    connect(TheDrive, &DriveList::Change, this, &Form1::TheDrive_Change);
    connect(TheDir, &FolderList::Change, this, &Form1::TheDir_Change);
    connect(TheFile, &FileList::Click, this, &Form1::TheFile_Click);
}

void Form1::buildMenus()
{
    // Check marks are set by the handlers alone: the toolkit's own toggle
    // on a click is undone before the handler runs.
    const auto onClick = [this](QAction* item, auto handler) {
        connect(item, &QAction::triggered, this, [item, handler](bool) {
            if (item->isCheckable()) item->setChecked(!item->isChecked());
            handler();
        });
    };

    mnufile = menuBar()->addMenu(QStringLiteral("File"));
    mnSaveBMP = mnufile->addAction(QStringLiteral("Save as BMP"));
    mnSaveJpg = mnufile->addAction(QStringLiteral("Save as JPG"));
    mnufile->addSeparator();
    mnubatch = mnufile->addAction(QStringLiteral("Batch Save ..."));
    mnufile->addSeparator();
    mnuExif = mnufile->addAction(QStringLiteral("Get EXIF info"));
    mnufile->addSeparator();
    mnuAb = mnufile->addAction(QStringLiteral("About"));
    mnExit = mnufile->addAction(QStringLiteral("Exit"));
    onClick(mnSaveBMP, [this] { mnSaveBMP_Click(); });
    onClick(mnSaveJpg, [this] { mnSaveJpg_Click(); });
    onClick(mnubatch, [this] { mnubatch_Click(); });
    onClick(mnuExif, [this] { mnuExif_Click(); });
    onClick(mnuAb, [this] { showAboutBox(); });
    onClick(mnExit, [this] { close(); });

    mnuSize = menuBar()->addMenu(QStringLiteral("Size"));
    mnu25 = addCheckable(mnuSize, QStringLiteral("25%"), false);
    mn37 = addCheckable(mnuSize, QStringLiteral("37.5%"), false);
    mn50 = addCheckable(mnuSize, QStringLiteral("50%"), false);
    mnu62 = addCheckable(mnuSize, QStringLiteral("62.5%"), false);
    mnu80 = addCheckable(mnuSize, QStringLiteral("80%"), false);
    mn100 = addCheckable(mnuSize, QStringLiteral("100%"), false);
    const double scales[] = { 0.25, 0.375, 0.5, 0.625, 0.8, 1.0 };
    const auto items = sizeItems();
    for (size_t k = 0; k < items.size(); ++k) {
        QAction* item = items[k];
        const double scale = scales[k];
        onClick(item, [this, item, scale] { sizeItem_Click(item, scale); });
    }

    mnuEffect = menuBar()->addMenu(QStringLiteral("Effect"));
    mnuLight = mnuEffect->addAction(QStringLiteral("Lighten"));
    mnuDarken = mnuEffect->addAction(QStringLiteral("Darken"));
    mnuEffect->addSeparator();
    mnuSelect = mnuEffect->addMenu(QStringLiteral("Select filter"));
    const char* const filters[]
        = { "Blur", "Blur More", "Soften", "Soften More", "Sharpen", "Sharpen More", "Unsharp", "Emboss" };
    for (int i = 0; i < 8; ++i) {
        mnuFiltre[i] = addCheckable(mnuSelect, QLatin1String(filters[i]), i == 4);
        onClick(mnuFiltre[i], [this, i] { mnuFiltre_Click(i); });
    }
    mnuAply = mnuEffect->addAction(QStringLiteral("Aply filter"));
    onClick(mnuLight, [this] { mnuLight_Click(); });
    onClick(mnuDarken, [this] { mnuDarken_Click(); });
    onClick(mnuAply, [this] { mnuAply_Click(); });

    mnuOption = menuBar()->addMenu(QStringLiteral("Date"));
    mnDate = addCheckable(mnuOption, QStringLiteral("Show Date"), true);
    mnFormat = mnuOption->addAction(QStringLiteral("Date Style"));
    onClick(mnDate, [this] { mnDate_Click(); });
    onClick(mnFormat, [this] { mnFormat_Click(); });
}

void Form1::wireOptions()
{
    connect(slQuality, &BarColor::Change, this, &Form1::StoreOutputOptions);
    connect(chkMiniature, &QCheckBox::toggled, this, &Form1::StoreOutputOptions);
    // The button that becomes selected stores; the one left does not.
    for (QRadioButton* option : { opHeigth, opWidth }) {
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on) StoreOutputOptions();
        });
    }
    connect(txtHeight, &QLineEdit::textChanged, this, &Form1::StoreOutputOptions);
    connect(txtWidth, &QLineEdit::textChanged, this, &Form1::StoreOutputOptions);
}

std::array<QAction*, 6> Form1::sizeItems() const
{
    return { mnu25, mn37, mn50, mnu62, mnu80, mn100 };
}

// ---- Settings ---------------------------------------------------------

void Form1::LoadSettings()
{
    SettingsRecord& s = settings();
    s.CurrentFilter = 5;
    FilterIndex = 4;

    // The drive is restored before the folder, so that a stored folder is
    // shown whatever drive the list showed at start.
    TheDrive->setDrive(mFileIni::ReadIni(IniPath, QStringLiteral("PATH"), QStringLiteral("drive"), QString()));
    if (TheDir->setPath(mFileIni::ReadIni(IniPath, QStringLiteral("PATH"), QStringLiteral("folder"), QString()))) {
        TheDrive->showDriveOf(TheDir->path());
        TheDir->show();
        TheFile->show();
    }

    PhotoControls& c = m_engine.Controls();
    c.Label1.Top = mMain::ReadIniSingle(IniPath, QStringLiteral("LABEL"), QStringLiteral("top"), c.Label1.Top);
    c.Label1.Left = mMain::ReadIniSingle(IniPath, QStringLiteral("LABEL"), QStringLiteral("left"), c.Label1.Left);

    mMain::LoadSettingsRecord(IniPath, s);
    c.EffectsEnabled = false;
}

void Form1::SaveSettings()
{
    // A file that cannot be written is given up without a word: the options
    // of this run are lost, the old file stays whole.
    mMain::SaveSettingsRecord(IniPath, settings(), TheDrive->drive(), TheDir->path(), m_engine.Controls().Label1.Top,
        m_engine.Controls().Label1.Left);
}

void Form1::closeEvent(QCloseEvent* event)
{
    SaveSettings();
    QMainWindow::closeEvent(event);
}

// ---- Output options ---------------------------------------------------

void Form1::FillOutputOptions()
{
    // Taken before any control changes: each change below stores every
    // option from the controls, some of which still show their design state.
    const SettingsRecord& s = settings();
    const int32_t quality = s.JpegQuality;
    const bool show = s.ThumbShow;
    const int32_t height = s.ThumbHeight;
    const int32_t width = s.ThumbWidth;

    slQuality->setValue(quality);
    frJPG->setTitle(QStringLiteral("JPG Quality : "));
    chkMiniature->setChecked(show);
    if (height != 0) {
        txtHeight->setText(QString::number(height));
        txtWidth->setText(QString::number(static_cast<int32_t>(std::nearbyint(height * 4.0 / 3.0))));
        opHeigth->setChecked(true);
    } else {
        txtWidth->setText(QString::number(width));
        txtHeight->setText(QString::number(static_cast<int32_t>(std::nearbyint(width * 3.0 / 4.0))));
        opWidth->setChecked(true);
    }
    // A control set to what it already showed raises nothing; the record
    // must still end up holding what the controls show.
    StoreOutputOptions();
}

void Form1::StoreOutputOptions()
{
    SettingsRecord& s = settings();
    bool ok = false;
    const double quality = slQuality->Value().toDouble(&ok);
    if (ok) s.JpegQuality = static_cast<int32_t>(std::nearbyint(quality));
    s.ThumbShow = chkMiniature->isChecked();
    // A box that holds no number (emptied while the user retypes it) keeps
    // the size stored last.
    if (opHeigth->isChecked()) {
        if (const auto value = mMain::TextToLong(txtHeight->text())) {
            s.ThumbHeight = *value;
            s.ThumbWidth = 0;
        }
    } else if (const auto value = mMain::TextToLong(txtWidth->text())) {
        s.ThumbHeight = 0;
        s.ThumbWidth = *value;
    }
}

// ---- Layout and display -----------------------------------------------

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        Form_Resize();
        return false;
    }
    if (watched != Image1 && watched != Label2) return QMainWindow::eventFilter(watched, event);
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove)
        return QMainWindow::eventFilter(watched, event);

    const auto* mouse = static_cast<QMouseEvent*>(event);
    const float X = static_cast<float>(mouse->position().x()) * TwipsPerPixel;
    const float Y = static_cast<float>(mouse->position().y()) * TwipsPerPixel;
    if (watched == Image1) {
        if (event->type() == QEvent::MouseButtonPress)
            Image1_MouseDown(X, Y);
        else
            Image1_MouseMove(mouse->buttons(), X, Y);
    } else {
        if (event->type() == QEvent::MouseButtonPress)
            Label2_MouseDown(X, Y);
        else
            Label2_MouseMove(mouse->buttons(), X, Y);
    }
    return true;
}

void Form1::Form_Resize()
{
    const QWidget* client = centralWidget();
    const float border = static_cast<float>(picScroll->borderSize()) * TwipsPerPixel;
    const ImageControl& image = m_engine.Controls().Image1;
    float width = static_cast<float>(client->width()) * TwipsPerPixel
        - static_cast<float>(picScroll->x()) * TwipsPerPixel - 120;
    float height = static_cast<float>(client->height()) * TwipsPerPixel
        - static_cast<float>(picScroll->y()) * TwipsPerPixel - 120;
    // A window too small for the left column and the margins keeps the
    // viewport as it was on that axis.
    if (width > 0) {
        if (width - border > image.Width) width = width + image.Width - (width - border);
    } else {
        width = static_cast<float>(picScroll->width()) * TwipsPerPixel;
    }
    if (height > 0) {
        if (height - border > image.Height) height = height + image.Height - (height - border);
    } else {
        height = static_cast<float>(picScroll->height()) * TwipsPerPixel;
    }
    picScroll->resize(px(width), px(height));
}

void Form1::LayoutPreview()
{
    placeImage1();
    Form_Resize();
}

void Form1::RefreshDisplay()
{
    if (m_engine.Controls().Picture1Visible && m_engine.Photo().Picture1().hdc() != nullptr)
        Picture1->setPicture(m_engine.Photo().Picture1().hdc()->toImage());
    syncControls();
}

void Form1::syncControls()
{
    const PhotoControls& c = m_engine.Controls();
    picScroll->setVisible(c.picScrollVisible);
    Picture1->resize(px(c.Picture1Width), px(c.Picture1Height));
    Picture1->setVisible(c.Picture1Visible);
    placeImage1();
    Image1->setVisible(c.Image1.Visible);
    Label1->setStamp(c.Label1.Caption, c.Label1.Font, OleColor::toQColor(c.Label1.ForeColor));
    Label2->setStamp(c.Label2.Caption, c.Label2.Font, OleColor::toQColor(c.Label2.ForeColor));
    Label1->setVisible(c.Label1.Visible);
    Label2->setVisible(c.Label2.Visible);
    placeLabels();
    lblori->setText(c.lblori);
    lblfin->setText(c.lblfin);
    placeSizeCaptions();
    for (QAction* effect : { mnuAply, mnuLight, mnuDarken })
        effect->setEnabled(c.EffectsEnabled);
    mnDate->setChecked(c.ShowDate);
}

void Form1::placeSizeCaptions()
{
    // The captions keep their places while the sizes fit; a larger photo's
    // size pushes the arrow and the output size to the right.
    const int gap = px(840) - px(705);
    lblori->resize(std::max(px(705), lblori->sizeHint().width()), lblori->height());
    Label3->move(std::max(px(840), lblori->geometry().right() + 1 + gap), Label3->y());
    lblfin->resize(std::max(px(705), lblfin->sizeHint().width()), lblfin->height());
    lblfin->move(Label3->x() + std::max(px(240), Label3->width() + 2), lblfin->y());
}

void Form1::placeImage1()
{
    const ImageControl& image = m_engine.Controls().Image1;
    Image1->setGeometry(px(image.Left), px(image.Top), px(image.Width), px(image.Height));
}

void Form1::placeLabels()
{
    const PhotoControls& c = m_engine.Controls();
    Label1->move(px(c.Label1.Left), px(c.Label1.Top));
    Label2->move(px(c.Label2.Left), px(c.Label2.Top));
}

void Form1::ShowExif(const QString& text)
{
    frmExif::ShowExif(text, this, settings());
}

bool Form1::BatchStep(int /*done*/, int /*total*/, const QString& /*path*/)
{
    QApplication::processEvents();
    return true;
}

// ---- Browsing ---------------------------------------------------------

void Form1::TheDrive_Change()
{
    const QString drive = TheDrive->drive();
    const QString folder = m_driveFolders.value(drive, drive);
    // A drive that cannot be read (no medium, no permission) hides the lists
    // until a readable one is chosen.
    const bool readable = TheDir->setPath(folder) || (folder != drive && TheDir->setPath(drive));
    TheDir->setVisible(readable);
    TheFile->setVisible(readable);
}

void Form1::TheDir_Change()
{
    const QString folder = TheDir->path();
    m_driveFolders.insert(DriveList::driveOf(folder, TheDrive->drives()), folder);
    TheDrive->showDriveOf(folder);
    TheFile->setPath(folder);
}

void Form1::TheFile_Click()
{
    const QString name = TheFile->fileName();
    if (name.isEmpty()) return;
    m_engine.SetPhotoPaths(QDir(TheFile->path()).filePath(name), ExecutableInfo::folder());
    openChosenPhoto();
}

void Form1::openChosenPhoto()
{
    Image1->setPicture(QImage());
    m_photoOpen = attempt([this] {
        m_engine.OpenPhoto();
        loadPreviewPicture();
    });
    syncControls();
}

void Form1::loadPreviewPicture()
{
    const ImageControl& image = m_engine.Controls().Image1;
    Image1->setPicture(m_engine.PreviewPicture(QSize(px(image.Width), px(image.Height))));
}

// ---- Panning and the stamp ----------------------------------------------

void Form1::Image1_MouseDown(float X, float Y)
{
    ImageGrabX = static_cast<int32_t>(std::nearbyint(X));
    ImageGrabY = static_cast<int32_t>(std::nearbyint(Y));
}

void Form1::Image1_MouseMove(Qt::MouseButtons Button, float X, float Y)
{
    if (Button != Qt::LeftButton) return;
    // Near the photo's top-left corner the move is taken for a slip.
    if (X <= 30 && Y <= 30) return;
    ImageControl& image = m_engine.Controls().Image1;
    const float innerWidth = static_cast<float>(picScroll->client()->width()) * TwipsPerPixel;
    const float innerHeight = static_cast<float>(picScroll->client()->height()) * TwipsPerPixel;

    // The photo moves with the cursor, but only towards a hidden edge, and
    // never so far that a gap opens below or right of it.
    const auto panAxis = [](float& start, float size, float inner, float delta) {
        if (size <= inner) return;
        if (delta > 0) {
            if (start < 0) start = start + delta;
        } else if (size + start > inner) {
            start = start + delta;
        }
        if (size + start < inner) start = inner - size;
    };
    panAxis(image.Top, image.Height, innerHeight, Y - static_cast<float>(ImageGrabY));
    panAxis(image.Left, image.Width, innerWidth, X - static_cast<float>(ImageGrabX));
    if (image.Top > 0) image.Top = 0;
    if (image.Left > 0) image.Left = 0;
    placeImage1();
}

void Form1::Label2_MouseDown(float X, float Y)
{
    LabelGrabX = static_cast<int32_t>(std::nearbyint(X));
    LabelGrabY = static_cast<int32_t>(std::nearbyint(Y));
}

void Form1::Label2_MouseMove(Qt::MouseButtons Button, float X, float Y)
{
    if (Button != Qt::LeftButton) return;
    PhotoControls& c = m_engine.Controls();
    c.Label2.Top = c.Label2.Top - static_cast<float>(LabelGrabY) + Y;
    c.Label2.Left = c.Label2.Left - static_cast<float>(LabelGrabX) + X;
    // Where the upper text will be printed on the working image, in pixels.
    const float x = c.Label2.Left / TwipsPerPixel - c.Image1.Left / TwipsPerPixel;
    const float y = c.Label2.Top / TwipsPerPixel - c.Image1.Top / TwipsPerPixel;
    Label2->setToolTip(
        QStringLiteral("position : ") + NumberText::shortText(x) + QStringLiteral(" - ") + NumberText::shortText(y));
    // The lower label is the one stored, so the new place survives a restart.
    c.Label1.Top = c.Label2.Top - static_cast<float>(settings().DiffTop);
    c.Label1.Left = c.Label2.Left - static_cast<float>(settings().DiffLeft);
    placeLabels();
}

// ---- Commands -----------------------------------------------------------

bool Form1::attempt(const std::function<void()>& step)
{
    try {
        step();
        return true;
    } catch (const RuntimeError& error) {
        MessageBox::show(error.fullText(), ProductName);
    } catch (const std::bad_alloc&) {
        MessageBox::show(QStringLiteral("There is not enough memory for this photo."), ProductName);
    }
    syncControls();
    return false;
}

bool Form1::photoNeeded()
{
    if (m_photoOpen) return true;
    MessageBox::show(QStringLiteral("Open a photo first."), ProductName);
    return false;
}

bool Form1::buildWorkingImage()
{
    const bool first = !m_engine.Photo().WorkReady();
    if (!attempt([this] { m_engine.BuildWorkingImage(); })) return false;
    if (first && !m_engine.Photo().PhotoWarning().isEmpty())
        MessageBox::show(m_engine.Photo().PhotoWarning(), ProductName);
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
    m_engine.Controls().Image1.Top = 0;
    m_engine.Controls().Image1.Left = 0;
    for (QAction* item : sizeItems())
        item->setChecked(false);
    // Before any photo the scale is only kept for the next one.
    if (!m_engine.Photo().PhotoPath().isEmpty()) openChosenPhoto();
    placeImage1();
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

void Form1::mnSaveBMP_Click()
{
    if (!photoNeeded() || !buildWorkingImage()) return;
    const QString path = askSaveFileName(QStringLiteral("Sauvegarder"), QStringLiteral("*.*"));
    if (path.isEmpty()) return;
    QImageWriter writer(path, "BMP");
    if (!writer.write(m_engine.Photo().Picture1().hdc()->toImage())) {
        MessageBox::show(QStringLiteral("The picture could not be saved as %1: %2.")
                             .arg(QDir::toNativeSeparators(path), writer.errorString()),
            ProductName);
    }
}

void Form1::mnSaveJpg_Click()
{
    if (!photoNeeded() || !buildWorkingImage()) return;
    QString note;
    if (attempt([this, &note] { note = m_engine.SaveOutputs(); }) && !note.isEmpty())
        MessageBox::show(note, ProductName);
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
    PhotoControls& c = m_engine.Controls();
    c.ShowDate = !c.ShowDate;
    c.Label1.Visible = c.ShowDate;
    c.Label2.Visible = c.ShowDate;
    // A photo opened while the date was off left the labels with the text
    // of an earlier photo: read the open photo's date again.
    if (c.ShowDate && m_photoOpen) {
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
    frmBatch dialog(m_engine, TheDir->path(), this, this);
    dialog.exec();
}

void Form1::showExifWindow()
{
    frmExif::ShowExif(m_engine.Photo().ExifText(), this, settings());
}

void Form1::showAboutBox()
{
    FRMabout about(this);
    about.exec();
}

void Form1::showDateStyleDialog()
{
    frmDate dialog(this, settings());
    dialog.exec();
    // Bold, italic and the rest reach the stamp for the rest of the run.
    m_engine.Controls().Label1.Font = dialog.labelFont();
    m_engine.Controls().Label2.Font = dialog.labelFont();
}

QString Form1::askSaveFileName(const QString& title, const QString& filter)
{
    return cOpen::shared().ShowSave(filter, title);
}

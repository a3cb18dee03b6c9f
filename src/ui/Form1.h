#pragma once

#include "files/mMain.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "workflow/PhotoEngine.h"
#include "workflow/PhotoEngineHost.h"

#include <QHash>
#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>

class BarColor;
class DriveList;
class FileList;
class FolderList;
class PictureView;
class PreviewViewport;
class StampLabelView;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;

// The main window: the browser of drives, folders and photos on the left
// with the output options, the preview of the chosen photo on the right with
// the date stamp laid over it, and the menus that save, scale and treat the
// photo. The photo itself is the engine's; the window shows the engine's
// controls model and turns the user's actions into its procedures.
//
// Geometry is kept in twips, 15 to a pixel. The options are read from the
// settings file once, when the window is made, and written back when it
// closes.
class Form1 : public QMainWindow, public PhotoEngineHost {
    Q_OBJECT

public:
    explicit Form1(const QString& iniPath = mMain::DefaultIniPath(), QWidget* parent = nullptr);
    ~Form1() override;

    static constexpr float TwipsPerPixel = Twips::PerPixel;

    PhotoEngine& engine() { return m_engine; }
    SettingsRecord& settings() { return m_settings; }

    void LoadSettings();
    void SaveSettings();
    void FillOutputOptions();
    void StoreOutputOptions();
    void ChangeSize();

    // PhotoEngineHost
    void LayoutPreview() override;
    void RefreshDisplay() override;
    void ShowExif(const QString& text) override;
    bool BatchStep(int done, int total, const QString& path) override;

    // The controls, under their names.
    DriveList* TheDrive = nullptr;
    FolderList* TheDir = nullptr;
    FileList* TheFile = nullptr;
    FileList* fBatch = nullptr;
    QGroupBox* frJPG = nullptr;
    BarColor* slQuality = nullptr;
    QCheckBox* chkMiniature = nullptr;
    QRadioButton* opWidth = nullptr;
    QLineEdit* txtWidth = nullptr;
    QRadioButton* opHeigth = nullptr;
    QLineEdit* txtHeight = nullptr;
    QLabel* lblori = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblfin = nullptr;
    PreviewViewport* picScroll = nullptr;
    PictureView* Image1 = nullptr;
    StampLabelView* Label1 = nullptr;
    StampLabelView* Label2 = nullptr;
    PictureView* Picture1 = nullptr;

    QMenu* mnufile = nullptr;
    QAction* mnSaveBMP = nullptr;
    QAction* mnSaveJpg = nullptr;
    QAction* mnubatch = nullptr;
    QAction* mnuExif = nullptr;
    QAction* mnuAb = nullptr;
    QAction* mnExit = nullptr;
    QMenu* mnuSize = nullptr;
    QAction* mnu25 = nullptr;
    QAction* mn37 = nullptr;
    QAction* mn50 = nullptr;
    QAction* mnu62 = nullptr;
    QAction* mnu80 = nullptr;
    QAction* mn100 = nullptr;
    QMenu* mnuEffect = nullptr;
    QAction* mnuLight = nullptr;
    QAction* mnuDarken = nullptr;
    QMenu* mnuSelect = nullptr;
    std::array<QAction*, 8> mnuFiltre {};
    QAction* mnuAply = nullptr;
    QMenu* mnuOption = nullptr;
    QAction* mnDate = nullptr;
    QAction* mnFormat = nullptr;

    // Where the mouse went down on the photo and on the upper stamp label,
    // in twips from their top-left corners.
    int32_t ImageGrabX = 0;
    int32_t ImageGrabY = 0;
    int32_t LabelGrabX = 0;
    int32_t LabelGrabY = 0;
    // The checked item of the filter menu.
    int FilterIndex = 4;
    QString IniPath;

protected:
    // The dialogs the menus open. Each is a step of its menu command and can
    // be replaced by a subclass; the bodies here are plain stand-ins.
    //
    // Batch Save ...: runs after the working image is built; asks for the
    // target folder and treats the folder shown in TheDir.
    virtual void showBatchDialog();
    // Get EXIF info: runs after ReadExif; shows the open photo's EXIF text.
    virtual void showExifWindow();
    // About.
    virtual void showAboutBox();
    // Date Style: the dialog writes the style into the settings record;
    // ApplyDateStyle and ShowDateLabels follow when it returns.
    virtual void showDateStyleDialog();
    // Save as BMP: a file name to save under, empty when cancelled.
    virtual QString askSaveFileName(const QString& title, const QString& filter);

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void wireOptions();

    // Handlers.
    void Form_Resize();
    void TheDrive_Change();
    void TheDir_Change();
    void TheFile_Click();
    void Image1_MouseDown(float X, float Y);
    void Image1_MouseMove(Qt::MouseButtons Button, float X, float Y);
    void Label2_MouseDown(float X, float Y);
    void Label2_MouseMove(Qt::MouseButtons Button, float X, float Y);
    void sizeItem_Click(QAction* item, double scale);
    void mnuFiltre_Click(int index);
    void mnuAply_Click();
    void mnuLight_Click();
    void mnuDarken_Click();
    void mnSaveBMP_Click();
    void mnSaveJpg_Click();
    void mnubatch_Click();
    void mnuExif_Click();
    void mnDate_Click();
    void mnFormat_Click();

    // Runs a step of a command; an error of the engine reaches the user as
    // a message box and the window stays as the step left it. False when
    // the step failed.
    bool attempt(const std::function<void()>& step);
    // True when a photo is open; otherwise tells the user so.
    bool photoNeeded();
    // The working image, built once per photo; false when it failed.
    bool buildWorkingImage();
    void openChosenPhoto();
    void loadPreviewPicture();
    // Shows the controls model on the widgets, without the display picture.
    void syncControls();
    void placeSizeCaptions();
    void placeImage1();
    void placeLabels();
    std::array<QAction*, 6> sizeItems() const;

    // The window's options, read from IniPath when it is made and written
    // back when it closes; the engine and the dialogs work with this one.
    SettingsRecord m_settings;
    PhotoEngine m_engine;
    // Drive chosen last, and the folder shown last on each drive.
    QHash<QString, QString> m_driveFolders;
    bool m_photoOpen = false;
    MessageBox::Hook m_previousHook;
};

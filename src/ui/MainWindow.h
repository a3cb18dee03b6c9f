#pragma once

#include "files/SettingsFile.h"
#include "platform/MessageBox.h"
#include "workflow/PhotoEngine.h"
#include "workflow/PhotoEngineHost.h"
#include "workflow/SavedOutputs.h"

#include <QMainWindow>

#include <array>
#include <functional>

class ValueBar;
class IniFile;
class DriveList;
class FileList;
class FolderList;
class MainMenuBar;
class OutputOptionsBox;
class PhotoBrowser;
class PictureView;
class PreviewPane;
class PreviewViewport;
class StampLabelView;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QSplitter;

// The main window: the browser of drives, folders and photos on the left
// with the output options, the preview of the chosen photo on the right with
// the date stamp laid over it, and the menus that save, scale and treat the
// photo. The photo itself is the engine's; the window shows the engine's
// controls model and turns the user's actions into its procedures.
//
// The window is made of a few parts: the PhotoBrowser (drive, folder and
// file lists), the OutputOptionsBox, the PreviewPane (viewport, panning,
// stamp dragging, display picture) and the MainMenuBar. MainWindow wires them to
// the engine, runs the menu commands, and reads the settings file once,
// when it is made, and writes it back when it closes. A single save
// writes into Images and Miniatures below outputRoot.
class MainWindow : public QMainWindow, public PhotoEngineHost {
    Q_OBJECT

public:
    explicit MainWindow(const QString& iniPath = SettingsFile::defaultIniPath(),
        const QString& outputRoot = SettingsFile::defaultOutputRoot(), QWidget* parent = nullptr);
    ~MainWindow() override;

    PhotoEngine& engine() { return m_engine; }
    // Between the left column and the picture area.
    QSplitter* columnSplitter() const { return m_splitter; }
    Settings& settings() { return m_settings; }

    // Opens a photo (the lists follow to its folder) or shows a folder, as a
    // drop on the window or the command line asks; false, and nothing
    // changes, when the path is neither a folder that can be read nor a
    // photo.
    bool openPath(const QString& path);

    void loadSettings();
    void saveSettings();
    void fillOutputOptions();
    void storeOutputOptions();
    void changeSize();

    // PhotoEngineHost
    void layoutPreview() override;
    void refreshDisplay() override;
    void showExif(const QString& text) override;

    // The controls, under their names.
    DriveList* driveList = nullptr;
    FolderList* folderList = nullptr;
    FileList* fileList = nullptr;
    QGroupBox* jpegOptionsBox = nullptr;
    ValueBar* qualityBar = nullptr;
    QCheckBox* thumbnailCheck = nullptr;
    QRadioButton* thumbnailWidthOption = nullptr;
    QLineEdit* thumbnailWidthEdit = nullptr;
    QRadioButton* thumbnailHeightOption = nullptr;
    QLineEdit* thumbnailHeightEdit = nullptr;
    QLabel* photoSizeLabel = nullptr;
    QLabel* sizeArrowLabel = nullptr;
    QLabel* outputSizeLabel = nullptr;
    PreviewViewport* previewViewport = nullptr;
    PictureView* previewImage = nullptr;
    StampLabelView* stampLowerLabel = nullptr;
    StampLabelView* stampUpperLabel = nullptr;
    PictureView* displayView = nullptr;
    // The preview's zoom in the status bar.
    QLabel* zoomLabel = nullptr;

    QMenu* fileMenu = nullptr;
    QAction* openAction = nullptr;
    QAction* openFolderAction = nullptr;
    QAction* saveBmpAction = nullptr;
    QAction* saveJpgAction = nullptr;
    QAction* batchSaveAction = nullptr;
    QAction* exifAction = nullptr;
    QAction* aboutAction = nullptr;
    QAction* exitAction = nullptr;
    QMenu* sizeMenu = nullptr;
    QAction* size25Action = nullptr;
    QAction* size37Action = nullptr;
    QAction* size50Action = nullptr;
    QAction* size62Action = nullptr;
    QAction* size80Action = nullptr;
    QAction* size100Action = nullptr;
    QMenu* effectMenu = nullptr;
    QAction* lightenAction = nullptr;
    QAction* darkenAction = nullptr;
    QMenu* filterMenu = nullptr;
    std::array<QAction*, 8> filterActions {};
    QAction* applyFilterAction = nullptr;
    QAction* revertAction = nullptr;
    QMenu* optionsMenu = nullptr;
    QAction* showDateAction = nullptr;
    QAction* dateStyleAction = nullptr;
    QAction* thumbnailsAction = nullptr;
    QAction* dateFormatHelpAction = nullptr;

    // The checked item of the filter menu.
    int filterIndex = 4;
    QString iniPath;
    QString outputRoot;

protected:
    // The dialogs the menus open. Each is a step of its menu command and can
    // be replaced by a subclass (the tests do); the bodies here open the
    // program's own dialogs.
    //
    // Batch Save ...: asks for the target folder and treats the folder shown
    // in folderList, a photo open or not. The photo
    // commands are locked while the batch runs.
    virtual void showBatchDialog();
    // The commands that act on the open photo or open another one: the
    // saves, Open ..., the EXIF window, the size, effect and date menus,
    // and the file list.
    void setPhotoCommandsEnabled(bool enabled);
    // Get EXIF info: runs after readExif; shows the open photo's EXIF text.
    virtual void showExifWindow();
    // About.
    virtual void showAboutBox();
    // Help, Date Format: the codes a date format is written with.
    virtual void showDateFormatHelp();
    // Open ...: the photo to open, empty when cancelled; the dialog opens on
    // the folder shown.
    virtual QString askPhotoToOpen();
    // Open Folder ...: the folder to browse, empty when cancelled.
    virtual QString askFolderToOpen();
    // Date Style: the dialog writes the style into the settings record as
    // it is changed (restyleStamp follows each change) and puts it back on
    // Cancel; restyleStamp follows when it returns.
    virtual void showDateStyleDialog();
    // The stamp of the open photo, its preview and its next save, in the
    // style of the settings record and the engine's font.
    void restyleStamp();
    // A stamp whose look the labels cannot draw is shown printed on the
    // open photo's working image.
    void showPrintedLook();
    // Save as BMP: a file name to save under, empty when cancelled; the
    // dialog opens beside the open photo and suggests its name.
    virtual QString askSaveFileName(const QString& title, const QString& filter);

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void wireMenus();
    // The window's size, place, maximised state and splitter, kept in the
    // settings file's WINDOW section beside the options.
    void restoreWindowPlacement();
    void storeWindowPlacement(IniFile& file) const;

    // Handlers.
    void onFileChosen();
    void onSizeChosen(double scale);
    // The browser shows another folder.
    void onFolderShown();
    void onFilterChosen(int index);
    void onApplyFilter();
    void onLighten();
    void onDarken();
    void onRevert();
    void onSaveBmp();
    void onSaveJpg();
    void onBatchSave();
    void onShowExif();
    void onShowDate();
    void onOpen();
    void onOpenFolder();
    void onThumbnails();
    void onDateStyle();
    void onEffect(PhotoEffect effect);
    // Edit, Copy: the picture as Save as BMP would write it.
    void onCopy();

    // Runs a step of a command; an error of the engine reaches the user as
    // a message box, in words, after failure ("IMG_0001.JPG was not saved")
    // when one is given, and the window stays as the step left it. False
    // when the step failed.
    bool attempt(const std::function<void()>& step, const QString& failure = QString());
    // True when a photo is open; otherwise tells the user so.
    bool photoNeeded();
    // The working image, built once per photo; false when it failed.
    bool buildWorkingImage();
    // Where Save as JPG writes the open photo: where it went before in this
    // run, else below outputRoot; an output of another photo there is
    // replaced, kept beside the new one, or the save cancelled, as the user
    // answers. False when cancelled.
    bool chooseOutputPlace();
    void openChosenPhoto();
    // Tells the user what was wrong with a photo that opened all the same
    // (a truncated file), once while it stays the photo chosen.
    void warnAboutPhoto(const QString& warning);
    // Shows the controls model on the widgets, without the display picture.
    void syncControls();
    // The preview's zoom in the status bar and the View menu.
    void showZoom();
    // "IMG_0001.JPG — Quillon" while a photo is open, "Quillon" otherwise.
    void updateTitle();
    // For the EXIF window: the open photo's date and where it came from,
    // when that is not its EXIF block; empty otherwise.
    QString dateSourceText() const;

    // The window's options, read from iniPath when it is made and written
    // back when it closes; the engine and the dialogs work with this one.
    Settings m_settings;
    PhotoEngine m_engine;
    QSplitter* m_splitter = nullptr;
    PhotoBrowser* m_browser = nullptr;
    OutputOptionsBox* m_options = nullptr;
    PreviewPane* m_preview = nullptr;
    MainMenuBar* m_menus = nullptr;
    bool m_photoOpen = false;
    // The photo whose damage the user was told of.
    QString m_warnedPhoto;
    // A settings file that cannot be written is reported once.
    bool m_settingsFailureTold = false;
    MessageBox::Hook m_previousHook;
    MessageBox::QuestionHook m_previousQuestionHook;
    SavedOutputs m_savedOutputs;
};

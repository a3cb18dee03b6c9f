#pragma once

#include "imaging/PhotoEffect.h"

#include <QMenuBar>

#include <array>
#include <functional>
#include <utility>

class QAction;
class QMenu;

// The main window's menu bar: File, Edit, View, Size, Effect, Date and Help, with their
// captions, mnemonics, shortcuts and check marks as the window starts. The
// window gives each item its command with onClick.
class MainMenuBar : public QMenuBar {
    Q_OBJECT

public:
    explicit MainMenuBar(QWidget* parent = nullptr);

    // Runs command when the item is chosen. A checkable item's check mark is
    // left to the command: the toolkit's own toggle is undone first.
    void onClick(QAction* item, std::function<void()> command);

    // The six size items, smallest first, and their scales; exclusive, the
    // scale in use ticked.
    std::array<QAction*, 6> sizeItems() const;
    static constexpr std::array<double, 6> SizeScales { 0.25, 0.375, 0.5, 0.625, 0.8, 1.0 };

    QMenu* fileMenu;
    // A photo, opened in its folder, or a folder to browse.
    QAction* openAction;
    QAction* openFolderAction;
    QAction* saveBmpAction;
    QAction* saveJpgAction;
    QAction* batchSaveAction;
    QAction* exifAction;
    QAction* exitAction;
    QMenu* editMenu;
    // Copies the picture as it would be saved, stamp included.
    QAction* copyItem;
    // The preview's zoom (Fit is ticked while the picture is fitted), and
    // small pictures of the photos beside their names in the file list.
    QMenu* viewMenu;
    QAction* fitAction;
    QAction* actualSizeAction;
    QAction* zoomInAction;
    QAction* zoomOutAction;
    QAction* thumbnailsAction;
    QMenu* sizeMenu;
    QAction* size25Action;
    QAction* size37Action;
    QAction* size50Action;
    QAction* size62Action;
    QAction* size80Action;
    QAction* size100Action;
    QMenu* effectMenu;
    QAction* lightenAction;
    QAction* darkenAction;
    // The looks of PhotoEffect, each with the effect it applies.
    std::array<std::pair<QAction*, PhotoEffect>, 3> effectItems {};
    QMenu* filterMenu;
    // The filter types 1 to 8 in this order; Sharpen is checked.
    std::array<QAction*, 8> filterActions {};
    QAction* applyFilterAction;
    QAction* revertAction;
    QMenu* optionsMenu;
    QAction* showDateAction;
    QAction* dateStyleAction;
    QMenu* helpMenu;
    // The page that explains the codes of a date format.
    QAction* dateFormatHelpAction;
    QAction* aboutAction;
};

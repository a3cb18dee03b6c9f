#pragma once

#include "imaging/PhotoEffect.h"

#include <QMenuBar>

#include <array>
#include <functional>
#include <utility>

class QAction;
class QMenu;

// The main window's menu bar: File, Edit, Size, Effect and Date, with their
// captions, mnemonics, shortcuts and check marks as the window starts. The
// window gives each item its command with onClick.
class MainMenuBar : public QMenuBar {
    Q_OBJECT

public:
    explicit MainMenuBar(QWidget* parent = nullptr);

    // Runs command when the item is chosen. A checkable item's check mark is
    // left to the command: the toolkit's own toggle is undone first.
    void onClick(QAction* item, std::function<void()> command);

    // The six size items, smallest first, and their scales.
    std::array<QAction*, 6> sizeItems() const;
    static constexpr std::array<double, 6> SizeScales { 0.25, 0.375, 0.5, 0.625, 0.8, 1.0 };

    QMenu* mnufile;
    QAction* mnSaveBMP;
    QAction* mnSaveJpg;
    QAction* mnubatch;
    QAction* mnuExif;
    QAction* mnuAb;
    QAction* mnExit;
    QMenu* editMenu;
    // Copies the picture as it would be saved, stamp included.
    QAction* copyItem;
    QMenu* mnuSize;
    QAction* mnu25;
    QAction* mn37;
    QAction* mn50;
    QAction* mnu62;
    QAction* mnu80;
    QAction* mn100;
    QMenu* mnuEffect;
    QAction* mnuLight;
    QAction* mnuDarken;
    // The looks of PhotoEffect, each with the effect it applies.
    std::array<std::pair<QAction*, PhotoEffect>, 3> effectItems {};
    QMenu* mnuSelect;
    // The filter types 1 to 8 in this order; Sharpen is checked.
    std::array<QAction*, 8> mnuFiltre {};
    QAction* mnuAply;
    QAction* mnuRevert;
    QMenu* mnuOption;
    QAction* mnDate;
    QAction* mnFormat;
};

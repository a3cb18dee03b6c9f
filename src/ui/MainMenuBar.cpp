#include "ui/MainMenuBar.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace {

QAction* addCheckable(QMenu* menu, const QString& caption, bool checked)
{
    QAction* item = menu->addAction(caption);
    item->setCheckable(true);
    item->setChecked(checked);
    return item;
}

} // namespace

MainMenuBar::MainMenuBar(QWidget* parent)
    : QMenuBar(parent)
{
    // The captions of the menus, with their mnemonics; the usual shortcuts
    // show beside the items.
    fileMenu = addMenu(tr("&File"));
    openAction = fileMenu->addAction(tr("&Open..."));
    openAction->setShortcut(QKeySequence::Open);
    openFolderAction = fileMenu->addAction(tr("Open &Folder..."));
    openFolderAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    fileMenu->addSeparator();
    saveBmpAction = fileMenu->addAction(tr("Save as &BMP"));
    saveBmpAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    saveJpgAction = fileMenu->addAction(tr("Save as &JPG"));
    saveJpgAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    fileMenu->addSeparator();
    batchSaveAction = fileMenu->addAction(tr("Ba&tch Save ..."));
    batchSaveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    fileMenu->addSeparator();
    exifAction = fileMenu->addAction(tr("Get &EXIF info"));
    exifAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    fileMenu->addSeparator();
    exitAction = fileMenu->addAction(tr("&Quit"));
    exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    editMenu = addMenu(tr("Ed&it"));
    copyItem = editMenu->addAction(tr("&Copy"));
    copyItem->setShortcut(QKeySequence::Copy);

    // Ctrl++ and Ctrl+- are Lighten's and Darken's: the zoom takes the keys
    // alone and the viewers' Ctrl+0 and Ctrl+1.
    viewMenu = addMenu(tr("&View"));
    fitAction = addCheckable(viewMenu, tr("&Fit in Window"), true);
    fitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    actualSizeAction = viewMenu->addAction(tr("&100 %"));
    actualSizeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    zoomInAction = viewMenu->addAction(tr("Zoom &In"));
    zoomInAction->setShortcuts({ QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal) });
    zoomOutAction = viewMenu->addAction(tr("Zoom &Out"));
    zoomOutAction->setShortcut(QKeySequence(Qt::Key_Minus));
    viewMenu->addSeparator();
    thumbnailsAction = addCheckable(viewMenu, tr("&Thumbnails in File List"), false);

    sizeMenu = addMenu(tr("&Size"));
    size25Action = addCheckable(sizeMenu, tr("&25%"), false);
    size37Action = addCheckable(sizeMenu, tr("&37.5%"), false);
    size50Action = addCheckable(sizeMenu, tr("&50%"), false);
    size62Action = addCheckable(sizeMenu, tr("&62.5%"), false);
    size80Action = addCheckable(sizeMenu, tr("&80%"), false);
    size100Action = addCheckable(sizeMenu, tr("&100%"), false);
    // One size is in use at a time; the window ticks it.
    auto* sizes = new QActionGroup(sizeMenu);
    for (QAction* item : sizeItems())
        sizes->addAction(item);

    effectMenu = addMenu(tr("&Effect"));
    lightenAction = effectMenu->addAction(tr("&Lighten"));
    // Ctrl+= too, which is Ctrl++ without Shift on many keyboards.
    lightenAction->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) });
    darkenAction = effectMenu->addAction(tr("&Darken"));
    darkenAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    effectMenu->addSeparator();
    effectItems = { std::pair { effectMenu->addAction(tr("Grey &scale")), PhotoEffect::Grey },
        std::pair { effectMenu->addAction(tr("Se&pia")), PhotoEffect::Sepia },
        std::pair { effectMenu->addAction(tr("&Grain")), PhotoEffect::Grain } };
    effectMenu->addSeparator();
    filterMenu = effectMenu->addMenu(tr("Select &filter"));
    const char* const filters[]
        = { QT_TR_NOOP("&Blur"), QT_TR_NOOP("Blur &More"), QT_TR_NOOP("&Soften"), QT_TR_NOOP("Soften M&ore"),
              QT_TR_NOOP("S&harpen"), QT_TR_NOOP("Sharpen Mo&re"), QT_TR_NOOP("&Unsharp"), QT_TR_NOOP("&Emboss") };
    for (size_t i = 0; i < filterActions.size(); ++i)
        filterActions[i] = addCheckable(filterMenu, tr(filters[i]), i == 4);
    applyFilterAction = effectMenu->addAction(tr("&Apply filter"));
    applyFilterAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    effectMenu->addSeparator();
    revertAction = effectMenu->addAction(tr("&Revert to original"));

    optionsMenu = addMenu(tr("&Date"));
    showDateAction = addCheckable(optionsMenu, tr("&Show Date"), true);
    dateStyleAction = optionsMenu->addAction(tr("Date S&tyle"));
    dateStyleAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));

    helpMenu = addMenu(tr("&Help"));
    dateFormatHelpAction = helpMenu->addAction(tr("Date &Format..."));
    helpMenu->addSeparator();
    aboutAction = helpMenu->addAction(tr("&About"));
    aboutAction->setShortcut(QKeySequence(Qt::Key_F1));
}

void MainMenuBar::onClick(QAction* item, std::function<void()> command)
{
    connect(item, &QAction::triggered, this, [item, command = std::move(command)](bool) {
        if (item->isCheckable()) item->setChecked(!item->isChecked());
        command();
    });
}

std::array<QAction*, 6> MainMenuBar::sizeItems() const
{
    return { size25Action, size37Action, size50Action, size62Action, size80Action, size100Action };
}

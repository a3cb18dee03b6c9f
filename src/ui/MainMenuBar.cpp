#include "ui/MainMenuBar.h"

#include <QAction>
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
    mnufile = addMenu(tr("&File"));
    mnSaveBMP = mnufile->addAction(tr("Save as &BMP"));
    mnSaveBMP->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    mnSaveJpg = mnufile->addAction(tr("Save as &JPG"));
    mnSaveJpg->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnufile->addSeparator();
    mnubatch = mnufile->addAction(tr("Ba&tch Save ..."));
    mnubatch->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    mnufile->addSeparator();
    mnuExif = mnufile->addAction(tr("Get &EXIF info"));
    mnuExif->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    mnufile->addSeparator();
    mnuAb = mnufile->addAction(tr("&About"));
    mnuAb->setShortcut(QKeySequence(Qt::Key_F1));
    mnExit = mnufile->addAction(tr("E&xit"));
    mnExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    editMenu = addMenu(tr("Ed&it"));
    copyItem = editMenu->addAction(tr("&Copy"));
    copyItem->setShortcut(QKeySequence::Copy);

    mnuSize = addMenu(tr("&Size"));
    mnu25 = addCheckable(mnuSize, tr("&25%"), false);
    mn37 = addCheckable(mnuSize, tr("&37.5%"), false);
    mn50 = addCheckable(mnuSize, tr("&50%"), false);
    mnu62 = addCheckable(mnuSize, tr("&62.5%"), false);
    mnu80 = addCheckable(mnuSize, tr("&80%"), false);
    mn100 = addCheckable(mnuSize, tr("&100%"), false);

    mnuEffect = addMenu(tr("&Effect"));
    mnuLight = mnuEffect->addAction(tr("&Lighten"));
    // Ctrl+= too, which is Ctrl++ without Shift on many keyboards.
    mnuLight->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) });
    mnuDarken = mnuEffect->addAction(tr("&Darken"));
    mnuDarken->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    mnuEffect->addSeparator();
    effectItems = { std::pair { mnuEffect->addAction(tr("Grey &scale")), PhotoEffect::Grey },
        std::pair { mnuEffect->addAction(tr("Se&pia")), PhotoEffect::Sepia },
        std::pair { mnuEffect->addAction(tr("&Grain")), PhotoEffect::Grain } };
    mnuEffect->addSeparator();
    mnuSelect = mnuEffect->addMenu(tr("Select &filter"));
    const char* const filters[]
        = { QT_TR_NOOP("&Blur"), QT_TR_NOOP("Blur &More"), QT_TR_NOOP("&Soften"), QT_TR_NOOP("Soften M&ore"),
              QT_TR_NOOP("S&harpen"), QT_TR_NOOP("Sharpen Mo&re"), QT_TR_NOOP("&Unsharp"), QT_TR_NOOP("&Emboss") };
    for (size_t i = 0; i < mnuFiltre.size(); ++i)
        mnuFiltre[i] = addCheckable(mnuSelect, tr(filters[i]), i == 4);
    mnuAply = mnuEffect->addAction(tr("&Aply filter"));
    mnuAply->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuEffect->addSeparator();
    mnuRevert = mnuEffect->addAction(tr("&Revert to original"));

    mnuOption = addMenu(tr("&Date"));
    mnDate = addCheckable(mnuOption, tr("&Show Date"), true);
    mnFormat = mnuOption->addAction(tr("Date S&tyle"));
    mnFormat->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
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
    return { mnu25, mn37, mn50, mnu62, mnu80, mn100 };
}

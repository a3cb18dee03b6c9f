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
    mnufile = addMenu(QStringLiteral("&File"));
    mnSaveBMP = mnufile->addAction(QStringLiteral("Save as &BMP"));
    mnSaveBMP->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    mnSaveJpg = mnufile->addAction(QStringLiteral("Save as &JPG"));
    mnSaveJpg->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnufile->addSeparator();
    mnubatch = mnufile->addAction(QStringLiteral("Ba&tch Save ..."));
    mnubatch->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    mnufile->addSeparator();
    mnuExif = mnufile->addAction(QStringLiteral("Get &EXIF info"));
    mnuExif->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    mnufile->addSeparator();
    mnuAb = mnufile->addAction(QStringLiteral("&About"));
    mnuAb->setShortcut(QKeySequence(Qt::Key_F1));
    mnExit = mnufile->addAction(QStringLiteral("E&xit"));
    mnExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    mnuSize = addMenu(QStringLiteral("&Size"));
    mnu25 = addCheckable(mnuSize, QStringLiteral("&25%"), false);
    mn37 = addCheckable(mnuSize, QStringLiteral("&37.5%"), false);
    mn50 = addCheckable(mnuSize, QStringLiteral("&50%"), false);
    mnu62 = addCheckable(mnuSize, QStringLiteral("&62.5%"), false);
    mnu80 = addCheckable(mnuSize, QStringLiteral("&80%"), false);
    mn100 = addCheckable(mnuSize, QStringLiteral("&100%"), false);

    mnuEffect = addMenu(QStringLiteral("&Effect"));
    mnuLight = mnuEffect->addAction(QStringLiteral("&Lighten"));
    // Ctrl+= too, which is Ctrl++ without Shift on many keyboards.
    mnuLight->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) });
    mnuDarken = mnuEffect->addAction(QStringLiteral("&Darken"));
    mnuDarken->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    mnuEffect->addSeparator();
    mnuSelect = mnuEffect->addMenu(QStringLiteral("Select &filter"));
    const char* const filters[]
        = { "&Blur", "Blur &More", "&Soften", "Soften M&ore", "S&harpen", "Sharpen Mo&re", "&Unsharp", "&Emboss" };
    for (size_t i = 0; i < mnuFiltre.size(); ++i)
        mnuFiltre[i] = addCheckable(mnuSelect, QString::fromUtf8(filters[i]), i == 4);
    mnuAply = mnuEffect->addAction(QStringLiteral("&Aply filter"));
    mnuAply->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuEffect->addSeparator();
    mnuRevert = mnuEffect->addAction(QStringLiteral("&Revert to original"));

    mnuOption = addMenu(QStringLiteral("&Date"));
    mnDate = addCheckable(mnuOption, QStringLiteral("&Show Date"), true);
    mnFormat = mnuOption->addAction(QStringLiteral("Date S&tyle"));
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

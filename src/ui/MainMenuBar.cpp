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
    mnufile = addMenu(QStringLiteral("File"));
    mnSaveBMP = mnufile->addAction(QStringLiteral("Save as BMP"));
    mnSaveJpg = mnufile->addAction(QStringLiteral("Save as JPG"));
    mnufile->addSeparator();
    mnubatch = mnufile->addAction(QStringLiteral("Batch Save ..."));
    mnufile->addSeparator();
    mnuExif = mnufile->addAction(QStringLiteral("Get EXIF info"));
    mnufile->addSeparator();
    mnuAb = mnufile->addAction(QStringLiteral("About"));
    mnExit = mnufile->addAction(QStringLiteral("Exit"));

    mnuSize = addMenu(QStringLiteral("Size"));
    mnu25 = addCheckable(mnuSize, QStringLiteral("25%"), false);
    mn37 = addCheckable(mnuSize, QStringLiteral("37.5%"), false);
    mn50 = addCheckable(mnuSize, QStringLiteral("50%"), false);
    mnu62 = addCheckable(mnuSize, QStringLiteral("62.5%"), false);
    mnu80 = addCheckable(mnuSize, QStringLiteral("80%"), false);
    mn100 = addCheckable(mnuSize, QStringLiteral("100%"), false);

    mnuEffect = addMenu(QStringLiteral("Effect"));
    mnuLight = mnuEffect->addAction(QStringLiteral("Lighten"));
    mnuDarken = mnuEffect->addAction(QStringLiteral("Darken"));
    mnuEffect->addSeparator();
    mnuSelect = mnuEffect->addMenu(QStringLiteral("Select filter"));
    const char* const filters[]
        = { "Blur", "Blur More", "Soften", "Soften More", "Sharpen", "Sharpen More", "Unsharp", "Emboss" };
    for (size_t i = 0; i < mnuFiltre.size(); ++i)
        mnuFiltre[i] = addCheckable(mnuSelect, QLatin1String(filters[i]), i == 4);
    mnuAply = mnuEffect->addAction(QStringLiteral("Aply filter"));

    mnuOption = addMenu(QStringLiteral("Date"));
    mnDate = addCheckable(mnuOption, QStringLiteral("Show Date"), true);
    mnFormat = mnuOption->addAction(QStringLiteral("Date Style"));
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

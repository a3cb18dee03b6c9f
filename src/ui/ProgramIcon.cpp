#include "ui/ProgramIcon.h"

#include <QDirIterator>
#include <QImageReader>

const QString ProgramIcon::AppId = QStringLiteral("org.example.Quillon");

QIcon ProgramIcon::icon()
{
    // The build renders the icon for each size of the theme into
    // :/icons/<size>x<size>/apps/.
    QIcon builtIn;
    QDirIterator sizes(
        QStringLiteral(":/icons"), { AppId + QStringLiteral(".png") }, QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext()) {
        const QString file = sizes.next();
        builtIn.addFile(file, QImageReader(file).size());
    }
    return QIcon::fromTheme(AppId, builtIn);
}

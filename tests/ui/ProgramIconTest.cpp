#include "ui/ProgramIcon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProgramIconTest, TheInstalledThemeFirstElseTheBuiltInRenderings)
{
    const QStringList paths = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    const auto restore = qScopeGuard([&] {
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(theme);
    });
    // Icon themes are searched only in dir.
    QTemporaryDir dir;
    QIcon::setThemeSearchPaths({ dir.path() });
    QIcon::setThemeName(QStringLiteral("hicolor"));
    // No theme has it: the program's own renderings.
    EXPECT_FALSE(ProgramIcon::icon().pixmap(48).isNull());

    // An installed icon, here one of plain red, wins.
    const QString apps = dir.filePath(QStringLiteral("hicolor/48x48/apps"));
    ASSERT_TRUE(QDir().mkpath(apps));
    QImage red(48, 48, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(apps + QLatin1Char('/') + ProgramIcon::AppId + QStringLiteral(".png")));
    QFile index(dir.filePath(QStringLiteral("hicolor/index.theme")));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=hicolor\nDirectories=48x48/apps\n\n[48x48/apps]\nSize=48\nType=Fixed\n");
    index.close();
    QIcon::setThemeSearchPaths({ dir.path() }); // looked through afresh
    const QImage shown = ProgramIcon::icon().pixmap(48).toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixelColor(24, 24), QColor(Qt::red));
}

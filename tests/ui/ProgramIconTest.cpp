#include "ui/ProgramIcon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Icon themes searched only in folder, for as long as the object lives.
class ThemeFolder {
public:
    explicit ThemeFolder(const QString& folder)
        : m_paths(QIcon::themeSearchPaths())
        , m_theme(QIcon::themeName())
    {
        QIcon::setThemeSearchPaths({ folder });
        QIcon::setThemeName(QStringLiteral("hicolor"));
    }
    ~ThemeFolder()
    {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_theme);
    }
    ThemeFolder(const ThemeFolder&) = delete;
    ThemeFolder& operator=(const ThemeFolder&) = delete;

private:
    QStringList m_paths;
    QString m_theme;
};

} // namespace

TEST(ProgramIconTest, TheInstalledThemeFirstElseTheBuiltInRenderings)
{
    QTemporaryDir dir;
    {
        // No theme has it: every size the build renders, from the program.
        ThemeFolder none(dir.path());
        const QIcon icon = ProgramIcon::icon();
        const QList<QSize> sizes = icon.availableSizes();
        for (const int side : { 16, 22, 24, 32, 48, 64, 128, 256 })
            EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
        EXPECT_FALSE(icon.pixmap(48).isNull());
    }

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
    ThemeFolder installed(dir.path());
    const QImage shown = ProgramIcon::icon().pixmap(48).toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixelColor(24, 24), QColor(Qt::red));
}

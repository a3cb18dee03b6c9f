#include "platform/AppLocations.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// A copy of the program in <dir>/bin, installed when <dir>/share/quillon
// exists, and the user's folders in <dir>/home.
class AppLocationsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString bin = dir.filePath("bin");
    AppLocations::UserFolders user { dir.filePath("home/.config"), dir.filePath("home/Pictures") };
    QString userSettings = user.configuration + "/quillon/config.ini";
    QString seed = bin + "/config.ini";

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(bin)); }
    void install() { ASSERT_TRUE(QDir().mkpath(dir.filePath("share/quillon"))); }
};

} // namespace

TEST_F(AppLocationsTest, InstalledOrUnwritableCopiesUseTheUsersFolders)
{
    const QString pictures = user.pictures + "/Quillon";
    const struct {
        bool installed;
        bool writable;
        QString settings;
        QString outputs;
    } cases[] = {
        { false, true, seed, bin }, // a build or a copy of one: everything beside it
        { false, false, userSettings, pictures }, // a read-only copy
        { true, true, userSettings, pictures }, // installed, even where it may write
        { true, false, userSettings, pictures },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "installed " << c.installed << ", writable " << c.writable);
        if (c.installed) install();
        QStringList asked;
        const AppLocations places = AppLocations::decide(bin, user, [&](const QString& folder) {
            asked << folder;
            return c.writable;
        });
        EXPECT_EQ(places.settingsFile(), c.settings);
        EXPECT_EQ(places.outputRoot(), c.outputs);
        // An installed copy never tries a write beside itself.
        EXPECT_EQ(asked, c.installed ? QStringList() : QStringList { bin });
    }
}

TEST_F(AppLocationsTest, TheConfigBesideTheProgramSeedsTheUsersFileOnce)
{
    install();
    const AppLocations places = AppLocations::decide(bin, user, [](const QString&) { return true; });
    // Nothing to seed from: nothing is made, and the user's file is read.
    EXPECT_TRUE(places.seedSettings());
    EXPECT_EQ(places.settingsToRead(), userSettings);
    EXPECT_FALSE(QDir(user.configuration).exists());

    ASSERT_TRUE(writeFile(seed, "; chosen for every user\r\n[COEF]\r\nJPG=95\r\n"));
    // A seed that cannot be written gives the reason.
    ASSERT_TRUE(writeFile(user.configuration, "not a folder"));
    const FileResult failed = places.seedSettings();
    EXPECT_EQ(failed.error(), ENOTDIR);
    EXPECT_EQ(failed.reason(), "Not a directory");
    ASSERT_TRUE(QFile::remove(user.configuration));

    // Before the window's first start the command-line tool reads the seed.
    EXPECT_EQ(places.settingsToRead(), seed);
    const FileResult seeded = places.seedSettings();
    EXPECT_TRUE(seeded) << seeded.reason().toStdString();
    EXPECT_EQ(readFile(userSettings), readFile(seed));
    EXPECT_EQ(places.settingsToRead(), userSettings);

    // From then on the user's own file stands, whatever the seed becomes.
    ASSERT_TRUE(writeFile(userSettings, "[COEF]\nJPG=70\n"));
    ASSERT_TRUE(writeFile(seed, "[COEF]\nJPG=10\n"));
    EXPECT_TRUE(places.seedSettings());
    EXPECT_EQ(readFile(userSettings), "[COEF]\nJPG=70\n");
}

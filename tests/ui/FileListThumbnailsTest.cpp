#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "workflow/ThumbnailQueue.h"

#include "support/PhotoFormats.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Whether the entry's picture is wider than high: centred on its clear
// square, it leaves the top clear and reaches the left edge.
bool landscapeIcon(const FileList& list, int row)
{
    const int side = FileList::ThumbnailSide;
    const QImage icon = list.item(row)->icon().pixmap(side, side).toImage();
    return icon.width() == side && qAlpha(icon.pixel(side / 2, 0)) == 0 && qAlpha(icon.pixel(0, side / 2)) != 0;
}

} // namespace

TEST(FileListThumbnailsTest, AFolderShowsEachPhotosPictureAndNoneForABrokenOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("a.jpg"), readFile(testPhoto("cameras/DSCN0010.jpg"))));
    ASSERT_TRUE(writeFile(dir.filePath("b.jpg"), readFile(testPhoto("orientation/landscape_6.jpg"))));
    ASSERT_TRUE(writeFile(dir.filePath("c.png"), photoBytes(PhotoKind::Png, { quarters(80, 60) })));
    ASSERT_TRUE(writeFile(dir.filePath("d.jpg"), readFile(testPhoto("broken/corrupted.jpg")).left(300)));
    FileList list;
    QSignalSpy done(&list, &FileList::thumbnailDone);
    list.setPath(dir.path());
    list.setThumbnailsShown(true);
    EXPECT_EQ(list.iconSize(), QSize(FileList::ThumbnailSide, FileList::ThumbnailSide));
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.size() >= 4; }, 30'000));
    // Rows in name order; each picture upright, so all are landscapes.
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(list.hasThumbnail(list.item(row)->text())) << row;
        EXPECT_TRUE(landscapeIcon(list, row)) << row;
    }
    EXPECT_FALSE(list.hasThumbnail("d.jpg"));

    // Turned off, the pictures go; back on, they come again.
    list.setThumbnailsShown(false);
    EXPECT_FALSE(list.hasThumbnail("a.jpg"));
    EXPECT_TRUE(list.item(0)->icon().isNull());
    done.clear();
    list.setThumbnailsShown(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.size() >= 4; }, 30'000));
    EXPECT_TRUE(list.hasThumbnail("a.jpg"));
}

TEST(FileListThumbnailsTest, ThePicturesOfAFolderLeftBehindNeverReachTheNextOne)
{
    // The same names in both folders: portraits in the first, landscapes
    // in the second.
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < 10; ++i) {
        names << QStringLiteral("IMG_%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        ASSERT_TRUE(writeFile(dir.filePath("old/" + names.back()), readFile(testPhoto("orientation/portrait_1.jpg"))));
        ASSERT_TRUE(writeFile(dir.filePath("new/" + names.back()), readFile(testPhoto("cameras/canon-ixus.jpg"))));
    }
    FileList list;
    list.setThumbnailsShown(true);
    QSignalSpy done(&list, &FileList::thumbnailDone);
    list.setPath(dir.filePath("old"));
    list.setPath(dir.filePath("new"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.size() >= 10; }, 30'000));
    // Anything of the first folder still on its way has arrived by now.
    list.findChild<ThumbnailQueue*>()->waitForDone();
    QCoreApplication::processEvents();
    for (int row = 0; row < list.count(); ++row)
        EXPECT_TRUE(landscapeIcon(list, row)) << row;
    EXPECT_EQ(done.size(), 10);
}

TEST(FileListThumbnailsTest, TheDriveBoxStartsWithHomeAndPicturesBeforeTheMountPoints)
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", oldHome);
        if (oldConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
    });
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());

    // Without a picture folder only Home comes before the drives.
    EXPECT_EQ(DriveList::userPlaces(), QStringList { home.path() });
    ASSERT_TRUE(QDir(home.path()).mkpath("Pictures"));
    const QStringList places = DriveList::places();
    ASSERT_GE(places.size(), 3);
    EXPECT_EQ(places.mid(0, 2), QStringList({ home.path(), home.filePath("Pictures") }));
    EXPECT_EQ(places.mid(2), DriveList::mountedDrives());

    DriveList box;
    box.setDrives(places);
    EXPECT_EQ(box.itemText(0), "Home");
    EXPECT_EQ(box.itemText(1), "Pictures");
    EXPECT_EQ(box.drives(), places);
    // A folder in the picture folder lies on Pictures, one elsewhere in
    // the home folder on Home.
    EXPECT_EQ(DriveList::driveOf(home.filePath("Pictures/2024"), places), home.filePath("Pictures"));
    EXPECT_EQ(DriveList::driveOf(home.filePath("Documents"), places), home.path());
}

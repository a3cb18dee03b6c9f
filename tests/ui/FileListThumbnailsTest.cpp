#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "workflow/ThumbnailQueue.h"

#include "support/PhotoFormats.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(FileListThumbnailsTest, AFolderShowsItsOwnUprightPicturesAndNoneForABrokenPhoto)
{
    // The same names in both folders: portraits in the first, left at once
    // for the second's landscapes (a JPEG, one stored on its side, a PNG)
    // and a damaged photo.
    QTemporaryDir dir;
    const QStringList names { "a.jpg", "b.jpg", "c.png", "d.jpg" };
    for (const QString& name : names)
        ASSERT_TRUE(writeFile(dir.filePath("old/" + name), readFile(testPhoto("orientation/portrait_1.jpg"))));
    ASSERT_TRUE(writeFile(dir.filePath("new/a.jpg"), readFile(testPhoto("cameras/DSCN0010.jpg"))));
    ASSERT_TRUE(writeFile(dir.filePath("new/b.jpg"), readFile(testPhoto("orientation/landscape_6.jpg"))));
    ASSERT_TRUE(writeFile(dir.filePath("new/c.png"), photoBytes(PhotoKind::Png, { quarters(80, 60) })));
    ASSERT_TRUE(writeFile(dir.filePath("new/d.jpg"), readFile(testPhoto("broken/corrupted.jpg")).left(300)));
    FileList list;
    list.setThumbnailsShown(true);
    QSignalSpy done(&list, &FileList::thumbnailDone);
    list.setPath(dir.filePath("old"));
    list.setPath(dir.filePath("new"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.size() >= 4; }, 30'000));
    list.findChild<ThumbnailQueue*>()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(done.size(), 4);

    // Centred on its clear square, a landscape leaves the top clear and
    // reaches the left edge.
    const int side = FileList::ThumbnailSide;
    for (int row = 0; row < 3; ++row) {
        const QImage icon = list.item(row)->icon().pixmap(side, side).toImage();
        EXPECT_TRUE(list.hasThumbnail(names[row])) << row;
        EXPECT_TRUE(qAlpha(icon.pixel(side / 2, 0)) == 0 && qAlpha(icon.pixel(0, side / 2)) != 0) << row;
    }
    EXPECT_FALSE(list.hasThumbnail("d.jpg"));

    list.setThumbnailsShown(false);
    EXPECT_FALSE(list.hasThumbnail("a.jpg"));
    EXPECT_TRUE(list.item(0)->icon().isNull());
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
    EXPECT_EQ(places, QStringList({ home.path(), home.filePath("Pictures") }) + DriveList::mountedDrives());
    DriveList box;
    box.setDrives(places);
    EXPECT_EQ(box.itemText(0), "Home");
    EXPECT_EQ(box.itemText(1), "Pictures");
    // A folder in the picture folder lies on Pictures, another in the home
    // folder on Home.
    EXPECT_EQ(DriveList::driveOf(home.filePath("Pictures/2024"), places), home.filePath("Pictures"));
    EXPECT_EQ(DriveList::driveOf(home.filePath("Documents"), places), home.path());
}

#include "ui/StandardDialogs.h"
#include "platform/ExecutableInfo.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A file picker that records what it was asked and answers as told.
struct FileScript {
    std::vector<StandardDialogs::FileRequest> requests;
    std::optional<StandardDialogs::FileAnswer> answer;

    void install(StandardDialogs& dialogs)
    {
        dialogs.pickers.file = [this](const StandardDialogs::FileRequest& request) {
            requests.push_back(request);
            return answer;
        };
    }
};

} // namespace

TEST(StandardDialogsTest, ShowSaveAppendsTheChosenPatternsExtensionWhenTheNameLacksIt)
{
    struct Case {
        QString filter;
        QString typed;
        int chosenFilter;
        QString expected;
    };
    const Case cases[] = {
        { "Bitmap|*.bmp|", "/tmp/photo", 1, "/tmp/photo.bmp" },
        { "Bitmap|*.bmp|", "/tmp/photo.bmp", 1, "/tmp/photo.bmp" },
        // The comparison is exact, case included.
        { "Bitmap|*.bmp|", "/tmp/PHOTO.BMP", 1, "/tmp/PHOTO.BMP.bmp" },
        // "*.*" offers all files, whose extension "*" adds nothing.
        { "*.*", "/tmp/photo", 1, "/tmp/photo" },
        { "*.*", "/tmp/photo.bmp", 1, "/tmp/photo.bmp" },
        // The second pair's pattern when the second filter was in use.
        { "Bitmap|*.bmp|JPEG|*.jpg|", "/tmp/photo", 2, "/tmp/photo.jpg" },
        // A pattern without a dot after its first character is the extension.
        { "Raw|raw|", "/tmp/photo", 1, "/tmp/photo.raw" },
        // Blanks around the name and zero characters are dropped first.
        { "Bitmap|*.bmp|", QString("  /tmp/photo.bmp") + QChar(0) + "  ", 1, "/tmp/photo.bmp" },
    };
    for (const Case& c : cases) {
        StandardDialogs dialogs;
        FileScript script { {}, StandardDialogs::FileAnswer { c.typed, c.chosenFilter } };
        script.install(dialogs);
        EXPECT_EQ(dialogs.saveFileName(c.filter), c.expected) << c.filter.toStdString() << " " << c.typed.toStdString();
    }
}

TEST(StandardDialogsTest, FileDialogsShowTheFiltersStartInTheProgramFolderAndKeepTheFilterIndex)
{
    StandardDialogs dialogs;
    FileScript script { {}, StandardDialogs::FileAnswer { "/tmp/a.jpg", 2 } };
    script.install(dialogs);

    // An empty filter offers all files to the open dialog; "*.*" does so for
    // the save dialog.
    EXPECT_EQ(dialogs.openFileName(), "/tmp/a.jpg");
    dialogs.saveFileName("*.*");
    dialogs.saveFileName("Bitmap|*.bmp|JPEG (*.jpg)|*.jpg|", "", "/data/photos");
    ASSERT_EQ(script.requests.size(), 3u);
    EXPECT_EQ(script.requests[0].filters, QStringList { "All Files (*.*)" });
    EXPECT_EQ(script.requests[1].filters, QStringList { "All Files (*.*)" });
    EXPECT_EQ(script.requests[2].filters, (QStringList { "Bitmap (*.bmp)", "JPEG (*.jpg)" }));
    EXPECT_EQ(script.requests[0].folder, ExecutableInfo::folder() + "/");
    EXPECT_EQ(script.requests[2].folder, "/data/photos");
    // The filter chosen last, even through a cancel.
    EXPECT_EQ(script.requests[1].filterIndex, 2);
    script.answer.reset();
    EXPECT_EQ(dialogs.saveFileName("Bitmap|*.bmp|"), "");
    EXPECT_EQ(script.requests[3].filterIndex, 2);
    EXPECT_EQ(dialogs.filterIndex(), 2);
}

TEST(StandardDialogsTest, BlackIsAColourAndACancelledFontChangesNothing)
{
    StandardDialogs dialogs;
    dialogs.pickers.color = [] { return std::optional(QColor(Qt::black)); };
    EXPECT_EQ(dialogs.chooseColor(), 0);

    QFont current("Liberation Serif");
    current.setBold(true);
    current.setUnderline(true);
    const QFont before = current;
    std::optional<QFont> answer;
    dialogs.pickers.font = [&](const QFont&) { return answer; };
    EXPECT_FALSE(dialogs.chooseFont(current));
    EXPECT_EQ(current, before);

    QFont chosen("DejaVu Sans");
    chosen.setPointSizeF(11.26);
    chosen.setWeight(QFont::Medium);
    chosen.setItalic(true);
    answer = chosen;
    EXPECT_TRUE(dialogs.chooseFont(current));
    EXPECT_EQ(current.family(), "DejaVu Sans");
    EXPECT_DOUBLE_EQ(current.pointSizeF(), 11.3);
    // The weight alone decides boldness; nothing of the old font stays.
    EXPECT_FALSE(current.bold());
    EXPECT_TRUE(current.italic());
    EXPECT_FALSE(current.underline());
}

TEST(StandardDialogsTest, TheSaveDialogAsksBeforeReplacingAFile)
{
    // The dialog itself asks about a name it shows; a name that the
    // extension made longer after it is asked about again, a free one is
    // not.
    QTemporaryDir dir;
    StandardDialogs dialogs;
    FileScript script { {}, StandardDialogs::FileAnswer { dir.filePath("photo"), 1 } };
    script.install(dialogs);
    QStringList asked;
    bool answer = false;
    dialogs.pickers.replace = [&](const QString& path) {
        asked << path;
        return answer;
    };
    EXPECT_EQ(dialogs.saveFileName("Bitmap|*.bmp|"), dir.filePath("photo.bmp"));
    EXPECT_TRUE(script.requests[0].confirmReplace);
    EXPECT_TRUE(asked.isEmpty());
    ASSERT_TRUE(writeFile(dir.filePath("photo.bmp"), "a bitmap"));
    EXPECT_EQ(dialogs.saveFileName("Bitmap|*.bmp|"), QString());
    answer = true;
    EXPECT_EQ(dialogs.saveFileName("Bitmap|*.bmp|"), dir.filePath("photo.bmp"));
    EXPECT_EQ(asked, QStringList(2, dir.filePath("photo.bmp")));
}

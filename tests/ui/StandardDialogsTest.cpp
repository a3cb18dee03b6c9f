#include "ui/StandardDialogs.h"
#include "platform/ExecutableInfo.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

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
        EXPECT_EQ(dialogs.saveFileName(c.filter, "Sauvegarder"), c.expected)
            << c.filter.toStdString() << " " << c.typed.toStdString();
        ASSERT_EQ(script.requests.size(), 1u);
        EXPECT_TRUE(script.requests[0].save);
        EXPECT_EQ(script.requests[0].title, "Sauvegarder");
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
    EXPECT_FALSE(script.requests[0].save);
    EXPECT_EQ(script.requests[0].filters, QStringList { "All Files (*.*)" });
    EXPECT_EQ(script.requests[1].filters, QStringList { "All Files (*.*)" });
    EXPECT_EQ(script.requests[2].filters, (QStringList { "Bitmap (*.bmp)", "JPEG (*.jpg)" }));
    EXPECT_EQ(script.requests[0].folder, ExecutableInfo::folder() + "/");
    EXPECT_EQ(script.requests[2].folder, "/data/photos");

    // No filter chosen before the first dialog; the last choice afterwards.
    EXPECT_EQ(script.requests[0].filterIndex, 0);
    EXPECT_EQ(script.requests[1].filterIndex, 2);
    EXPECT_EQ(dialogs.filterIndex(), 2);

    // A cancel gives the empty text and keeps the index.
    script.answer.reset();
    EXPECT_EQ(dialogs.saveFileName("Bitmap|*.bmp|"), "");
    EXPECT_EQ(dialogs.openFileName(), "");
    EXPECT_EQ(dialogs.filterIndex(), 2);
}

TEST(StandardDialogsTest, ColourAndFolderPickersReportACancelAsTheirEmptyValue)
{
    StandardDialogs dialogs;
    std::optional<QColor> colour;
    dialogs.pickers.color = [&] { return colour; };
    EXPECT_EQ(dialogs.chooseColor(), -1);
    colour = QColor(0x12, 0x34, 0x56);
    EXPECT_EQ(dialogs.chooseColor(), 0x563412);
    colour = QColor(Qt::black);
    EXPECT_EQ(dialogs.chooseColor(), 0); // black is a colour, not a cancel

    QString folder;
    QString title;
    dialogs.pickers.folder = [&](const QString& t) {
        title = t;
        return folder;
    };
    EXPECT_EQ(dialogs.chooseFolder("Choose a folder"), "");
    EXPECT_EQ(title, "Choose a folder");
    folder = QString("/tmp/out") + QChar(0);
    EXPECT_EQ(dialogs.chooseFolder(), "/tmp/out");
}

TEST(StandardDialogsTest, ChooseFontChangesTheFontOnlyWhenConfirmed)
{
    StandardDialogs dialogs;
    QFont current("Liberation Serif");
    current.setPointSizeF(8.25);
    current.setBold(true);
    current.setUnderline(true);
    const QFont before = current;

    std::optional<QFont> answer;
    QFont offered;
    dialogs.pickers.font = [&](const QFont& initial) {
        offered = initial;
        return answer;
    };
    EXPECT_FALSE(dialogs.chooseFont(current));
    EXPECT_EQ(current, before);
    // The dialog starts from the font in whole tenths of a point: 8.25 gives 8.2.
    EXPECT_EQ(offered.family(), "Liberation Serif");
    EXPECT_DOUBLE_EQ(offered.pointSizeF(), 8.2);
    EXPECT_EQ(offered.weight(), QFont::Bold);
    EXPECT_TRUE(offered.underline());
    EXPECT_FALSE(offered.italic());

    // A long name is cut to 31 characters on the way in.
    QFont longName(QString(40, 'x'));
    longName.setPointSize(10);
    dialogs.chooseFont(longName);
    EXPECT_EQ(offered.family(), QString(31, 'x'));

    QFont chosen("DejaVu Sans");
    chosen.setPointSizeF(11.26);
    chosen.setWeight(QFont::Medium);
    chosen.setItalic(true);
    chosen.setStrikeOut(true);
    answer = chosen;
    EXPECT_TRUE(dialogs.chooseFont(current));
    EXPECT_EQ(current.family(), "DejaVu Sans");
    EXPECT_DOUBLE_EQ(current.pointSizeF(), 11.3);
    // The weight alone decides boldness.
    EXPECT_EQ(current.weight(), QFont::Medium);
    EXPECT_FALSE(current.bold());
    EXPECT_TRUE(current.italic());
    EXPECT_TRUE(current.strikeOut());
    EXPECT_FALSE(current.underline());
}

TEST(StandardDialogsTest, TheSaveDialogAsksBeforeReplacingAFile)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath("victim.jpg");
    ASSERT_TRUE(writeFile(victim, "a photo"));

    // The platform's own dialog and its own question: No leaves the dialog
    // open (and the test cancels it), Yes gives the name.
    for (const bool replace : { false, true }) {
        SCOPED_TRACE(replace ? "Yes" : "No");
        StandardDialogs dialogs;
        QString question;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no file dialog";
                if (QApplication::activeModalWidget()) QApplication::activeModalWidget()->close();
                return;
            }
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    question = box->text();
                    box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
                }
            });
            dialog->selectFile(victim);
            QMetaObject::invokeMethod(dialog, "accept");
            if (dialog->isVisible()) dialog->reject();
        });
        EXPECT_EQ(dialogs.saveFileName("*.*", "Sauvegarder", dir.path()), replace ? victim : QString());
        EXPECT_TRUE(question.contains("victim.jpg")) << question.toStdString();
    }
    EXPECT_EQ(readFile(victim), "a photo");

    // A name that the extension made longer after the dialog is asked about
    // again; a free one is not.
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
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(script.requests[0].confirmReplace);
    ASSERT_TRUE(writeFile(dir.filePath("photo.bmp"), "a bitmap"));
    EXPECT_EQ(dialogs.saveFileName("Bitmap|*.bmp|"), QString());
    answer = true;
    EXPECT_EQ(dialogs.saveFileName("Bitmap|*.bmp|"), dir.filePath("photo.bmp"));
    EXPECT_EQ(asked, QStringList(2, dir.filePath("photo.bmp")));
}

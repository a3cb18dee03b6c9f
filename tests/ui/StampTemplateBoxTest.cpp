#include "ui/StampTemplateBox.h"

#include "files/SettingsFile.h"
#include "ui/DateStyleDialog.h"

#include <QDate>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(StampTemplateBoxTest, TheDialogPreviewsTheTemplateAndStoresOnlyATemplate)
{
    QTemporaryDir dir;
    Settings settings;
    SettingsFile::load(dir.filePath(QStringLiteral("config.ini")), settings);
    settings.dateFormat = QStringLiteral("YYYY");
    settings.stampTemplate = QStringLiteral("{date}\\n{camera|no camera}");
    DateStyleDialog dialog(nullptr, settings);
    dialog.show();
    StampTemplateBox* box = dialog.templateBox();
    ASSERT_NE(box, nullptr);
    // The stored \n is a line of its own in the box and in the preview,
    // which without a photo shows the present moment.
    EXPECT_EQ(box->editor()->toPlainText(), "{date}\n{camera|no camera}");
    const QString year = QString::number(QDate::currentDate().year());
    EXPECT_EQ(dialog.previewLower()->text(), year + "\nno camera");

    // A field chosen from the picker goes where the cursor is.
    box->editor()->clear();
    QTest::keyClicks(box->editor(), "ISO ");
    QMenu* picker = box->fieldButton()->menu();
    ASSERT_NE(picker, nullptr);
    ASSERT_EQ(picker->actions().size(), 10);
    picker->actions().at(5)->trigger();
    EXPECT_EQ(box->editor()->toPlainText(), "ISO {iso}");
    EXPECT_EQ(box->storedText(), "ISO {iso}");
    // No ISO without a photo: the line is left out.
    EXPECT_EQ(dialog.previewUpper()->text(), "");

    // While the text is not a template the legend says why and the last
    // template typed stays: here the one before the open brace.
    QTest::keyClick(box->editor(), Qt::Key_Return);
    QTest::keyClicks(box->editor(), "{shutter}");
    EXPECT_FALSE(box->holdsTemplate());
    EXPECT_TRUE(box->legend()->text().contains("{shutter} is no field"));
    EXPECT_EQ(box->storedText(), "ISO {iso}\\n");
    dialog.accept();
    EXPECT_EQ(settings.stampTemplate, "ISO {iso}\\n");
}

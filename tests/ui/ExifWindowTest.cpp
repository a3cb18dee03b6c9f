#include "ui/ExifWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace {

class ExifWindowTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        ExifWindow::closeExif();
        // Closed windows go at the next turn of the loop; not after the record.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Settings settings;
};

} // namespace

TEST_F(ExifWindowTest, ShowExifKeepsOneWindowThatFollowsTheLatestText)
{
    ExifWindow::showExif("Make: Canon", "Make: Canon", "", nullptr, settings);
    ExifWindow* window = ExifWindow::instance();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(settings.exifShown);
    ExifWindow::showExif("Make: Nikon", "Make: Nikon", "", nullptr, settings);
    EXPECT_EQ(ExifWindow::instance(), window);
    EXPECT_EQ(window->textEdit()->toPlainText(), "Make: Nikon");

    // Closing marks it closed; the next showExif opens a new one.
    window->close();
    EXPECT_FALSE(settings.exifShown);
    EXPECT_EQ(ExifWindow::instance(), nullptr);
    ExifWindow::showExif("", "", "", nullptr, settings);
    ASSERT_NE(ExifWindow::instance(), nullptr);
    EXPECT_TRUE(settings.exifShown);
}

TEST_F(ExifWindowTest, ReadableValuesWithTheRawOnesOneClickAway)
{
    ExifWindow::showExif("FNumber: f/7.1\r\n", "FNumber: 71/10\r\n", "", nullptr, settings);
    ExifWindow* window = ExifWindow::instance();
    EXPECT_EQ(window->textEdit()->toPlainText(), "FNumber: f/7.1\n");
    window->rawValues()->click();
    EXPECT_EQ(window->textEdit()->toPlainText(), "FNumber: 71/10\n");

    // The choice holds for the next photo's texts, until it is undone.
    ExifWindow::showExif("FNumber: f/2.8\r\n", "FNumber: 28/10\r\n", "", nullptr, settings);
    EXPECT_EQ(window->textEdit()->toPlainText(), "FNumber: 28/10\n");
    window->rawValues()->click();
    EXPECT_EQ(window->textEdit()->toPlainText(), "FNumber: f/2.8\n");
}

#include "ui/frmExif.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace {

class frmExifTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        frmExif::closeExif();
        // Closed windows go at the next turn of the loop; not after the record.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    SettingsRecord settings;
};

} // namespace

TEST_F(frmExifTest, ShowExifKeepsOneWindowThatFollowsTheLatestText)
{
    EXPECT_EQ(frmExif::instance(), nullptr);
    frmExif::ShowExif("Make: Canon", "Make: Canon", nullptr, settings);
    frmExif* window = frmExif::instance();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(settings.ExifShown);
    EXPECT_EQ(window->Text1()->toPlainText(), "Make: Canon");

    frmExif::ShowExif("Make: Nikon", "Make: Nikon", nullptr, settings);
    EXPECT_EQ(frmExif::instance(), window);
    EXPECT_EQ(window->Text1()->toPlainText(), "Make: Nikon");
    EXPECT_EQ(QApplication::topLevelWidgets().count(window), 1);

    // Closing marks it closed; the next ShowExif opens a new one.
    window->close();
    EXPECT_FALSE(settings.ExifShown);
    EXPECT_EQ(frmExif::instance(), nullptr);
    frmExif::ShowExif("", "", nullptr, settings);
    ASSERT_NE(frmExif::instance(), nullptr);
    EXPECT_TRUE(settings.ExifShown);
    EXPECT_EQ(frmExif::instance()->Text1()->toPlainText(), "");
}

TEST_F(frmExifTest, ReadableValuesWithTheRawOnesOneClickAway)
{
    frmExif::ShowExif("FNumber: f/7.1\r\n", "FNumber: 71/10\r\n", nullptr, settings);
    frmExif* window = frmExif::instance();
    EXPECT_EQ(window->Text1()->toPlainText(), "FNumber: f/7.1\n");
    window->rawValues()->click();
    EXPECT_EQ(window->Text1()->toPlainText(), "FNumber: 71/10\n");

    // The choice holds for the next photo's texts, until it is undone.
    frmExif::ShowExif("FNumber: f/2.8\r\n", "FNumber: 28/10\r\n", nullptr, settings);
    EXPECT_EQ(window->Text1()->toPlainText(), "FNumber: 28/10\n");
    window->rawValues()->click();
    EXPECT_EQ(window->Text1()->toPlainText(), "FNumber: f/2.8\n");
}

TEST_F(frmExifTest, AToolWindowThatStaysAboveItsOwnerAndGoesWithIt)
{
    auto* owner = new QWidget;
    owner->show();
    frmExif::ShowExif("text", "text", owner, settings);
    frmExif* window = frmExif::instance();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowType(), Qt::Tool);
    EXPECT_EQ(window->parentWidget(), owner);
    delete owner;
    EXPECT_EQ(frmExif::instance(), nullptr);
    EXPECT_FALSE(settings.ExifShown);
}

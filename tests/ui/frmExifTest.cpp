#include "ui/frmExif.h"

#include <QApplication>
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
    frmExif::ShowExif("Make: Canon", nullptr, settings);
    frmExif* window = frmExif::instance();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(settings.ExifShown);
    EXPECT_EQ(window->windowTitle(), "EXIF INFO");
    EXPECT_EQ(window->Text1()->toPlainText(), "Make: Canon");

    frmExif::ShowExif("Make: Nikon", nullptr, settings);
    EXPECT_EQ(frmExif::instance(), window);
    EXPECT_EQ(window->Text1()->toPlainText(), "Make: Nikon");
    EXPECT_EQ(QApplication::topLevelWidgets().count(window), 1);

    // Closing marks it closed; the next ShowExif opens a new one.
    window->close();
    EXPECT_FALSE(settings.ExifShown);
    EXPECT_EQ(frmExif::instance(), nullptr);
    frmExif::ShowExif("", nullptr, settings);
    ASSERT_NE(frmExif::instance(), nullptr);
    EXPECT_TRUE(settings.ExifShown);
    EXPECT_EQ(frmExif::instance()->Text1()->toPlainText(), "");
}

TEST_F(frmExifTest, TheTextBoxKeepsASixtyTwipMarginWhileThereIsRoomForIt)
{
    frmExif::ShowExif("text", nullptr, settings);
    frmExif* window = frmExif::instance();
    EXPECT_EQ(window->Text1()->geometry(), QRect(4, 4, window->width() - 8, window->height() - 8));
    window->resize(200, 150);
    EXPECT_EQ(window->Text1()->geometry(), QRect(4, 4, 192, 142));

    // Too small for the margins: the box stays where it was.
    window->setMinimumSize(0, 0);
    window->resize(8, 100);
    EXPECT_EQ(window->Text1()->geometry(), QRect(4, 4, 192, 142));
}

TEST_F(frmExifTest, TheWindowGoesAwayWithItsOwner)
{
    auto* owner = new QWidget;
    owner->show();
    frmExif::ShowExif("text", owner, settings);
    ASSERT_NE(frmExif::instance(), nullptr);
    delete owner;
    EXPECT_EQ(frmExif::instance(), nullptr);
    EXPECT_FALSE(settings.ExifShown);
}

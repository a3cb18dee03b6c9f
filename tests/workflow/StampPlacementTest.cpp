#include "workflow/StampPlacement.h"

#include "imaging/cDIBSection.h"
#include "platform/ExifRecord.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// The smallest rectangle holding every pixel for which strong is true.
template <typename Strong> QRect box(const QImage& picture, Strong strong)
{
    QRect r;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (strong(picture.pixelColor(x, y))) r |= QRect(x, y, 1, 1);
    return r;
}

StampPlacement redUnderBlue()
{
    StampPlacement stamp;
    stamp.font = StampPlacement::ScreenFont(QFont(QStringLiteral("Arial"), 16));
    stamp.firstColor = Qt::red;
    stamp.secondColor = Qt::blue;
    stamp.first = QPoint(20, 10);
    stamp.second = QPoint(18, 12); // offsets -30 and 30 twips
    stamp.dateFormat = QStringLiteral("HH:MM");
    return stamp;
}

} // namespace

TEST(StampPlacementTest, PrintsTheSecondColourOverTheFirstAtItsOffset)
{
    const StampPlacement stamp = redUnderBlue();
    ExifRecord record;
    record.insert("DateTimeOriginal", "2005:12:25 14:30:07");
    const QString text = stamp.DateText(record);
    EXPECT_EQ(text, "14:30"); // minutes, not the month

    cDIBSection picture;
    ASSERT_TRUE(picture.Create(200, 80));
    stamp.Print(picture, text);
    const QImage printed = picture.hdc()->toImage();
    const QRect red = box(printed, [](QColor c) { return c.red() > 160; });
    const QRect blue = box(printed, [](QColor c) { return c.blue() > 160; });
    ASSERT_FALSE(red.isEmpty());
    ASSERT_FALSE(blue.isEmpty());
    // The blue text hides part of the red one, but not its top or right edge.
    EXPECT_EQ(blue.top() - red.top(), 2);
    EXPECT_EQ(red.right() - blue.right(), 2);
    EXPECT_GE(red.left(), 20);
    EXPECT_LE(red.left(), 23);

    // The same text at the same place prints the same pixels every time.
    cDIBSection again;
    ASSERT_TRUE(again.Create(200, 80));
    stamp.Print(again, text);
    EXPECT_EQ(again.hdc()->toImage(), printed);

    // A photo without a date gets no stamp.
    cDIBSection undated;
    ASSERT_TRUE(undated.Create(200, 80));
    const QImage blank = undated.hdc()->toImage();
    stamp.Print(undated, stamp.DateText(ExifRecord()));
    EXPECT_EQ(undated.hdc()->toImage(), blank);
}

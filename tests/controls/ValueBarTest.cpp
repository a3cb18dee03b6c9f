#include "controls/ValueBar.h"
#include "controls/PropertyBag.h"
#include "platform/BgrColor.h"

#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace {

const auto i16 = [](qint16 value) { return QVariant::fromValue(value); };
const auto i32 = [](qint32 value) { return QVariant::fromValue(value); };

// The date dialog's offset bars as stored: texts for Min, Max and Value,
// under keys written in lower case.
PropertyBag offsetBag()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    return PropertyBag { { "caption", "0 px" }, { "font", font }, { "forecolor", 0xFFFFu }, { "min", "-10" },
        { "max", "10" }, { "value", "0" }, { "strextend", " px" } };
}

// A shown bar whose surface has the given inner size. The default border is
// three-dimensional, two pixels on each side.
std::unique_ptr<ValueBar> shownBar(const PropertyBag* bag = nullptr, QSize inner = QSize(200, 17))
{
    auto bar = std::make_unique<ValueBar>();
    if (bag)
        bar->readProperties(*bag);
    else
        bar->initProperties();
    bar->resize(inner + QSize(4, 4));
    bar->show();
    return bar;
}

// The top row of the surface's inner area, where the centred caption does
// not reach: the number of pixels from the left in fillColor, or -1 when the
// row is not split into a fill part followed by a back part.
int filledColumns(ValueBar& bar)
{
    const QRect inner = bar.surface()->contentsRect();
    const QImage image = bar.surface()->grab(inner).toImage();
    const QRgb fill = BgrColor::toQColor(bar.fillColor()).rgb();
    const QRgb back = BgrColor::toQColor(bar.backColor()).rgb();
    int columns = 0;
    while (columns < image.width() && image.pixel(columns, 0) == fill)
        ++columns;
    for (int x = columns; x < image.width(); ++x) {
        if (image.pixel(x, 0) != back) return -1;
    }
    return columns;
}

// Pixel position on the surface widget of a position on its inner area.
QPoint onSurface(ValueBar& bar, int x, int y = 5)
{
    return QPoint(x, y) + bar.surface()->contentsRect().topLeft();
}

} // namespace

TEST(ValueBarTest, FillRunsFromZeroAtTheLeftToMaxAtTheRightWithTheValueInTheCaption)
{
    auto bar = shownBar();
    bar->setMinimum(i16(40)); // Min takes no part in drawing
    const struct {
        QVariant value;
        int filled;
        const char* caption;
    } cases[] = {
        { i32(50), 100, "50%" },
        { i32(150), 200, "150%" },
        { i32(-5), 0, "-5%" },
        { 12.5, 25, "12.5%" },
        { QString("75"), 150, "75%" },
        { i32(1000000000), 200, "1000000000%" },
    };
    for (const auto& c : cases) {
        bar->setValue(c.value);
        EXPECT_EQ(filledColumns(*bar), c.filled) << c.caption;
        EXPECT_EQ(bar->caption(), c.caption);
        EXPECT_EQ(bar->value(), c.value);
    }
}

TEST(ValueBarTest, WhatCannotBeComputedKeepsTheImageAndMinWinsOverEveryOtherLimit)
{
    // Max 0, or a value that is no number: the image stays, while the value
    // is stored and the caption rewritten all the same.
    auto bar = shownBar();
    bar->setValue(i32(30));
    bar->setMaximum(i16(0));
    bar->setValue(i32(80));
    EXPECT_EQ(bar->caption(), "80%");
    EXPECT_EQ(filledColumns(*bar), 60);
    EXPECT_EQ(bar->valueAtX(100), 0);
    bar->setMaximum(i16(100));
    bar->setValue(QString("abc"));
    EXPECT_EQ(bar->caption(), "abc%");
    EXPECT_EQ(filledColumns(*bar), 160);

    // Min is tested last, so it wins over a lower Max; a Min that is no
    // number limits nothing.
    bar->setMinimum(i16(120));
    for (int x : { -50, 0, 100, 200, 300 })
        EXPECT_EQ(bar->valueAtX(x), 120) << x;
    bar->setMinimum(QString("low"));
    EXPECT_EQ(bar->valueAtX(-100), -50);
    // Without width the quotient fails: the result stays 0, then the limits apply.
    bar->resize(4, 21);
    ASSERT_EQ(bar->surfaceSize().width(), 0);
    EXPECT_EQ(bar->valueAtX(50), 0);
    bar->setMinimum(i16(5));
    EXPECT_EQ(bar->valueAtX(50), 5);
}

TEST(ValueBarTest, TheLeftButtonChoosesValuesRoundedHalfToEvenWithinTheLimits)
{
    const PropertyBag bag = offsetBag();
    auto bar = shownBar(&bag);
    EXPECT_EQ(bar->caption(), "0 px");
    QFrame* surface = bar->surface();
    QTest::mousePress(surface, Qt::LeftButton, Qt::ShiftModifier, onSurface(*bar, 100, 6));
    EXPECT_EQ(bar->caption(), "5 px");
    // 10 gives 0.5 and 30 gives 1.5, which round to the even 0 and 2; the
    // drag goes on outside the bar, to the limits. The same whether they
    // are texts, as stored, or numbers.
    const std::pair<int, int> drags[]
        = { { 0, 0 }, { 10, 0 }, { 30, 2 }, { 200, 10 }, { -150, -8 }, { -400, -10 }, { 400, 10 } };
    for (const bool numbers : { false, true }) {
        if (numbers) {
            bar->setMinimum(i16(-10));
            bar->setMaximum(i32(10));
        }
        for (const auto& [x, expected] : drags) {
            QTest::mouseMove(surface, onSurface(*bar, x));
            EXPECT_EQ(bar->value(), i32(expected)) << x << (numbers ? " numbers" : " texts");
        }
    }
    QTest::mouseRelease(surface, Qt::LeftButton, {}, onSurface(*bar, 400));

    // A press on the caption counts as on the surface below it.
    const int x = bar->captionPosition().x() + 3;
    ASSERT_NE(bar->valueAtX(x), bar->value().toInt());
    QTest::mousePress(bar->captionLabel(), Qt::LeftButton, {}, QPoint(3, 2));
    EXPECT_EQ(bar->value(), i32(bar->valueAtX(x)));
}

TEST(ValueBarTest, TheRightButtonOrABarThatIsNotInteractiveChangesNothing)
{
    // The right button, alone or held with the left; the left button or a
    // key on a bar that is not interactive.
    auto bar = shownBar();
    QFrame* surface = bar->surface();
    QSignalSpy changes(bar.get(), &ValueBar::valueChanged);
    QTest::mousePress(surface, Qt::RightButton, {}, onSurface(*bar, 20));
    QTest::mousePress(surface, Qt::LeftButton, {}, onSurface(*bar, 40));
    QTest::mouseMove(surface, onSurface(*bar, 60));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, onSurface(*bar, 60));
    QTest::mouseRelease(surface, Qt::RightButton, {}, onSurface(*bar, 60));
    bar->setInteractive(false);
    QTest::mousePress(surface, Qt::LeftButton, {}, onSurface(*bar, 20));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, onSurface(*bar, 20));
    QTest::keyClick(surface, Qt::Key_End);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(bar->value(), i16(50));
}

TEST(ValueBarTest, KeysStepTheValueWithinItsRange)
{
    // The offset bar, -10 to 10 from texts.
    const PropertyBag bag = offsetBag();
    auto bar = shownBar(&bag);
    const std::pair<Qt::Key, int> steps[] = { { Qt::Key_Right, 1 }, { Qt::Key_Up, 2 }, { Qt::Key_Left, 1 },
        { Qt::Key_Down, 0 }, { Qt::Key_PageUp, 10 }, { Qt::Key_Right, 10 }, { Qt::Key_PageDown, 0 },
        { Qt::Key_PageDown, -10 }, { Qt::Key_Down, -10 }, { Qt::Key_End, 10 }, { Qt::Key_Home, -10 } };
    for (const auto& [key, expected] : steps) {
        QTest::keyClick(bar->surface(), key);
        EXPECT_EQ(bar->value().toInt(), expected) << key;
    }
    // A fractional value steps from its nearest whole number.
    bar->setValue(4.5);
    QTest::keyClick(bar->surface(), Qt::Key_Right);
    EXPECT_EQ(bar->value(), i32(5));
}

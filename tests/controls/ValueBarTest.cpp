#include "controls/ValueBar.h"
#include "controls/PropertyBag.h"
#include "platform/BgrColor.h"

#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

const auto i16 = [](qint16 value) { return QVariant::fromValue(value); };
const auto i32 = [](qint32 value) { return QVariant::fromValue(value); };

// The date dialog's offset bars as stored: texts for Min, Max and Value.
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

TEST(ValueBarTest, NothingIsDrawnUntilTheFirstLayout)
{
    const PropertyBag stored { { "value", i16(80) }, { "caption", "80%" } };
    for (const PropertyBag* bag : { static_cast<const PropertyBag*>(nullptr), &stored }) {
        ValueBar bar;
        QSignalSpy changes(&bar, &ValueBar::valueChanged);
        bag ? bar.readProperties(*bag) : bar.initProperties();
        EXPECT_EQ(bar.value(), i16(bag ? 80 : 50));
        EXPECT_EQ(bar.value().typeId(), QMetaType::Short);
        bar.resize(204, 21);
        EXPECT_EQ(changes.count(), 0); // a hidden bar lays out when it is shown
        bar.show();
        EXPECT_EQ(changes.count(), 1);
        EXPECT_EQ(bar.caption(), bag ? "80%" : "50%");
        EXPECT_EQ(filledColumns(bar), bag ? 160 : 100);
    }
}

TEST(ValueBarTest, PropertiesReachTheInnerPartsThatShowThem)
{
    auto bar = shownBar();
    bar->setForeColor(0x0000FF); // red, in the caption
    EXPECT_EQ(bar->captionLabel()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    bar->setFillColor(0x00FF00);
    bar->setBackColor(0xFF0000);
    EXPECT_EQ(filledColumns(*bar), 100);
    EXPECT_EQ(bar->surface()->grab().toImage().pixelColor(onSurface(*bar, 150, 0)), QColor(0, 0, 255));

    // The border: 2 pixels three-dimensional, 1 flat, none without a style;
    // the bar fills what the border leaves.
    const QSize outer = bar->size();
    const struct {
        qint16 appearance, borderStyle;
        int border;
    } borders[] = { { 0, 1, 1 }, { 1, 0, 0 }, { 1, 1, 2 } };
    for (const auto& b : borders) {
        bar->setAppearance(b.appearance);
        bar->setBorderStyle(b.borderStyle);
        EXPECT_EQ(bar->surfaceSize(), outer - QSize(2 * b.border, 2 * b.border)) << b.appearance << b.borderStyle;
        EXPECT_EQ(filledColumns(*bar), bar->surfaceSize().width() / 2);
    }
}

TEST(ValueBarTest, CaptionFollowsAutoCaption)
{
    auto bar = shownBar();
    bar->setCaption("75");
    EXPECT_EQ(bar->caption(), "75%");

    bar->setAutoCaption(false);
    EXPECT_EQ(bar->caption(), "75%");
    bar->setValue(i32(20));
    EXPECT_EQ(bar->caption(), "75%");
    bar->setCaption("75");
    EXPECT_EQ(bar->caption(), "75");

    bar->setAutoCaption(true);
    bar->setValue(2.5);
    EXPECT_EQ(bar->caption(), "2.5%");
    EXPECT_EQ(bar->value().typeId(), QMetaType::Double);
}

TEST(ValueBarTest, FillRunsFromZeroAtTheLeftToMaxAtTheRight)
{
    auto bar = shownBar();
    bar->setMinimum(i16(40)); // Min takes no part in drawing
    const struct {
        QVariant value;
        int filled;
        const char* caption;
    } cases[] = {
        { i32(50), 100, "50%" },
        { i32(100), 200, "100%" },
        { i32(150), 200, "150%" },
        { i32(0), 0, "0%" },
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

TEST(ValueBarTest, ValueThatCannotBeDrawnKeepsThePreviousImage)
{
    auto bar = shownBar();
    bar->setValue(i32(30));
    ASSERT_EQ(filledColumns(*bar), 60);

    // Max 0, or a value that is no number: the image stays, while the value
    // is stored, the caption rewritten and Change raised all the same.
    bar->setMaximum(i16(0));
    QSignalSpy changes(bar.get(), &ValueBar::valueChanged);
    bar->setValue(i32(80));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(bar->value(), i32(80));
    EXPECT_EQ(bar->caption(), "80%");
    EXPECT_EQ(filledColumns(*bar), 60);
    EXPECT_EQ(bar->valueAtX(100), 0);

    bar->setMaximum(i16(100));
    ASSERT_EQ(filledColumns(*bar), 160);
    bar->setValue(QString("abc"));
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(bar->value(), QVariant("abc"));
    EXPECT_EQ(bar->caption(), "abc%");
    EXPECT_EQ(filledColumns(*bar), 160);
}

TEST(ValueBarTest, StoredOffsetBarKeepsTextsAndReadsThemAsNumbers)
{
    const PropertyBag bag = offsetBag();
    auto bar = shownBar(&bag);
    EXPECT_EQ(bar->maximum(), QVariant("10"));
    EXPECT_EQ(bar->caption(), "0 px");
    EXPECT_EQ(filledColumns(*bar), 0);
    // The stored font keeps its name but draws with a font of this system.
    EXPECT_EQ(bar->font().family(), "MS Sans Serif");
    const QString drawn = QFontInfo(bar->captionLabel()->font()).family();
    EXPECT_TRUE(drawn == "DejaVu Sans" || drawn == "Liberation Sans") << drawn.toStdString();

    ASSERT_EQ(bar->surfaceSize().width(), 200);
    // -150 gives -7.5, which rounds to the even -8.
    const std::pair<int, int> positions[]
        = { { 0, 0 }, { 100, 5 }, { 200, 10 }, { -150, -8 }, { -400, -10 }, { 400, 10 } };
    for (const auto& [x, expected] : positions)
        EXPECT_EQ(bar->valueAtX(x), expected) << x;

    // The same with numbers instead of texts.
    bar->setMinimum(i16(-10));
    bar->setMaximum(i32(10));
    for (const auto& [x, expected] : positions)
        EXPECT_EQ(bar->valueAtX(x), expected) << x;

    bar->setMinimum(i16(0));
    bar->setMaximum(i16(100));
    EXPECT_EQ(bar->valueAtX(101), 50); // 50.5
    EXPECT_EQ(bar->valueAtX(103), 52); // 51.5

    // Min is tested last, so it wins over a lower Max.
    bar->setMinimum(i16(20));
    bar->setMaximum(i16(10));
    for (int x : { -50, 0, 100, 200, 300 })
        EXPECT_EQ(bar->valueAtX(x), 20) << x;

    // A Min that is no number limits nothing.
    bar->setMinimum(QString("low"));
    EXPECT_EQ(bar->valueAtX(-100), -5);

    // Without width the quotient fails: the result stays 0, then the limits apply.
    bar->resize(4, 21);
    ASSERT_EQ(bar->surfaceSize().width(), 0);
    EXPECT_EQ(bar->valueAtX(50), 0);
    bar->setMinimum(i16(5));
    EXPECT_EQ(bar->valueAtX(50), 5);
}

TEST(ValueBarTest, LeftButtonPressAndDragChooseTheValue)
{
    const PropertyBag bag = offsetBag();
    auto bar = shownBar(&bag);
    QSignalSpy changes(bar.get(), &ValueBar::valueChanged);
    QFrame* surface = bar->surface();

    QTest::mousePress(surface, Qt::LeftButton, Qt::ShiftModifier, onSurface(*bar, 100, 6));
    EXPECT_EQ(bar->value(), i32(5));
    EXPECT_EQ(bar->caption(), "5 px");
    EXPECT_EQ(changes.count(), 1);

    // The drag goes on outside the bar: left of it down to Min, right of it
    // up to Max.
    const std::pair<int, int> drags[] = { { -150, -8 }, { -400, -10 }, { 400, 10 }, { 0, 0 } };
    for (const auto& [x, expected] : drags) {
        QTest::mouseMove(surface, onSurface(*bar, x));
        EXPECT_EQ(bar->value(), i32(expected)) << x;
    }
    EXPECT_EQ(changes.count(), 5);
    QTest::mouseRelease(surface, Qt::LeftButton, {}, onSurface(*bar, 0));
    EXPECT_EQ(changes.count(), 5);
}

TEST(ValueBarTest, OtherButtonsAndInteractiveOffChangeNothing)
{
    auto bar = shownBar();
    QSignalSpy changes(bar.get(), &ValueBar::valueChanged);
    QFrame* surface = bar->surface();

    // Right button alone, then left and right together.
    QTest::mousePress(surface, Qt::RightButton, {}, onSurface(*bar, 20));
    QTest::mouseMove(surface, onSurface(*bar, 30));
    QTest::mousePress(surface, Qt::LeftButton, {}, onSurface(*bar, 40));
    QTest::mouseMove(surface, onSurface(*bar, 60));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, onSurface(*bar, 60));
    QTest::mouseRelease(surface, Qt::RightButton, {}, onSurface(*bar, 60));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(bar->value(), i16(50));

    bar->setInteractive(false);
    QTest::mousePress(surface, Qt::LeftButton, {}, onSurface(*bar, 20));
    QTest::mouseMove(surface, onSurface(*bar, 30));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, onSurface(*bar, 30));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(bar->value(), i16(50));
}

TEST(ValueBarTest, KeysStepTheValueWithinItsRange)
{
    struct Step {
        Qt::Key key;
        qint32 expected;
    };
    // The quality bar, 0 to 100 from 50, and the offset bar, -10 to 10 from
    // texts.
    const PropertyBag offsets = offsetBag();
    const std::pair<const PropertyBag*, std::vector<Step>> cases[] = {
        { nullptr,
            { { Qt::Key_Right, 51 }, { Qt::Key_Up, 52 }, { Qt::Key_Left, 51 }, { Qt::Key_Down, 50 },
                { Qt::Key_PageUp, 60 }, { Qt::Key_PageDown, 50 }, { Qt::Key_End, 100 }, { Qt::Key_Right, 100 },
                { Qt::Key_PageUp, 100 }, { Qt::Key_Home, 0 }, { Qt::Key_PageDown, 0 } } },
        { &offsets,
            { { Qt::Key_Left, -1 }, { Qt::Key_PageDown, -10 }, { Qt::Key_Down, -10 }, { Qt::Key_End, 10 },
                { Qt::Key_Home, -10 }, { Qt::Key_PageUp, 0 } } },
    };
    for (const auto& [bag, steps] : cases) {
        auto bar = shownBar(bag);
        QSignalSpy changes(bar.get(), &ValueBar::valueChanged);
        for (const Step& step : steps) {
            QTest::keyClick(bar->surface(), step.key);
            EXPECT_EQ(bar->value().toInt(), step.expected) << step.key;
        }
        // Only the steps that moved the value assigned it.
        EXPECT_EQ(changes.count(), bag ? 5 : 8);
    }

    // A fractional value steps from its nearest whole number.
    auto bar = shownBar();
    bar->setValue(40.5);
    QTest::keyClick(bar->surface(), Qt::Key_Right);
    EXPECT_EQ(bar->value(), i32(41));
    // A bar the user may not change ignores the keys.
    bar->setInteractive(false);
    QTest::keyClick(bar->surface(), Qt::Key_End);
    EXPECT_EQ(bar->value(), i32(41));
}

TEST(ValueBarTest, FocusIsShownOnTheBar)
{
    auto bar = shownBar();
    bar->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(bar.get()));
    const auto picture = [&bar] { return bar->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    bar->clearFocus();
    const QImage plain = picture();
    bar->setFocus();
    ASSERT_TRUE(bar->surface()->hasFocus());
    EXPECT_NE(picture(), plain);
    bar->clearFocus();
    EXPECT_EQ(picture(), plain);
}

TEST(ValueBarTest, PressOnTheCaptionCountsAsOnTheSurfaceBelow)
{
    auto bar = shownBar();
    const int x = bar->captionPosition().x() + 3;
    ASSERT_NE(bar->valueAtX(x), 50);
    QTest::mousePress(bar->captionLabel(), Qt::LeftButton, {}, QPoint(3, 2));
    EXPECT_EQ(bar->value(), i32(bar->valueAtX(x)));
}

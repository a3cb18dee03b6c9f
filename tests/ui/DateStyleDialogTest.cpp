#include "ui/DateStyleDialog.h"
#include "DialogLayoutCheck.h"
#include "controls/ValueBar.h"
#include "support/TestSupport.h"
#include "ui/StandardDialogs.h"
#include "workflow/PhotoEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class DateStyleDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedPickers = StandardDialogs::shared().pickers;
        SettingsFile::load(m_dir.filePath("config.ini"), settings);
    }
    void TearDown() override { StandardDialogs::shared().pickers = m_savedPickers; }

    // Where the upper preview sits relative to the lower one, in pixels.
    static QPoint previewOffset(const DateStyleDialog& dialog)
    {
        return dialog.previewUpper()->pos() - dialog.previewLower()->pos();
    }

    static QColor textColor(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

    Settings settings;

private:
    QTemporaryDir m_dir;
    StandardDialogs::Pickers m_savedPickers;
};

} // namespace

TEST_F(DateStyleDialogTest, TheFormatAndTheOffsetsDriveThePreviewsAndTheOffsetsAreStoredRoundedHalfToEven)
{
    DateStyleDialog dialog(nullptr, settings);
    dialog.show();

    // The bars start at the stored offsets, in pixels.
    EXPECT_EQ(previewOffset(dialog), QPoint(-2, 2));
    dialog.horizontalBar()->setValue(5);
    EXPECT_EQ(settings.diffLeft, 75);
    const std::pair<double, int32_t> values[] = { { 0.1, 2 }, { 1.0 / 6, 2 }, { -0.5, -8 }, { -10, -150 } };
    for (const auto& [value, twips] : values) {
        dialog.verticalBar()->setValue(value);
        EXPECT_EQ(settings.diffTop, twips) << value;
    }
    EXPECT_EQ(previewOffset(dialog), QPoint(5, -10));

    // The mouse gives whole pixels: the right edge is 10.
    QFrame* surface = dialog.horizontalBar()->surface();
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(surface->width() - 3, 5));
    EXPECT_EQ(settings.diffLeft, 150);

    dialog.formatCombo()->setEditText("YYYY");
    const QString year = QString::number(QDate::currentDate().year());
    EXPECT_EQ(dialog.previewLower()->text(), year);
    EXPECT_EQ(dialog.previewUpper()->text(), year);
    // Choosing the entry that is already current still puts it in the field.
    dialog.formatCombo()->activated(0);
    EXPECT_EQ(dialog.previewLower()->text().size(), 8);
    dialog.close();
    EXPECT_EQ(settings.dateFormat, "DD/MM/YY");
}

TEST_F(DateStyleDialogTest, ColoursAndFontReachThePreviewsAtOnceAndTheRecordWhenTheDialogCloses)
{
    std::optional<QColor> colour;
    std::optional<QFont> font;
    StandardDialogs::shared().pickers.color = [&] { return colour; };
    StandardDialogs::shared().pickers.font = [&](const QFont&) { return font; };
    DateStyleDialog dialog(nullptr, settings);
    dialog.show();
    dialog.horizontalBar()->setValue(4);

    // Cancelled pickers change nothing.
    const QFont before = dialog.labelFont();
    QTest::mouseClick(dialog.color1Swatch(), Qt::LeftButton);
    dialog.fontButton()->click();
    EXPECT_EQ(textColor(dialog.previewLower()), QColor(0, 0, 0));
    EXPECT_EQ(dialog.labelFont(), before);

    colour = QColor(0, 128, 255);
    QTest::mouseClick(dialog.color2Swatch(), Qt::LeftButton);
    QFont chosen("DejaVu Serif");
    chosen.setPointSizeF(10.5);
    chosen.setBold(true);
    chosen.setItalic(true);
    font = chosen;
    dialog.fontButton()->click();
    // Both previews take the font and keep their colours and offset.
    EXPECT_EQ(dialog.previewLower()->font(), dialog.previewUpper()->font());
    EXPECT_EQ(textColor(dialog.previewLower()), QColor(0, 0, 0));
    EXPECT_EQ(textColor(dialog.previewUpper()), QColor(0, 128, 255));
    EXPECT_EQ(previewOffset(dialog), QPoint(4, 2));

    // Written when the dialog closes, not before.
    EXPECT_EQ(settings.dateColor2, 0xFFFFFF);
    QSignalSpy unloaded(&dialog, &DateStyleDialog::fontChosen);
    dialog.reject();
    ASSERT_EQ(unloaded.count(), 1);
    EXPECT_EQ(unloaded.at(0).at(0).value<QFont>(), dialog.labelFont());
    EXPECT_EQ(settings.dateColor2, 0xFF8000);
    EXPECT_EQ(settings.dateFont, "DejaVu Serif");
    EXPECT_EQ(settings.dateSize, 10); // 10.5 to the even 10
    EXPECT_EQ(settings.dateStyle, (StampFontStyle { QFont::Bold, true, false, false }));
}

TEST_F(DateStyleDialogTest, ADialogThatGoesAwayWithoutBeingShownStillWritesItsStyle)
{
    QFont chosen("DejaVu Sans");
    chosen.setPointSizeF(11.5);
    StandardDialogs::shared().pickers.font = [&](const QFont&) { return chosen; };
    {
        DateStyleDialog dialog(nullptr, settings);
        dialog.fontButton()->click();
    }
    EXPECT_EQ(settings.dateSize, 12); // 11.5 to the even 12
}

TEST_F(DateStyleDialogTest, StampOptionsComeFromTheRecordAndGoBackWhenItCloses)
{
    settings.stampHeightPercent = 3.1416; // more decimals than the box shows
    settings.anchoring = { StampAnchoring::Place::BottomRight, 2.0004, -1.5, 0 };
    settings.shiftMinutes = -(26 * 60 + 15);
    settings.fileDateFallback = true;
    const Settings before = settings;
    // Opened and closed, the record stays as it was: values left alone
    // keep every decimal.
    {
        DateStyleDialog dialog(nullptr, settings);
        dialog.show();
        EXPECT_EQ(dialog.anchorCombo()->currentText(), "bottom-right");
        EXPECT_EQ(dialog.shiftHoursSpin()->value(), 26);
        EXPECT_EQ(dialog.fallbackCombo()->currentText(), "the file's modification time");
        EXPECT_FALSE(dialog.photoPreview()->isVisible()); // no photo is open
        dialog.close();
    }
    EXPECT_EQ(settings, before);

    DateStyleDialog dialog(nullptr, settings);
    dialog.show();
    dialog.relativeHeightCheck()->setChecked(false);
    // Another place starts on its own lines: the drag's offset goes.
    dialog.anchorCombo()->setCurrentText("top");
    dialog.marginSpin()->setValue(3);
    dialog.shiftSignCombo()->setCurrentIndex(0);
    dialog.shiftHoursSpin()->setValue(9);
    dialog.shiftMinutesSpin()->setValue(0);
    dialog.fallbackCombo()->setCurrentText("the date in the file name");
    dialog.close();
    EXPECT_EQ(settings.stampHeightPercent, 0);
    EXPECT_EQ(settings.anchoring, (StampAnchoring { StampAnchoring::Place::Top, 3, 0, 0 }));
    EXPECT_EQ(settings.shiftMinutes, 540);
    EXPECT_TRUE(settings.nameDateFallback);
    EXPECT_FALSE(settings.fileDateFallback);
}

TEST_F(DateStyleDialogTest, WithAPhotoOpenThePreviewShowsItsStampAsTheOptionsMakeIt)
{
    settings.previewScale = 1;
    PhotoEngine engine(settings);
    engine.applyDateStyle();
    const QTemporaryDir out;
    engine.setPhotoPaths(testPhoto("cameras/Canon_PowerShot_S40.jpg"), out.path());
    engine.openPhoto();

    DateStyleDialog dialog(nullptr, settings, &engine);
    dialog.show();
    // The photo's own date, moved by the clock correction.
    EXPECT_EQ(dialog.previewLower()->text(), "14/12/2003 12:01");
    dialog.shiftHoursSpin()->setValue(12);
    EXPECT_EQ(dialog.previewUpper()->text(), "15/12/2003 00:01");

    // The stamp leaves the top-left corner of the photo for the bottom-right.
    const QImage before = dialog.photoPreview()->pixmap().toImage();
    dialog.anchorCombo()->setCurrentText("bottom-right");
    const QImage after = dialog.photoPreview()->pixmap().toImage();
    ASSERT_FALSE(before.isNull());
    const QSize third = before.size() / 3;
    for (QPoint corner : { QPoint(0, 0), QPoint(third.width() * 2, third.height() * 2) })
        EXPECT_NE(before.copy(QRect(corner, third)), after.copy(QRect(corner, third)));

    // A larger dialog gives the photo the room, drawn afresh to fit it.
    dialog.resize(dialog.size() + QSize(300, 300));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return dialog.photoPreview()->pixmap().width() >= after.width() + 200; }, 60'000));
}

TEST_F(DateStyleDialogTest, TheControlsShowWholeInTabOrderAndThePreviewsMakeRoomForALargeFont)
{
    using namespace DialogLayoutCheck;
    DateStyleDialog dialog(nullptr, settings);
    dialog.show();
    Controls tabbed { { "Change Font", dialog.fontButton() }, { "format", dialog.formatCombo() },
        { "horizontal bar", dialog.horizontalBar() }, { "vertical bar", dialog.verticalBar() },
        { "Stamp height", dialog.relativeHeightCheck() }, { "height", dialog.heightSpin() },
        { "anchor", dialog.anchorCombo() }, { "shift sign", dialog.shiftSignCombo() },
        { "hours", dialog.shiftHoursSpin() }, { "minutes", dialog.shiftMinutesSpin() },
        { "margin", dialog.marginSpin() }, { "fallback", dialog.fallbackCombo() } };
    EXPECT_EQ(tabOrderFaults(&dialog, tabbed), QStringList());

    // Every caption, swatch and control whole and apart; the lower preview
    // stands for both, which overlap by design.
    Controls controls = tabbed;
    for (QLabel* label : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label != dialog.photoPreview()) controls.append({ label->text(), label });
    controls.append({ "lower preview", dialog.previewLower() });
    const auto shown = [&] {
        QStringList found = problems(&dialog, controls);
        Controls upper = controls;
        upper.removeIf([&](const auto& control) { return control.second == dialog.previewLower(); });
        upper.append({ "upper preview", dialog.previewUpper() });
        for (const QString& problem : problems(&dialog, upper))
            if (!found.contains(problem)) found << problem;
        return found;
    };
    EXPECT_EQ(shown(), QStringList());

    // A large font: the previews' band grows, and with it the dialog.
    QFont large("DejaVu Sans");
    large.setPointSize(48);
    StandardDialogs::shared().pickers.font = [&](const QFont&) { return large; };
    dialog.formatCombo()->setEditText("DDDD DD MMMM YYYY HH:MM");
    dialog.verticalBar()->setValue(10);
    dialog.fontButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown().isEmpty(); }, 60'000)) << shown().join(", ").toStdString();
    EXPECT_EQ(previewOffset(dialog), QPoint(-2, 10));
}

#include "ui/frmDate.h"
#include "DialogLayoutCheck.h"
#include "controls/BarColor.h"
#include "support/TestSupport.h"
#include "ui/cOpen.h"
#include "workflow/PhotoEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class frmDateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedPickers = cOpen::shared().pickers;
        mMain::LoadSettingsRecord(m_dir.filePath("config.ini"), settings);
    }
    void TearDown() override { cOpen::shared().pickers = m_savedPickers; }

    // Where the upper preview sits relative to the lower one, in pixels.
    static QPoint previewOffset(const frmDate& dialog) { return dialog.lblUP()->pos() - dialog.LBLdown()->pos(); }

    static QColor textColor(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

    SettingsRecord settings;
    QTemporaryDir m_out;

private:
    QTemporaryDir m_dir;
    cOpen::Pickers m_savedPickers;
};

} // namespace

TEST_F(frmDateTest, OpeningAndClosingLeavesTheRecordAsItWas)
{
    const SettingsRecord before = settings;
    ASSERT_EQ(before.DiffLeft, -30);
    ASSERT_EQ(before.DiffTop, 30);
    {
        frmDate dialog(nullptr, settings);
        dialog.show();
        EXPECT_EQ(dialog.cbFormat()->currentText(), before.DateFormat);
        // The bars start at the stored offsets, in pixels.
        EXPECT_DOUBLE_EQ(dialog.slLeft()->Value().toDouble(), -2.0);
        EXPECT_DOUBLE_EQ(dialog.slTop()->Value().toDouble(), 2.0);
        EXPECT_EQ(dialog.slLeft()->Caption(), "-2 px");
        EXPECT_EQ(previewOffset(dialog), QPoint(-2, 2));
        EXPECT_EQ(textColor(dialog.LBLdown()), QColor(0, 0, 0));
        EXPECT_EQ(textColor(dialog.lblUP()), QColor(255, 255, 255));
        EXPECT_EQ(dialog.labelFont().family(), "Arial");
        dialog.close();
        EXPECT_EQ(settings, before);
    }
    // Destroying the dialog after it closed writes nothing more.
    EXPECT_EQ(settings, before);
}

TEST_F(frmDateTest, OffsetBarsStoreTheirOffsetAtOnceRoundedHalfToEven)
{
    frmDate dialog(nullptr, settings);
    dialog.show();

    dialog.slLeft()->setValue(5);
    EXPECT_EQ(settings.DiffLeft, 75);
    EXPECT_EQ(previewOffset(dialog), QPoint(5, 2));

    const std::pair<double, int32_t> values[] = { { 0.1, 2 }, { 1.0 / 6, 2 }, { -0.5, -8 }, { -10, -150 } };
    for (const auto& [value, twips] : values) {
        dialog.slTop()->setValue(value);
        EXPECT_EQ(settings.DiffTop, twips) << value;
    }
    EXPECT_EQ(previewOffset(dialog), QPoint(5, -10));

    // The mouse gives whole pixels: the right edge is 10.
    QFrame* surface = dialog.slLeft()->Picture1();
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(surface->width() - 3, 5));
    EXPECT_EQ(settings.DiffLeft, 150);
}

TEST_F(frmDateTest, TheFormatFieldDrivesBothPreviews)
{
    frmDate dialog(nullptr, settings);
    dialog.show();
    dialog.cbFormat()->setEditText("YYYY");
    const QString year = QString::number(QDate::currentDate().year());
    EXPECT_EQ(dialog.LBLdown()->text(), year);
    EXPECT_EQ(dialog.lblUP()->text(), year);

    // Choosing the entry that is already current still puts it in the field.
    dialog.cbFormat()->activated(0);
    EXPECT_EQ(dialog.cbFormat()->currentText(), "DD/MM/YY");
    EXPECT_EQ(dialog.LBLdown()->text().size(), 8);
    dialog.close();
    EXPECT_EQ(settings.DateFormat, "DD/MM/YY");
}

TEST_F(frmDateTest, ColourSwatchesKeepTheirColourWhenThePickerIsCancelled)
{
    std::optional<QColor> picked;
    cOpen::shared().pickers.color = [&] { return picked; };
    frmDate dialog(nullptr, settings);
    dialog.show();

    QTest::mouseClick(dialog.lblColor01(), Qt::LeftButton);
    EXPECT_EQ(dialog.color1(), 0);
    EXPECT_EQ(textColor(dialog.LBLdown()), QColor(0, 0, 0));

    picked = QColor(0, 128, 255);
    QTest::mouseClick(dialog.lblColor02(), Qt::LeftButton);
    EXPECT_EQ(dialog.color2(), 0xFF8000);
    EXPECT_EQ(textColor(dialog.lblColor02()), QColor(0, 128, 255));
    EXPECT_EQ(textColor(dialog.lblUP()), QColor(0, 128, 255));
    EXPECT_EQ(textColor(dialog.LBLdown()), QColor(0, 0, 0));

    // Written when the dialog closes, not before.
    EXPECT_EQ(settings.DateColor2, 0xFFFFFF);
    dialog.reject();
    EXPECT_EQ(settings.DateColor1, 0);
    EXPECT_EQ(settings.DateColor2, 0xFF8000);
}

TEST_F(frmDateTest, ANewFontReachesBothPreviewsTheLabelsAndTheRecordWithItsSizeRounded)
{
    std::optional<QFont> picked;
    cOpen::shared().pickers.font = [&](const QFont&) { return picked; };
    cOpen::shared().pickers.color = [] { return QColor(Qt::red); };
    frmDate dialog(nullptr, settings);
    dialog.show();
    dialog.slLeft()->setValue(4);
    QTest::mouseClick(dialog.lblColor01(), Qt::LeftButton);

    // A cancelled picker changes nothing.
    const QFont before = dialog.labelFont();
    dialog.cmdFont()->click();
    EXPECT_EQ(dialog.labelFont(), before);

    QFont chosen("DejaVu Serif");
    chosen.setPointSizeF(10.5);
    chosen.setBold(true);
    chosen.setItalic(true);
    picked = chosen;
    dialog.cmdFont()->click();
    EXPECT_EQ(dialog.LBLdown()->font(), dialog.lblUP()->font());
    EXPECT_TRUE(dialog.lblUP()->font().bold());
    EXPECT_EQ(previewOffset(dialog), QPoint(4, 2));
    // The swatches' colours stay on the previews.
    EXPECT_EQ(textColor(dialog.LBLdown()), QColor(Qt::red));
    EXPECT_EQ(textColor(dialog.lblUP()), QColor(255, 255, 255));

    QSignalSpy unloaded(&dialog, &frmDate::Unloaded);
    dialog.close();
    ASSERT_EQ(unloaded.count(), 1);
    const QFont handed = unloaded.at(0).at(0).value<QFont>();
    EXPECT_TRUE(handed.bold());
    EXPECT_TRUE(handed.italic());
    EXPECT_EQ(handed, dialog.labelFont());
    EXPECT_EQ(settings.DateFont, "DejaVu Serif");
    EXPECT_EQ(settings.DateSize, 10); // 10.5 to the even 10
    EXPECT_EQ(settings.dateStyle, (StampFontStyle { QFont::Bold, true, false, false }));
    // The next opening starts from the style as it was left.
    const frmDate reopened(nullptr, settings);
    EXPECT_EQ(StampFontStyle::of(reopened.labelFont()), settings.dateStyle);
    EXPECT_EQ(settings.DateColor1, 0x0000FF);
    EXPECT_EQ(settings.DiffLeft, 60);
}

TEST_F(frmDateTest, ADialogThatGoesAwayWithoutBeingShownStillWritesItsStyle)
{
    QFont chosen("DejaVu Sans");
    chosen.setPointSizeF(11.5);
    cOpen::shared().pickers.font = [&](const QFont&) { return chosen; };
    {
        frmDate dialog(nullptr, settings);
        dialog.cmdFont()->click();
    }
    EXPECT_EQ(settings.DateSize, 12); // 11.5 to the even 12
}

TEST_F(frmDateTest, StampOptionsComeFromTheRecordAndGoBackWhenItCloses)
{
    settings.StampHeightPercent = 3.1416; // more decimals than the box shows
    settings.Anchoring = { StampAnchoring::Place::BottomRight, 2.0004, -1.5, 0 };
    settings.ShiftMinutes = -(26 * 60 + 15);
    settings.FileDateFallback = true;
    const SettingsRecord before = settings;
    {
        frmDate dialog(nullptr, settings);
        dialog.show();
        EXPECT_EQ(dialog.cbAnchor()->currentText(), "bottom-right");
        EXPECT_EQ(dialog.txtShiftHours()->value(), 26);
        EXPECT_FALSE(dialog.picPhoto()->isVisible()); // no photo is open
    }
    EXPECT_EQ(settings, before); // values left alone keep every decimal

    frmDate dialog(nullptr, settings);
    dialog.show();
    dialog.chkHeight()->setChecked(false);
    // Another place starts on its own lines: the drag's offset goes.
    dialog.cbAnchor()->setCurrentText("top");
    dialog.txtMargin()->setValue(3);
    dialog.cbShiftSign()->setCurrentIndex(0);
    dialog.txtShiftHours()->setValue(9);
    dialog.txtShiftMinutes()->setValue(0);
    dialog.cbFallback()->setCurrentIndex(0);
    dialog.close();
    EXPECT_EQ(settings.StampHeightPercent, 0);
    EXPECT_EQ(settings.Anchoring, (StampAnchoring { StampAnchoring::Place::Top, 3, 0, 0 }));
    EXPECT_EQ(settings.ShiftMinutes, 540);
    EXPECT_FALSE(settings.FileDateFallback);
}

TEST_F(frmDateTest, WithAPhotoOpenThePreviewShowsItsStampAsTheOptionsMakeIt)
{
    settings.PreviewScale = 1;
    PhotoEngine engine(settings);
    engine.ApplyDateStyle();
    engine.SetPhotoPaths(testPhoto("cameras/Canon_PowerShot_S40.jpg"), m_out.path());
    engine.OpenPhoto();

    frmDate dialog(nullptr, settings, &engine);
    dialog.show();
    // The photo's own date, moved by the clock correction.
    EXPECT_EQ(dialog.LBLdown()->text(), "14/12/2003 12:01");
    dialog.txtShiftHours()->setValue(12);
    EXPECT_EQ(dialog.lblUP()->text(), "15/12/2003 00:01");

    // The stamp leaves the top-left corner of the photo for the bottom-right.
    const QImage before = dialog.picPhoto()->pixmap().toImage();
    dialog.cbAnchor()->setCurrentText("bottom-right");
    const QImage after = dialog.picPhoto()->pixmap().toImage();
    ASSERT_FALSE(before.isNull());
    const QSize third = before.size() / 3;
    for (QPoint corner : { QPoint(0, 0), QPoint(third.width() * 2, third.height() * 2) })
        EXPECT_NE(before.copy(QRect(corner, third)), after.copy(QRect(corner, third)));

    // A larger dialog gives the photo the room, drawn afresh to fit it.
    dialog.resize(dialog.size() + QSize(300, 300));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.picPhoto()->pixmap().width() >= after.width() + 200; }, 60'000));
    const QSize drawn = dialog.picPhoto()->pixmap().size();
    EXPECT_TRUE(drawn.width() == dialog.picPhoto()->width() || drawn.height() == dialog.picPhoto()->height())
        << drawn.width() << "x" << drawn.height();
}

TEST_F(frmDateTest, TheControlsShowWholeInTabOrderAndThePreviewsMakeRoomForALargeFont)
{
    using namespace DialogLayoutCheck;
    frmDate dialog(nullptr, settings);
    dialog.show();
    Controls tabbed { { "Change Font", dialog.cmdFont() }, { "format", dialog.cbFormat() },
        { "horizontal bar", dialog.slLeft() }, { "vertical bar", dialog.slTop() },
        { "Stamp height", dialog.chkHeight() }, { "height", dialog.txtHeight() }, { "anchor", dialog.cbAnchor() },
        { "shift sign", dialog.cbShiftSign() }, { "hours", dialog.txtShiftHours() },
        { "minutes", dialog.txtShiftMinutes() }, { "margin", dialog.txtMargin() },
        { "fallback", dialog.cbFallback() } };
    EXPECT_EQ(tabOrderFaults(&dialog, tabbed), QStringList());
    // The focus starts in the format field.
    EXPECT_TRUE(dialog.cbFormat()->isAncestorOf(dialog.focusWidget()) || dialog.focusWidget() == dialog.cbFormat());

    // Every caption, swatch and control whole and apart; the lower preview
    // stands for both, which overlap by design.
    Controls controls = tabbed;
    for (QLabel* label : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label != dialog.picPhoto()) controls.append({ label->text(), label });
    controls.append({ "lower preview", dialog.LBLdown() });
    const auto shown = [&] {
        QStringList found = problems(&dialog, controls);
        Controls upper = controls;
        upper.removeIf([&](const auto& control) { return control.second == dialog.LBLdown(); });
        upper.append({ "upper preview", dialog.lblUP() });
        for (const QString& problem : problems(&dialog, upper))
            if (!found.contains(problem)) found << problem;
        return found;
    };
    EXPECT_EQ(shown(), QStringList());

    // A large font: the previews' band grows, and with it the dialog.
    QFont large("DejaVu Sans");
    large.setPointSize(48);
    cOpen::shared().pickers.font = [&](const QFont&) { return large; };
    dialog.cbFormat()->setEditText("DDDD DD MMMM YYYY HH:MM");
    dialog.slTop()->setValue(10);
    dialog.cmdFont()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown().isEmpty(); }, 60'000)) << shown().join(", ").toStdString();
    EXPECT_EQ(previewOffset(dialog), QPoint(-2, 10));
}

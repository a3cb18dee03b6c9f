#include "ui/DateStyleDialog.h"
#include "DialogLayoutCheck.h"
#include "controls/ValueBar.h"
#include "platform/MessageBox.h"
#include "support/TestSupport.h"
#include "ui/MainWindow.h"
#include "ui/PictureView.h"
#include "ui/StampLabelView.h"
#include "ui/StandardDialogs.h"
#include "workflow/PhotoEngine.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

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
    // The ISO and US orders follow the seven formats the list has always
    // had, which keep their places.
    EXPECT_EQ(dialog.formatCombo()->itemText(6), "DDDD DD MMMM YYYY");
    // Choosing the entry that is already current still puts it in the field.
    dialog.formatCombo()->activated(0);
    EXPECT_EQ(dialog.previewLower()->text().size(), 8);
    dialog.accept();
    EXPECT_EQ(settings.dateFormat, "DD/MM/YY");
}

TEST_F(DateStyleDialogTest, ColourButtonsAndTheFontReachThePreviewsAndTheRecordAtOnceAndOkKeepsThem)
{
    std::optional<QColor> colour;
    std::optional<QFont> font;
    int colourAsked = 0;
    StandardDialogs::shared().pickers.color = [&] {
        ++colourAsked;
        return colour;
    };
    StandardDialogs::shared().pickers.font = [&](const QFont&) { return font; };
    DateStyleDialog dialog(nullptr, settings);
    dialog.show();
    QSignalSpy changed(&dialog, &DateStyleDialog::styleChanged);
    dialog.horizontalBar()->setValue(4);
    EXPECT_EQ(changed.count(), 1);

    // Cancelled pickers change nothing.
    const QFont before = dialog.labelFont();
    QTest::mouseClick(dialog.color1Swatch(), Qt::LeftButton);
    dialog.fontButton()->click();
    EXPECT_EQ(colourAsked, 1);
    EXPECT_EQ(dialog.labelFont(), before);
    EXPECT_EQ(settings.dateColor1, 0);

    // Tab reaches the colour buttons and Space or Enter opens the picker.
    colour = QColor(0, 128, 255);
    dialog.color1Swatch()->setFocus();
    QTest::keyClick(dialog.color1Swatch(), Qt::Key_Tab);
    ASSERT_EQ(dialog.focusWidget(), dialog.color2Swatch());
    for (const Qt::Key key : { Qt::Key_Space, Qt::Key_Return })
        QTest::keyClick(dialog.color2Swatch(), key);
    EXPECT_EQ(colourAsked, 3);
    EXPECT_EQ(settings.dateColor2, 0xFF8000);

    QFont chosen("DejaVu Serif");
    chosen.setPointSizeF(10.5);
    chosen.setBold(true);
    chosen.setItalic(true);
    font = chosen;
    dialog.fontButton()->click();
    // Both previews take the font and keep their colours and offset.
    EXPECT_EQ(dialog.previewLower()->font(), dialog.previewUpper()->font());
    EXPECT_EQ(dialog.previewLower()->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(dialog.previewUpper()->palette().color(QPalette::WindowText), QColor(0, 128, 255));
    EXPECT_EQ(previewOffset(dialog), QPoint(4, 2));
    EXPECT_EQ(settings.dateFont, "DejaVu Serif");
    EXPECT_EQ(settings.dateSize, 10); // 10.5 to the even 10
    EXPECT_EQ(settings.dateStyle, (StampFontStyle { QFont::Bold, true, false, false }));
    EXPECT_EQ(changed.last().at(0).value<QFont>(), dialog.labelFont());

    const Settings shown = settings;
    dialog.buttonBox()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings, shown);
}

TEST_F(DateStyleDialogTest, CancelEscTheCloseButtonAndGoingAwayUnansweredPutTheWholeRecordBack)
{
    settings.stampHeightPercent = 3.1416;
    settings.anchoring = { StampAnchoring::Place::BottomRight, 18.027, -1.5, 0 };
    const Settings opening = settings;
    QFont chosen("DejaVu Serif");
    chosen.setPointSize(30);
    StandardDialogs::shared().pickers.font = [&](const QFont&) { return chosen; };
    StandardDialogs::shared().pickers.color = [] { return std::optional(QColor(255, 255, 0)); };
    const std::function<void(DateStyleDialog&)> ways[] = {
        [](DateStyleDialog& dialog) { dialog.buttonBox()->button(QDialogButtonBox::Cancel)->click(); },
        [](DateStyleDialog& dialog) { QTest::keyClick(dialog.heightSpin(), Qt::Key_Escape); },
        [](DateStyleDialog& dialog) { dialog.close(); },
        [](DateStyleDialog&) {},
    };
    for (size_t way = 0; way < std::size(ways); ++way) {
        QFont openingFont;
        {
            DateStyleDialog dialog(nullptr, settings);
            dialog.show();
            openingFont = dialog.labelFont();
            QSignalSpy changed(&dialog, &DateStyleDialog::styleChanged);
            dialog.formatCombo()->setEditText("YYYY");
            dialog.verticalBar()->setValue(-7);
            dialog.heightSpin()->setValue(9);
            dialog.anchorCombo()->setCurrentText("top");
            dialog.color1Swatch()->click();
            dialog.fontButton()->click();
            // Whatever else changed the record meanwhile goes back too.
            settings.thumbWidth = 77;
            ASSERT_NE(settings, opening);
            ways[way](dialog);
            if (dialog.result() == QDialog::Rejected && dialog.isHidden()) {
                EXPECT_EQ(settings, opening) << way;
                EXPECT_EQ(dialog.labelFont(), openingFont) << way;
                // The last word tells whoever follows the style that it is back.
                EXPECT_EQ(changed.last().at(0).value<QFont>(), openingFont) << way;
            }
        }
        EXPECT_EQ(settings, opening) << way;
    }
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
        // Percentages with one decimal; the record's own kept while their
        // box is left alone.
        EXPECT_EQ(dialog.heightSpin()->text(), "3.1 % of the photo");
        EXPECT_EQ(dialog.marginSpin()->text(), "2.0 % of the photo");
        dialog.accept();
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
    dialog.accept();
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
        { "margin", dialog.marginSpin() }, { "fallback", dialog.fallbackCombo() },
        { "Color ONE", dialog.color1Swatch() }, { "Color TWO", dialog.color2Swatch() },
        { "Format help", dialog.formatHelpButton() }, { "OK", dialog.buttonBox()->button(QDialogButtonBox::Ok) },
        { "Cancel", dialog.buttonBox()->button(QDialogButtonBox::Cancel) } };
    EXPECT_EQ(tabOrderFaults(&dialog, tabbed), QStringList());

    // Every caption, swatch and control whole and apart, with either
    // preview (the two overlap by design).
    Controls controls = tabbed;
    for (QLabel* label : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label != dialog.photoPreview()) controls.append({ label->text(), label });
    const auto shown = [&] {
        QStringList found;
        for (const QLabel* preview : { dialog.previewLower(), dialog.previewUpper() })
            found << problems(&dialog, Controls(controls) << std::pair(QStringLiteral("preview"), preview));
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

TEST_F(DateStyleDialogTest, ChangesReachTheOpenPhotoAtOnceCancelPutsItsStampBackExactlyAndOkReachesTheNextSave)
{
    const QTemporaryDir out;
    MainWindow window(out.filePath("config.ini"), out.path());
    QStringList messages;
    const MessageBox::Hook hook
        = MessageBox::setHook([&](const QString& text, const QString&, auto) { messages << text; });
    const MessageBox::QuestionHook question
        = MessageBox::setQuestionHook([](const QString&, const QStringList&, int, const QString&) { return -1; });
    const auto restore = qScopeGuard([&] {
        MessageBox::setHook(hook);
        MessageBox::setQuestionHook(question);
    });
    ASSERT_TRUE(window.openPath(testPhoto("cameras/Canon_PowerShot_S40.jpg")));
    // Does act in the window's date style dialog, which act closes.
    const auto whileDialogOpen = [&](const std::function<void(DateStyleDialog&)>& act) {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<DateStyleDialog*>(QApplication::activeModalWidget())) {
                act(*dialog);
                acted = true;
            }
        });
        window.dateStyleAction->trigger();
        return acted;
    };
    const auto saved = [&] {
        window.saveJpgAction->trigger();
        return readFile(out.filePath("Images/Canon_PowerShot_S40.jpg"));
    };
    StandardDialogs::shared().pickers.color = [] { return std::optional(QColor(255, 255, 0)); };
    StandardDialogs::shared().pickers.font = [](const QFont& initial) {
        QFont bold = initial;
        bold.setBold(true);
        return std::optional(bold);
    };
    // Before the working image is built the labels over the preview follow
    // the anchoring as it is chosen, and go back with Esc.
    const QPoint labelAt = window.stampLowerLabel->pos();
    QPoint labelWhileOpen;
    ASSERT_TRUE(whileDialogOpen([&](DateStyleDialog& dialog) {
        dialog.anchorCombo()->setCurrentText("bottom-right");
        labelWhileOpen = window.stampLowerLabel->pos();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }));
    EXPECT_NE(labelWhileOpen, labelAt);
    EXPECT_EQ(window.stampLowerLabel->pos(), labelAt);

    // A saved photo carries its stamp printed: every change prints it
    // again at once, and Cancel prints it as it was, to the byte.
    const QByteArray first = saved();
    ASSERT_FALSE(first.isEmpty());
    const QImage shown = window.displayView->picture();
    QImage whileOpen;
    ASSERT_TRUE(whileDialogOpen([&](DateStyleDialog& dialog) {
        dialog.anchorCombo()->setCurrentText("bottom-right");
        dialog.relativeHeightCheck()->setChecked(true);
        dialog.heightSpin()->setValue(10);
        dialog.marginSpin()->setValue(5);
        dialog.color2Swatch()->click();
        dialog.fontButton()->click();
        whileOpen = window.displayView->picture();
        dialog.buttonBox()->button(QDialogButtonBox::Cancel)->click();
    }));
    EXPECT_NE(whileOpen, shown);
    EXPECT_EQ(window.displayView->picture(), shown);
    EXPECT_TRUE(saved() == first);

    // OK keeps the change, and the next save prints it as a photo opened
    // afresh does.
    ASSERT_TRUE(whileDialogOpen([&](DateStyleDialog& dialog) {
        dialog.anchorCombo()->setCurrentText("bottom-right");
        dialog.buttonBox()->button(QDialogButtonBox::Ok)->click();
    }));
    const QByteArray restyled = saved();
    EXPECT_FALSE(restyled == first);
    ASSERT_TRUE(window.openPath(testPhoto("cameras/Canon_PowerShot_S40.jpg")));
    EXPECT_TRUE(saved() == restyled);
    EXPECT_EQ(messages, QStringList());
}

#include "ui/FormatHelpDialog.h"

#include "ui/DateStyleDialog.h"

#include <QLocale>
#include <QPushButton>
#include <QTextBrowser>

#include <gtest/gtest.h>

TEST(FormatHelpDialogTest, ThePageListsEveryTokenWithItsExampleForTheMoment)
{
    // Tuesday 5 March 2024, 07:08:09: one digit and two differ everywhere.
    const QDateTime moment(QDate(2024, 3, 5), QTime(7, 8, 9));
    FormatHelpDialog help(nullptr, moment);
    const QString page = help.page()->toPlainText();
    for (const FormatHelpDialog::Entry& entry : FormatHelpDialog::dateTokens())
        EXPECT_TRUE(page.contains(entry.token)) << entry.token.toStdString();
    // What each gives for that moment, in the user's language.
    const QStringList examples { "2024", "24", "65", QLocale::system().dayName(2), QLocale::system().monthName(3),
        "7 AM", "day" };
    for (const QString& example : examples)
        EXPECT_TRUE(page.contains(example)) << example.toStdString();
}

TEST(FormatHelpDialogTest, TheDateStyleDialogOpensOnePageBesideItself)
{
    Settings settings;
    DateStyleDialog dialog(nullptr, settings);
    dialog.show();
    dialog.formatHelpButton()->click();
    dialog.formatHelpButton()->click();
    const auto pages = dialog.findChildren<FormatHelpDialog*>();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages.first()->isVisible());
    // Not modal: the format can be typed while it is open.
    EXPECT_FALSE(pages.first()->isModal());
}

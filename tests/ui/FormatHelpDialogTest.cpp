#include "ui/FormatHelpDialog.h"

#include "ui/DateStyleDialog.h"

#include <QLocale>
#include <QPushButton>
#include <QTextBrowser>

#include <gtest/gtest.h>

TEST(FormatHelpDialogTest, OnePageBesideTheDialogGivesEveryTokenWithItsExampleForTheMoment)
{
    Settings settings;
    DateStyleDialog dialog(nullptr, settings);
    dialog.show();
    dialog.formatHelpButton()->click();
    dialog.formatHelpButton()->click();
    const auto pages = dialog.findChildren<FormatHelpDialog*>();
    ASSERT_EQ(pages.size(), 1);
    // Not modal: the format can be typed while it is open.
    EXPECT_TRUE(pages.first()->isVisible() && !pages.first()->isModal());

    // Tuesday 5 March 2024, 07:08:09: one digit and two differ everywhere.
    const FormatHelpDialog help(nullptr, QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    const QString page = help.page()->toPlainText();
    for (const QString& example :
        { QStringLiteral("2024"), QStringLiteral("65"), QLocale::system().dayName(2), QStringLiteral("7 AM") })
        EXPECT_TRUE(page.contains(example)) << example.toStdString();
}

#include "ui/DesktopLauncher.h"
#include "platform/MessageBox.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DesktopLauncherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousHook
            = MessageBox::setHook([this](const QString& text, const QString&, MessageBox::Kind) { messages << text; });
    }
    void TearDown() override
    {
        MessageBox::setHook(m_previousHook);
        DesktopLauncher::setOpener({});
    }

    QStringList messages;

private:
    MessageBox::Hook m_previousHook;
};

} // namespace

TEST_F(DesktopLauncherTest, FailuresShowTheirCodeAndMessageAndSuccessesNothing)
{
    // A known reason in words; any other with its own number.
    const std::pair<int32_t, QString> cases[] = {
        { 0, "Error 7\r\nOut of memory" },
        { 31, "Error -2147220425\r\nNo application is associated with this file type." },
        { 1, "Error -2147220455\r\nAn error occurred whilst trying to open or print the selected file." },
        { 20, "Error -2147220436\r\nAn error occurred whilst trying to open or print the selected file." },
        // Above 32, or negative: accepted.
        { 33, "" },
        { -1, "" },
    };
    for (const auto& [result, text] : cases) {
        const int32_t shellResult = result; // a lambda of clang 14 cannot capture a structured binding
        DesktopLauncher::setOpener([shellResult](const DesktopLauncher::Request&) { return shellResult; });
        messages.clear();
        EXPECT_EQ(DesktopLauncher::open("https://quillon.example.org"), text.isEmpty()) << result;
        EXPECT_EQ(messages, text.isEmpty() ? QStringList() : QStringList { text }) << result;
    }
}

TEST_F(DesktopLauncherTest, TheDesktopOpenerNamesAMissingFileOrFolder)
{
    QTemporaryDir dir;
    EXPECT_EQ(DesktopLauncher::desktopOpen({ "open", dir.filePath("missing.jpg"), "", "", 1 }), 2);
    EXPECT_EQ(DesktopLauncher::desktopOpen({ "open", dir.filePath("no/such/file.jpg"), "", "", 1 }), 3);
    EXPECT_EQ(DesktopLauncher::desktopOpen({ "open", dir.filePath("missing"), "-v", "", 1 }), 2);

    EXPECT_FALSE(DesktopLauncher::open(dir.filePath("missing.jpg")));
    EXPECT_EQ(messages, QStringList { "Error 53\r\nFile not found" });
}

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

    // An opener that records the request and answers with result.
    void answer(int32_t result)
    {
        DesktopLauncher::setOpener([this, result](const DesktopLauncher::Request& request) {
            requests << request;
            return result;
        });
    }

    QStringList messages;
    QList<DesktopLauncher::Request> requests;

private:
    MessageBox::Hook m_previousHook;
};

} // namespace

TEST_F(DesktopLauncherTest, FailuresShowTheirCodeAndMessage)
{
    const std::pair<int32_t, QString> cases[] = {
        { 0, "Erreur 7\r\nOut of memory" },
        { 2, "Erreur 53\r\nFile not found" },
        { 11, "Erreur -2147220445\r\nThe executable file is invalid or corrupt" },
        { 27, "Erreur -2147220429\r\nThis file type does not have a valid file association." },
        { 28, "Erreur 286\r\nThe file could not be opened due to time out.  Please try again in a moment." },
        { 31, "Erreur -2147220425\r\nNo application is associated with this file type." },
        { 1, "Erreur -2147220455\r\nAn error occurred occurred whilst trying to open or print the selected file." },
        { 20, "Erreur -2147220436\r\nAn error occurred occurred whilst trying to open or print the selected file." },
    };
    for (const auto& [result, text] : cases) {
        answer(result);
        messages.clear();
        EXPECT_FALSE(DesktopLauncher::open("https://quillon.example.org", 10, "", "", "open", 0)) << result;
        EXPECT_EQ(messages, QStringList { text }) << result;
    }

    // Above 32, or negative: accepted, and nothing is shown.
    messages.clear();
    for (int32_t result : { 33, 42, -1 }) {
        answer(result);
        EXPECT_TRUE(DesktopLauncher::open("https://quillon.example.org")) << result;
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DesktopLauncherTest, ProgramsStartHiddenOnlyWhenGivenParametersOrAFolder)
{
    answer(42);
    DesktopLauncher::open("C:/tools/x.EXE", 1, "/p", "", "open", 0);
    DesktopLauncher::open("C:/tools/x.exe", 1, "", "", "open", 0);
    DesktopLauncher::open("notes.txt", 0, "", "/tmp", "print", 0);
    DesktopLauncher::open("notes.txt", 0, "", "", "open", 0);
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(requests[0].show, 0);
    EXPECT_EQ(requests[0].parameters, "/p");
    EXPECT_EQ(requests[1].show, 1);
    EXPECT_EQ(requests[2].show, 0);
    EXPECT_EQ(requests[2].folder, "/tmp");
    EXPECT_EQ(requests[2].verb, "print");
    EXPECT_EQ(requests[3].show, 1);
}

TEST_F(DesktopLauncherTest, TheDesktopOpenerNamesAMissingFileOrFolder)
{
    QTemporaryDir dir;
    EXPECT_EQ(DesktopLauncher::desktopOpen({ "open", dir.filePath("missing.jpg"), "", "", 1 }), 2);
    EXPECT_EQ(DesktopLauncher::desktopOpen({ "open", dir.filePath("no/such/file.jpg"), "", "", 1 }), 3);
    EXPECT_EQ(DesktopLauncher::desktopOpen({ "open", dir.filePath("missing"), "-v", "", 1 }), 2);

    EXPECT_FALSE(DesktopLauncher::open(dir.filePath("missing.jpg")));
    EXPECT_EQ(messages, QStringList { "Erreur 53\r\nFile not found" });
}

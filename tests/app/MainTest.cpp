#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

struct QuillonRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The program with no screen to reach: what it answers must not need one.
QuillonRun quillon(const QStringList& args)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QLatin1String(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUILLON_GUI), args);
    process.waitForFinished(60'000);
    return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
        QString::fromLocal8Bit(process.readAllStandardError()) };
}

} // namespace

TEST(MainTest, HelpVersionAndBadArgumentsAnswerWithoutAScreen)
{
    for (const char* option : { "--help", "-h" }) {
        const QuillonRun help = quillon({ QLatin1String(option) });
        EXPECT_EQ(help.exitCode, 0) << option;
        EXPECT_TRUE(help.out.startsWith(QLatin1String("Usage: quillon [PATH]\n"))) << help.out.toStdString();
    }

    const QuillonRun version = quillon({ QStringLiteral("--version") });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("quillon %1\n").arg(QLatin1String(QUILLON_VERSION)));

    for (const QStringList& bad : { QStringList { "--colour" }, QStringList { "a.jpg", "b.jpg" } }) {
        const QuillonRun answer = quillon(bad);
        EXPECT_EQ(answer.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(answer.out.isEmpty());
        EXPECT_TRUE(answer.err.contains(QLatin1String("quillon --help"))) << answer.err.toStdString();
    }
}

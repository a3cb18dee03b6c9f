#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

struct QuillonRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The program, with no screen to reach unless given the offscreen one.
QuillonRun quillon(const QStringList& args, bool offscreen = false)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QLatin1String(name));
    if (offscreen) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUILLON_GUI), args);
    process.waitForFinished(60'000);
    return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
        QString::fromLocal8Bit(process.readAllStandardError()) };
}

} // namespace

TEST(MainTest, HelpAndVersionAnswerWithoutAScreen)
{
    // Also among options of Qt's own, which are not known before the
    // application is made.
    for (const QStringList& args :
        { QStringList { "--help" }, QStringList { "-h" }, QStringList { "-style", "x", "-h" } }) {
        const QuillonRun help = quillon(args);
        EXPECT_EQ(help.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(help.out.startsWith(QLatin1String("Usage: quillon [PATH]\n"))) << help.out.toStdString();
    }

    const QuillonRun version = quillon({ QStringLiteral("--version") });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("quillon %1\n").arg(QLatin1String(QUILLON_VERSION)));
}

TEST(MainTest, BadArgumentsAreRefusedBeforeAnyWindow)
{
    for (const QStringList& bad : { QStringList { "--colour" }, QStringList { "a.jpg", "b.jpg" } }) {
        const QuillonRun answer = quillon(bad, true);
        EXPECT_EQ(answer.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(answer.out.isEmpty());
        EXPECT_TRUE(answer.err.contains(QLatin1String("quillon --help"))) << answer.err.toStdString();
    }
}

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

TEST(MainTest, HelpVersionAndBadArgumentsAreAnsweredBeforeAnyWindow)
{
    const struct {
        QStringList args;
        int exitCode;
        QString out; // how standard output starts; empty: nothing at all
        QString err; // what standard error holds
    } cases[] = {
        // Help and version need no screen, also among options of Qt's own,
        // which are not known before the application is made.
        { { "--help" }, 0, "Usage: quillon [PATH]\n", "" },
        { { "-style", "x", "-h" }, 0, "Usage: quillon [PATH]\n", "" },
        { { "--version" }, 0, "quillon " QUILLON_VERSION "\n", "" },
        { { "--colour" }, 2, "", "quillon --help" },
        { { "a.jpg", "b.jpg" }, 2, "", "quillon --help" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        // No screen to reach, unless the offscreen one for the arguments
        // that only the application can tell apart.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            environment.remove(QLatin1String(name));
        if (c.exitCode != 0) environment.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QUILLON_GUI, c.args);
        process.waitForFinished(60'000);
        EXPECT_EQ(process.exitCode(), c.exitCode);
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        EXPECT_EQ(out.left(c.out.size()), c.out);
        EXPECT_EQ(out.isEmpty(), c.out.isEmpty());
        EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardError()).contains(c.err));
    }
}

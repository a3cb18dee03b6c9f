#include "platform/AppLocations.h"
#include "platform/ExecutableInfo.h"
#include "platform/MessageBox.h"
#include "platform/ProcessSetup.h"
#include "ui/MainWindow.h"
#include "ui/ProgramIcon.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

namespace {

const QString ProgramName = QStringLiteral("quillon");

void print(const QString& text, FILE* stream = stdout)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

QString helpText()
{
    return QStringLiteral("Usage: %1 [PATH]\n"
                          "Shows JPEG photos with the moment they were taken printed onto them.\n\n"
                          "  PATH        a JPEG photo to open, or a folder to show\n"
                          "  -h, --help  shows this help\n"
                          "  --version   prints the version\n")
        .arg(ProgramName);
}

QStringList arguments(int argc, char* argv[])
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

} // namespace

int main(int argc, char* argv[])
{
    ProcessSetup::init();
    const QCommandLineOption help(QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version(QStringLiteral("version"));

    // --help and --version answer before the window system is reached, so
    // that they need no screen. Qt's own options (-style, -geometry, ...)
    // are not known yet and count for nothing here.
    QCommandLineParser early;
    early.addOptions({ help, version });
    early.parse(arguments(argc, argv));
    if (early.isSet(help)) {
        print(helpText());
        return 0;
    }
    if (early.isSet(version)) {
        print(QStringLiteral("%1 %2\n").arg(ProgramName, ExecutableInfo::version()));
        return 0;
    }

    // The application takes its own options out of the arguments; the rest
    // are ours.
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({ help, version });
    if (!parser.parse(QApplication::arguments()) || parser.positionalArguments().size() > 1) {
        const QString problem
            = parser.errorText().isEmpty() ? QStringLiteral("only one path can be given") : parser.errorText();
        print(QStringLiteral("%1: %2\nRun '%1 --help' for more.\n").arg(ProgramName, problem), stderr);
        return 2;
    }

    // The windows speak the user's language where the program has a
    // translation for it (French), Qt's dialogs with them, and English
    // elsewhere; the messages on the terminal stay English.
    Translations::install(QLocale::system());

    // The desktop matches the windows to the installed desktop entry.
    QGuiApplication::setDesktopFileName(ProgramIcon::AppId);
    QApplication::setWindowIcon(ProgramIcon::icon());

    // A first start that keeps the settings in the user's folder takes the
    // config.ini found beside the program, if any. When that copy fails the
    // window starts from the defaults and says why.
    const AppLocations& places = AppLocations::current();
    if (const FileResult seeded = places.seedSettings(); !seeded) {
        MessageBox::warn(
            QCoreApplication::translate("main", "The settings beside the program could not be copied to %1: %2.")
                .arg(QDir::toNativeSeparators(places.settingsFile()), seeded.reason()));
    }

    MainWindow window(places.settingsFile(), places.outputRoot());
    window.show();
    const QString path = parser.positionalArguments().value(0);
    if (!path.isEmpty() && !window.openPath(QDir::current().absoluteFilePath(path)))
        print(QStringLiteral("%1: %2 is neither a folder nor a JPEG photo\n").arg(ProgramName, path), stderr);
    return app.exec();
}

#include "platform/AppLocations.h"
#include "platform/MessageBox.h"
#include "platform/ProcessSetup.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    ProcessSetup::init();
    QApplication app(argc, argv);

    // A first start that keeps the settings in the user's folder takes the
    // config.ini found beside the program, if any. When that copy fails the
    // window starts from the defaults; standard error says why, since no
    // window is up yet.
    const AppLocations& places = AppLocations::current();
    if (const FileResult seeded = places.seedSettings(); !seeded) {
        MessageBox::show(QStringLiteral("The settings beside the program could not be copied to %1: %2.")
                             .arg(QDir::toNativeSeparators(places.settingsFile()), seeded.reason()));
    }

    Form1 window(places.settingsFile(), places.outputRoot());
    window.show();
    return app.exec();
}

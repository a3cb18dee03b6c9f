#include "platform/ProcessSetup.h"
#include "ui/Form1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    ProcessSetup::init();
    QApplication app(argc, argv);
    Form1 window;
    window.show();
    return app.exec();
}

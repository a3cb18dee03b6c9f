#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quillon"));
    window.setFixedSize(896, 500);
    window.show();
    return app.exec();
}

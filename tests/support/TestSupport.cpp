#include "support/TestSupport.h"

#include "platform/ProcessSetup.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#ifdef QUILLON_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

QString testPhoto(const QString& relativePath)
{
    return QStringLiteral(QUILLON_TESTDATA "/photos/") + relativePath;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

std::map<QString, QByteArray> filesBelow(const QString& root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(root).relativeFilePath(path)] = readFile(path);
    }
    return files;
}

QByteArray smallJpeg(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

int main(int argc, char** argv)
{
    ProcessSetup::init();
    // Fonts, painters and the clipboard need an application object; tests
    // run on the offscreen platform, with a desk screen and a small one
    // beside it (screens.json).
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM",
        platform.isEmpty() || platform == "offscreen"
            ? QByteArray("offscreen:configfile=" QUILLON_TESTDATA "/screens.json")
            : platform);
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// render-icon SVG OUTDIR SIZE...: renders the icon at each size into
// OUTDIR/<SIZE>x<SIZE>/apps/<name of the SVG>.png, the layout of the icon
// theme, so that the build never needs a PNG committed beside the SVG.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fputs("usage: render-icon SVG OUTDIR SIZE...\n", stderr);
        return 2;
    }
    const QString svgPath = QString::fromLocal8Bit(argv[1]);
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render-icon: %s is not an SVG picture that can be drawn\n", argv[1]);
        return 1;
    }
    const QString name = QFileInfo(svgPath).completeBaseName() + QStringLiteral(".png");
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "render-icon: %s is no size from 1 to 1024\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size, size));
        painter.end();

        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + QLatin1Char('/') + name, "PNG")) {
            std::fprintf(
                stderr, "render-icon: cannot write the %dx%d picture into %s\n", size, size, qPrintable(folder));
            return 1;
        }
    }
    return 0;
}

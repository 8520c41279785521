// Build-time tool: renders one SVG icon source into a raster resource.
// Usage: svgtopng <source.svg> <target.png|target.ico> <scale>
// The SVG's own width and height are the 1x size; scale 2 gives the @2x image.
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: svgtopng <source.svg> <target> <scale>\n");
        return 2;
    }
    // No display is needed: the renderer only paints into an image.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    bool scaleOk = false;
    const double scale = QString::fromLocal8Bit(argv[3]).toDouble(&scaleOk);
    if (!scaleOk || scale <= 0.0 || scale > 16.0) {
        std::fprintf(stderr, "svgtopng: bad scale %s\n", argv[3]);
        return 2;
    }

    QSvgRenderer renderer(source);
    if (!renderer.isValid() || renderer.defaultSize().isEmpty()) {
        std::fprintf(stderr, "svgtopng: cannot read %s\n", qPrintable(source));
        return 1;
    }
    const QSize size = renderer.defaultSize() * scale;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    QImageWriter writer(target);
    if (!writer.write(image)) {
        std::fprintf(stderr, "svgtopng: cannot write %s: %s\n", qPrintable(target),
            qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}

// Build-time tool: renders the program's SVG icon as PNG files of the usual sizes.
//   render_icon ICON.svg OUTPUT_FOLDER SIZE...
// writes OUTPUT_FOLDER/SIZExSIZE.png for each size.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: render_icon ICON.svg OUTPUT_FOLDER SIZE...\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);  // a build machine has no display
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString out =
            QStringLiteral("%1/%2x%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (!image.save(out, "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}

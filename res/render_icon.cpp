// Build tool: renders the application icon (SVG) as a square PNG of the
// sizes desktops ask the hicolor theme for.
//
// Usage: gw_render_icon IN.svg OUT.png SIZE
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4 || std::atoi(argv[3]) < 1 || std::atoi(argv[3]) > 1024) {
        std::fprintf(stderr, "usage: gw_render_icon IN.svg OUT.png SIZE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "gw_render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    const int nSize = std::atoi(argv[3]);
    QImage image(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "gw_render_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

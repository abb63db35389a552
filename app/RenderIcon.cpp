// Build tool: renders the application icon's SVG to a square PNG.
// Usage: vindra_render_icon <input.svg> <side in pixels> <output.png>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fputs("usage: vindra_render_icon <input.svg> <side> <output.png>\n", stderr);
        return 2;
    }
    QGuiApplication application(argc, argv);
    bool isNumber = false;
    const int side = QString::fromLocal8Bit(argv[2]).toInt(&isNumber);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!isNumber || side <= 0 || side > 4096 || !renderer.isValid()) {
        std::fputs("vindra_render_icon: bad size or unreadable SVG\n", stderr);
        return 1;
    }
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, side, side));
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}

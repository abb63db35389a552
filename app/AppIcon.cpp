#include "app/AppIcon.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <cmath>

namespace
{
const QString kAppIconPath = QStringLiteral(":/AppIcon.svg");
}

QPixmap appIconPixmap(int side, double devicePixelRatio)
{
    const int pixels = static_cast<int>(std::ceil(side * devicePixelRatio));
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(kAppIconPath);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon appIcon()
{
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(appIconPixmap(side, 1.0));
    return icon;
}

#include "ui/ApplicationIcon.h"

#include "ui/WindowTheme.h"

#include <QPainter>
#include <QPixmap>

namespace quorvel::ApplicationIcon {

QImage render(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // The same 1024-unit frame as the badge, so switching between the two does not jump.
    const qreal u = side / 1024.0;
    const QRectF canvas(0, 0, side, side);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ThemeColor::paperField());
    painter.drawRoundedRect(canvas.adjusted(100 * u, 100 * u, -100 * u, -100 * u), 180 * u,
                            180 * u);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ThemeColor::ink(), 56 * u));
    painter.drawEllipse(canvas.center(), 246 * u, 246 * u);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ThemeColor::red());
    painter.drawEllipse(canvas.center(), 150 * u, 150 * u);
    return image;
}

QIcon icon()
{
    QIcon result;
    for (int side : {16, 32, 48, 64, 128, 256})
        result.addPixmap(QPixmap::fromImage(render(side)));
    return result;
}

} // namespace quorvel::ApplicationIcon

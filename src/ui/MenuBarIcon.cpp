#include "ui/MenuBarIcon.h"

#include "ui/DisplayFont.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quorvel::MenuBarIcon {

QColor systemRed()
{
    return QColor(255, 59, 48);
}

QImage render(const std::optional<QString>& number, bool recording, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal ringWidth = std::max(1.5, side * 0.09);
    const QRectF disc = QRectF(0, 0, side, side)
                            .adjusted(ringWidth / 2, ringWidth / 2, -ringWidth / 2, -ringWidth / 2);
    if (recording) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(systemRed());
    } else {
        // A dark face inside a light ring reads on both light and dark panels.
        painter.setPen(QPen(QColor(236, 236, 236), ringWidth));
        painter.setBrush(QColor(40, 40, 40, 230));
    }
    painter.drawEllipse(disc);

    const QString text = number.value_or(QStringLiteral("\u2014"));
    QPainterPath path;
    path.addText(0, 0, DisplayFont::sans(side * 0.5, true), text);
    QRectF bounds = path.boundingRect();
    if (!bounds.isEmpty()) {
        // Shrink to the disc's inner width so long numbers stay whole.
        const qreal room = side * 0.72;
        const qreal scale = std::min<qreal>(1.0, room / std::max(bounds.width(), bounds.height()));
        QTransform transform;
        transform.scale(scale, scale);
        path = transform.map(path);
        bounds = path.boundingRect();
        path.translate(side / 2.0 - bounds.center().x(), side / 2.0 - bounds.center().y());
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPath(path);
    }
    return image;
}

QIcon icon(const std::optional<QString>& number, bool recording)
{
    QIcon result;
    for (int side : {16, 22, 24, 32, 48, 64})
        result.addPixmap(QPixmap::fromImage(render(number, recording, side)));
    return result;
}

} // namespace quorvel::MenuBarIcon

#include "platform/DockTile.h"

#include <QApplication>
#include <QPixmap>

namespace quorvel::DockTile {

void showImage(const QImage& image)
{
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(image)));
}

void showIcon(const QIcon& icon)
{
    QApplication::setWindowIcon(icon);
}

} // namespace quorvel::DockTile

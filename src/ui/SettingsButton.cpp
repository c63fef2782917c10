#include "ui/SettingsButton.h"

#include <QKeySequence>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cmath>

namespace quorvel {

namespace {

// A gear of eight teeth centred on the origin, outer radius 1.
QPainterPath unitGear()
{
    QPainterPath body;
    body.addEllipse(QPointF(0, 0), 0.74, 0.74);
    for (int tooth = 0; tooth < 8; ++tooth) {
        QPainterPath rect;
        rect.addRoundedRect(QRectF(-0.16, -1.0, 0.32, 0.5), 0.06, 0.06);
        QTransform rotation;
        rotation.rotate(tooth * 45.0);
        body = body.united(rotation.map(rect));
    }
    QPainterPath hole;
    hole.addEllipse(QPointF(0, 0), 0.3, 0.3);
    return body.subtracted(hole);
}

} // namespace

SettingsButton::SettingsButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(toolTipText());
    setAccessibleName(QStringLiteral("Preferences"));
}

QString SettingsButton::toolTipText()
{
    return QStringLiteral("Preferences (%1)")
        .arg(QKeySequence(Qt::CTRL | Qt::Key_Comma).toString(QKeySequence::NativeText));
}

void SettingsButton::setDotAmount(qreal amount)
{
    if (qFuzzyCompare(m_dotAmount, amount))
        return;
    m_dotAmount = amount;
    update();
}

void SettingsButton::setGearColor(const QColor& color)
{
    if (m_gearColor == color)
        return;
    m_gearColor = color;
    update();
}

void SettingsButton::setDotColor(const QColor& color)
{
    if (m_dotColor == color)
        return;
    m_dotColor = color;
    update();
}

void SettingsButton::setFaceSize(qreal size)
{
    m_faceSize = size;
    updateGeometry();
    update();
}

QSize SettingsButton::sizeHint() const
{
    const int side = static_cast<int>(std::ceil(m_faceSize)) + 2;
    return {side, side};
}

void SettingsButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre = QRectF(rect()).center();
    const qreal radius = m_faceSize / 2;

    if (m_dotAmount < 1.0) {
        painter.save();
        painter.setOpacity(1.0 - m_dotAmount);
        painter.translate(centre);
        painter.scale(radius, radius);
        painter.setBrush(isDown() ? m_gearColor.darker(130) : m_gearColor);
        painter.drawPath(unitGear());
        painter.restore();
    }
    if (m_dotAmount > 0.0) {
        painter.setOpacity(m_dotAmount);
        painter.setBrush(m_dotColor);
        painter.drawEllipse(centre, radius, radius);
    }
}

} // namespace quorvel

#pragma once

#include <QAbstractButton>
#include <QColor>

namespace quorvel {

// The floating window's way into the settings: a gear, or in the paper theme while recording the
// red record dot, so the header itself signals the recording. Borderless, and it never takes the
// keyboard focus away from whatever the user types into.
class SettingsButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SettingsButton(QWidget* parent = nullptr);

    // 0 shows the gear, 1 the record dot; between, the two cross-fade.
    void setDotAmount(qreal amount);
    qreal dotAmount() const { return m_dotAmount; }
    void setGearColor(const QColor& color);
    void setDotColor(const QColor& color);
    // The face's width and height, in pixels.
    void setFaceSize(qreal size);

    QSize sizeHint() const override;

    // "Preferences (Ctrl+,)", with the platform's spelling of the shortcut.
    static QString toolTipText();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_dotAmount = 0;
    qreal m_faceSize = 16;
    QColor m_gearColor;
    QColor m_dotColor;
};

} // namespace quorvel

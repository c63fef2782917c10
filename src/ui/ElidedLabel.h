#pragma once

#include <QLabel>

namespace quorvel {

// A one-line label that shortens its text in the middle to its width, so both ends of a long
// path or address stay readable.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_fullText; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateElision();

    QString m_fullText;
};

} // namespace quorvel

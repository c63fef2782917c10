#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;

namespace quorvel {

// A row of mutually exclusive buttons, the segmented picker of the settings window.
class SegmentedControl : public QWidget
{
    Q_OBJECT

public:
    explicit SegmentedControl(const QStringList& options, QWidget* parent = nullptr);

    int currentIndex() const;
    // Selects without emitting activated(); for following the model.
    void setCurrentIndex(int index);
    QStringList options() const { return m_options; }

Q_SIGNALS:
    // The user chose the option at index.
    void activated(int index);

private:
    QStringList m_options;
    QButtonGroup* m_group = nullptr;
};

} // namespace quorvel

#include "ui/SegmentedControl.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

namespace quorvel {

SegmentedControl::SegmentedControl(const QStringList& options, QWidget* parent)
    : QWidget(parent), m_options(options), m_group(new QButtonGroup(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_group->setExclusive(true);
    for (qsizetype index = 0; index < options.size(); ++index) {
        auto* button = new QPushButton(options[index], this);
        button->setCheckable(true);
        button->setAutoDefault(false);
        m_group->addButton(button, static_cast<int>(index));
        layout->addWidget(button);
    }
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedControl::activated);
}

int SegmentedControl::currentIndex() const
{
    return m_group->checkedId();
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (QAbstractButton* button = m_group->button(index))
        button->setChecked(true);
}

} // namespace quorvel

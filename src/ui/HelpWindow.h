#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QScrollArea;

namespace quorvel {

// The help page: what Quorvel is for, what it shows and needs, how to set REAPER up, how
// detection works and where it falls short. One scrolling column of selectable text that reads
// the same at any window size; it observes nothing.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize minimumContentSize{480, 360};
    static constexpr QSize defaultSize{560, 620};

    explicit HelpWindow(QWidget* parent = nullptr);

    QScrollArea* scrollArea() const { return m_scrollArea; }
    QList<QLabel*> sectionTitles() const { return m_titles; }
    // Rendered bodies, as rich text in the order of HelpContent::sections().
    QList<QLabel*> sectionBodies() const { return m_bodies; }

private:
    QScrollArea* m_scrollArea = nullptr;
    QList<QLabel*> m_titles;
    QList<QLabel*> m_bodies;
};

} // namespace quorvel

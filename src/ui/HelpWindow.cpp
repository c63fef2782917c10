#include "ui/HelpWindow.h"

#include "ui/HelpContent.h"

#include <QLabel>
#include <QScrollArea>
#include <QTextDocument>
#include <QVBoxLayout>

namespace quorvel {

namespace {

QLabel* selectableLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    return label;
}

QFont scaled(QFont font, qreal factor, bool bold)
{
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Quorvel Help"));

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(18);

    auto* title = selectableLabel(HelpContent::title(), content);
    title->setFont(scaled(title->font(), 2.0, true));
    column->addWidget(title);

    auto* subtitle = selectableLabel(HelpContent::subtitle(), content);
    subtitle->setFont(scaled(subtitle->font(), 1.1, true));
    QPalette secondary = subtitle->palette();
    QColor dimmed = secondary.color(QPalette::WindowText);
    dimmed.setAlphaF(0.55f);
    secondary.setColor(QPalette::WindowText, dimmed);
    subtitle->setPalette(secondary);
    column->addWidget(subtitle);

    for (const HelpContent::Section& section : HelpContent::sections()) {
        auto* block = new QVBoxLayout;
        block->setSpacing(6);
        auto* heading = selectableLabel(section.title, content);
        heading->setTextFormat(Qt::PlainText);
        heading->setFont(scaled(heading->font(), 1.1, true));
        block->addWidget(heading);

        QTextDocument document;
        HelpContent::render(section.body, document);
        auto* body = selectableLabel(QString(), content);
        body->setTextFormat(Qt::RichText);
        body->setText(document.toHtml());
        block->addWidget(body);

        column->addLayout(block);
        m_titles << heading;
        m_bodies << body;
    }
    column->addStretch(1);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setWidget(content);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scrollArea->setFrameShape(QFrame::NoFrame);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollArea);

    setMinimumSize(minimumContentSize);
    resize(defaultSize);
}

} // namespace quorvel

#include "ui/HelpWindow.h"

#include "QtPrinters.h"
#include "ui/HelpContent.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

// The lines a body label shows, blank ones left out.
QStringList shownLines(const QLabel& label)
{
    QTextDocument document;
    document.setHtml(label.text());
    return document.toPlainText()
        .replace(QChar::LineSeparator, u'\n')
        .split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(HelpWindowTest, SixSectionsInOrderEachKeepingItsLineBreaks)
{
    HelpWindow window;
    QStringList titles;
    for (const QLabel* label : window.sectionTitles())
        titles << label->text();
    EXPECT_EQ(titles, (QStringList{"Why this app exists", "What it shows", "Requirements",
                                   "Setting up REAPER", "How it works (heuristics)",
                                   "Inherent limitations"}));
    ASSERT_EQ(window.sectionBodies().size(), 6);
    for (size_t i = 0; i < 6; ++i) {
        // Every line of the source is a line of its own on screen: no bullet joins another.
        const HelpContent::Section& section = HelpContent::sections()[i];
        const QStringList lines = shownLines(*window.sectionBodies()[qsizetype(i)]);
        EXPECT_EQ(lines.size(), section.body.split(u'\n', Qt::SkipEmptyParts).size())
            << section.title.toStdString() << ": " << lines.join(" / ").toStdString();
    }
    // REAPER's filename pattern and the default regex stand on lines of their own, as written.
    const QStringList setup = shownLines(*window.sectionBodies()[3]);
    for (const QString line : {"$rectag-$tracknumber-$recpass000", "(.*)-\\d+-(\\d{3,})\\.wav$"})
        EXPECT_TRUE(setup.contains(line))
            << line.toStdString() << " in " << setup.join(" / ").toStdString();
}

TEST(HelpWindowTest, ScrollsAtItsMinimumSizeWithNothingCutAndAllTextSelectable)
{
    HelpWindow window;
    window.resize(240, 200);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(480, 360)) << "the minimum size";
    EXPECT_GT(window.scrollArea()->verticalScrollBar()->maximum(), 0);
    for (const QLabel* body : window.sectionBodies()) {
        EXPECT_GE(body->height(), body->heightForWidth(body->width()))
            << body->text().left(80).toStdString();
        EXPECT_LE(body->geometry().right(), window.scrollArea()->viewport()->width());
    }
    const auto labels = window.findChildren<QLabel*>();
    ASSERT_GE(labels.size(), 14);
    for (const QLabel* label : labels)
        EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse)
            << label->text().left(40).toStdString();
}

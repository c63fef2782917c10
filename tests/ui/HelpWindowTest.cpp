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

// Every line of the help's source is a line of its own on screen (no bullet joins another),
// REAPER's filename pattern and the default regex survive rich-text rendering as written, and at
// its minimum size the window scrolls with nothing cut.
TEST(HelpWindowTest, EveryLineShownAsWrittenAndScrollableAtTheMinimumSize)
{
    HelpWindow window;
    ASSERT_EQ(window.sectionBodies().size(), qsizetype(HelpContent::sections().size()));
    for (qsizetype i = 0; i < window.sectionBodies().size(); ++i) {
        const HelpContent::Section& section = HelpContent::sections()[size_t(i)];
        const QStringList lines = shownLines(*window.sectionBodies()[i]);
        EXPECT_EQ(lines.size(), section.body.split(u'\n', Qt::SkipEmptyParts).size())
            << section.title.toStdString() << ": " << lines.join(" / ").toStdString();
    }
    const QStringList setup = shownLines(*window.sectionBodies()[3]);
    for (const QString line : {"$rectag-$tracknumber-$recpass000", "(.*)-\\d+-(\\d{3,})\\.wav$"})
        EXPECT_TRUE(setup.contains(line))
            << line.toStdString() << " in " << setup.join(" / ").toStdString();

    window.resize(240, 200);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(480, 360)) << "the minimum size";
    EXPECT_GT(window.scrollArea()->verticalScrollBar()->maximum(), 0);
    for (const QLabel* body : window.sectionBodies()) {
        EXPECT_GE(body->height(), body->heightForWidth(body->width()))
            << body->text().left(80).toStdString();
        EXPECT_LE(body->geometry().right(), window.scrollArea()->viewport()->width());
        EXPECT_TRUE(body->textInteractionFlags() & Qt::TextSelectableByMouse);
    }
}

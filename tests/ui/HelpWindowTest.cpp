#include "ui/HelpWindow.h"

#include "QtPrinters.h"
#include "ui/AboutPanel.h"
#include "ui/HelpContent.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvel;

namespace {

// The text a body label shows, one entry per displayed line.
QStringList shownLines(const QLabel& label)
{
    QTextDocument document;
    document.setHtml(label.text());
    return document.toPlainText().split(QChar::LineSeparator).join(u'\n').split(u'\n');
}

// Whether text appears in the label in bold.
bool isBold(const QLabel& label, const QString& text)
{
    QTextDocument document;
    document.setHtml(label.text());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.text().contains(text))
                return fragment.charFormat().fontWeight() >= QFont::Bold;
        }
    }
    return false;
}

} // namespace

TEST(HelpWindowTest, SixSectionsInOrder)
{
    HelpWindow window;
    QStringList titles;
    for (const QLabel* label : window.sectionTitles())
        titles << label->text();
    EXPECT_EQ(titles, (QStringList{"Why this app exists", "What it shows", "Requirements",
                                   "Setting up REAPER", "How it works (heuristics)",
                                   "Inherent limitations"}));
    EXPECT_EQ(window.windowTitle(), "Quorvel Help");
    EXPECT_EQ(HelpContent::subtitle(), "Live take-number readout for REAPER recording sessions.");
}

TEST(HelpWindowTest, BulletsKeepTheirLines)
{
    HelpWindow window;
    const QList<QLabel*> bodies = window.sectionBodies();
    ASSERT_EQ(bodies.size(), 6);
    struct Case
    {
        int section;
        int bullets;
    } cases[] = {{2, 4}, {4, 5}, {5, 6}};
    for (const auto& c : cases) {
        const QStringList lines = shownLines(*bodies[c.section]);
        int bulletLines = 0;
        for (const QString& line : lines)
            bulletLines += line.startsWith(QStringLiteral("•"));
        EXPECT_EQ(bulletLines, c.bullets)
            << "section " << c.section << ": " << lines.join(" / ").toStdString();
        // No bullet was joined onto another line.
        for (const QString& line : lines)
            EXPECT_LE(line.count(QStringLiteral("•")), 1) << line.toStdString();
    }
    // Every source line break survives in every section.
    for (size_t index = 0; index < HelpContent::sections().size(); ++index) {
        const QString body = HelpContent::sections()[index].body;
        const int sourceLines = static_cast<int>(body.split(u'\n', Qt::SkipEmptyParts).size());
        QStringList shown = shownLines(*bodies[static_cast<int>(index)]);
        shown.removeAll(QString());
        EXPECT_EQ(shown.size(), sourceLines) << HelpContent::sections()[index].title.toStdString();
    }
}

TEST(HelpWindowTest, ReaperSetupShowsPatternAndRegexOnLinesOfTheirOwnInBold)
{
    HelpWindow window;
    const QLabel& body = *window.sectionBodies()[3];
    const QStringList lines = shownLines(body);
    EXPECT_TRUE(lines.contains("$rectag-$tracknumber-$recpass000"))
        << lines.join(" / ").toStdString();
    EXPECT_TRUE(lines.contains("(.*)-\\d+-(\\d{3,})\\.wav$")) << lines.join(" / ").toStdString();
    EXPECT_TRUE(isBold(body, "$rectag-$tracknumber-$recpass000"));
    EXPECT_TRUE(isBold(body, "(.*)-\\d+-(\\d{3,})\\.wav$"));
    EXPECT_TRUE(isBold(body, "Preferences → Audio → Recording"));
    EXPECT_TRUE(isBold(*window.sectionBodies()[0], "$recpass"));
}

TEST(HelpWindowTest, ScrollsAtItsMinimumSizeWithNothingCut)
{
    HelpWindow window;
    EXPECT_EQ(window.minimumSize(), QSize(480, 360));
    EXPECT_EQ(window.size(), QSize(560, 620));
    window.resize(window.minimumSize());
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(480, 360));
    EXPECT_GT(window.scrollArea()->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(window.scrollArea()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    for (const QLabel* body : window.sectionBodies()) {
        EXPECT_GE(body->height(), body->heightForWidth(body->width()))
            << body->text().left(80).toStdString();
        EXPECT_LE(body->geometry().right(), window.scrollArea()->viewport()->width());
    }
}

TEST(HelpWindowTest, AllTextIsSelectable)
{
    HelpWindow window;
    const auto labels = window.findChildren<QLabel*>();
    ASSERT_GE(labels.size(), 14);
    for (const QLabel* label : labels)
        EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse)
            << label->text().left(40).toStdString();
}

TEST(HelpContentTest, DisplayMarkdownMakesInnerLineBreaksHard)
{
    EXPECT_EQ(HelpContent::displayMarkdown("a\nb\n\nc"), "a\\\nb\n\nc");
    EXPECT_EQ(HelpContent::displayMarkdown("one"), "one");
}

TEST(AboutPanelTest, CreditsAreCentredSmallAndDimmed)
{
    std::unique_ptr<QDialog> dialog(AboutPanel::create());
    auto* credits = dialog->findChild<QLabel*>(QStringLiteral("credits"));
    ASSERT_NE(credits, nullptr);
    EXPECT_EQ(credits->text(),
              "A small desktop accessory that displays the current take number during a recording "
              "session \u2014 REAPER, Logic Pro, Pro Tools, Nuendo, Cubase, and Ableton Live.");
    EXPECT_TRUE(credits->alignment() & Qt::AlignHCenter);
    EXPECT_LT(credits->font().pointSizeF(), QApplication::font().pointSizeF());
    const QColor normal = QApplication::palette().color(QPalette::WindowText);
    const QColor shown = credits->palette().color(QPalette::WindowText);
    EXPECT_LT(shown.alphaF(), normal.alphaF());
    EXPECT_EQ(dialog->windowTitle(), "About Quorvel");
}

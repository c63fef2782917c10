#include "ui/TakeSheetWindow.h"

#include "QtPrinters.h"
#include "support/Poll.h"
#include "support/TempDir.h"
#include "takes/TakeSheet.h"
#include "ui/TakeSheetModel.h"

#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using Column = TakeSheetModel::Column;

// A window over a fresh sheet; entries are added through the sheet as the recorder adds them.
struct Sheet
{
    qint64 add(const QString& project, const QString& take)
    {
        TakeEntry entry;
        entry.daw = QStringLiteral("REAPER");
        entry.project = project;
        entry.projectPath = dir.filePath(project);
        entry.piece = QStringLiteral("Song");
        entry.take = take;
        entry.started = QDateTime::currentDateTime();
        entry.folder = dir.path();
        const qint64 id = sheet.begin(entry);
        sheet.flush();
        return id;
    }

    QString cell(int row, Column column) const
    {
        return window.model()->index(row, static_cast<int>(column)).data().toString();
    }

    // "take project" of each row, top to bottom.
    QStringList rows() const
    {
        QStringList shown;
        for (int row = 0; row < window.model()->rowCount(); ++row)
            shown << cell(row, Column::take) + ' ' + cell(row, Column::project);
        return shown;
    }

    TempDir dir;
    TakeSheet sheet{dir.filePath(QStringLiteral("take-sheet.sqlite"))};
    TakeSheetWindow window{sheet};
};

} // namespace

TEST(TakeSheetWindowTest, ListsNewestFirstFiltersByProjectAndFollowsTheSheet)
{
    Sheet s;
    s.add("Album", "1");
    s.add("Single", "1");
    s.add("Album", "2");
    s.window.refresh();
    EXPECT_EQ(s.rows(), (QStringList{"2 Album", "1 Single", "1 Album"}));
    QComboBox* filter = s.window.projectFilter();
    ASSERT_EQ(filter->count(), 3);
    EXPECT_EQ(filter->itemText(0), "All projects");

    filter->setCurrentIndex(filter->findText("Album"));
    Q_EMIT filter->activated(filter->currentIndex());
    EXPECT_EQ(s.rows(), (QStringList{"2 Album", "1 Album"}));

    // The export holds what is shown: a header and the filtered rows.
    const QString csv = s.dir.filePath("album.csv");
    s.window.setExportPathChooser([&](const QString&) { return std::optional(csv); });
    s.window.exportButton()->click();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains("Album") && lines[2].contains("Album"));

    // While shown it follows the sheet: a new pass of the shown project goes on top, the
    // selected row stays selected, other projects' passes stay out.
    s.window.show();
    s.window.table()->selectRow(1);
    s.add("Single", "2");
    s.add("Album", "3");
    ASSERT_TRUE(pollUntil([&] { return s.rows().size() == 3; }))
        << s.rows().join(", ").toStdString();
    EXPECT_EQ(s.rows(), (QStringList{"3 Album", "2 Album", "1 Album"}));
    const QModelIndexList selected = s.window.table()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first().row(), 2) << "take 1 of Album, moved down by the new pass";

    // A cleared sheet shows every project again, and nothing.
    s.sheet.clear();
    ASSERT_TRUE(pollUntil([&] { return s.rows().isEmpty(); }));
    EXPECT_EQ(filter->count(), 1);
    EXPECT_EQ(s.window.model()->project(), std::nullopt);
    EXPECT_FALSE(s.window.exportButton()->isEnabled());
}

TEST(TakeSheetWindowTest, MarkAndNoteEditedInPlaceReachTheSheet)
{
    Sheet s;
    const qint64 id = s.add("Album", "7");
    s.window.show();
    ASSERT_TRUE(pollUntil([&] { return s.window.model()->rowCount() == 1; }));
    QTableView* table = s.window.table();

    table->edit(s.window.model()->index(0, static_cast<int>(Column::mark)));
    auto* marks = table->viewport()->findChild<QComboBox*>();
    ASSERT_NE(marks, nullptr);
    ASSERT_EQ(marks->count(), TakeMarks::all().size());
    EXPECT_EQ(marks->itemText(0), "\u2014") << "the empty mark";
    marks->setCurrentIndex(marks->findData("circled"));
    Q_EMIT marks->activated(marks->currentIndex());
    s.sheet.flush();
    EXPECT_EQ(s.sheet.entry(id)->mark, "circled");

    // A change to the same pass while its note is typed (its files, as recording goes on) must
    // not throw the typing away.
    table->edit(s.window.model()->index(0, static_cast<int>(Column::note)));
    auto* note = table->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(note, nullptr);
    QTest::keyClicks(note, "Flat in");
    s.sheet.addFiles(id, {"Song-007.wav"});
    s.sheet.flush();
    ASSERT_TRUE(pollUntil([&] { return !s.window.model()->entries().front().files.isEmpty(); }));
    QTest::keyClicks(note, " bar 12");
    QTest::keyClick(note, Qt::Key_Return); // commits on the next turn of the event loop
    ASSERT_TRUE(pollUntil([&] { return s.cell(0, Column::note) == "Flat in bar 12"; }))
        << s.cell(0, Column::note).toStdString();
    s.sheet.flush();
    EXPECT_EQ(s.sheet.entry(id)->note, "Flat in bar 12");
    EXPECT_EQ(s.sheet.entry(id)->mark, "circled");
}

TEST(TakeSheetWindowTest, LengthReadsAsMinutesAndSeconds)
{
    const std::pair<std::optional<qint64>, const char*> cases[] = {
        {std::nullopt, ""}, {0, "0:00"}, {59'999, "0:59"}, {64'000, "1:04"}, {4'503'000, "75:03"}};
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(TakeSheetModel::lengthText(ms), text) << ms.value_or(-1);
}

#include "model/SettingsKey.h"
#include "support/Poll.h"
#include "support/TempDir.h"
#include "takes/TakeRecorder.h"
#include "takes/TakeSheet.h"
#include "takes/TakeSheetText.h"
#include "ui/WatcherHarness.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QDateTime start = QDateTime::fromString(QStringLiteral("2026-12-07T14:00:00.000+01:00"), Qt::ISODateWithMs);

TakeEntry pass(const QString& take, const QString& project, const QString& folder, const QStringList& files)
{
    TakeEntry entry;
    entry.daw = QStringLiteral("REAPER");
    entry.project = project;
    entry.projectPath = folder + QStringLiteral("/") + project + QStringLiteral(".RPP");
    entry.piece = QStringLiteral("Nocturne");
    entry.take = take;
    entry.started = start;
    entry.folder = folder;
    entry.files = files;
    return entry;
}

} // namespace

// A pass left open by a kill, closed at the next start, is the end-to-end test's.
TEST(TakeSheetTest, KeepsPassesAcrossRunsEndedAtTheirFilesLastWrite)
{
    TempDir dir;
    const QString path = dir.filePath(QStringLiteral("data/take-sheet.sqlite"));
    const QString take = dir.write(QStringLiteral("Media/Take-41.wav"), "x");
    ASSERT_TRUE(setModificationTime(take, start.toSecsSinceEpoch() + 12.5));
    {
        TakeSheet sheet(path);
        ASSERT_TRUE(sheet.isOpen());
        sheet.end(sheet.begin(pass(QStringLiteral("41"), QStringLiteral("Session"),
                                   dir.filePath(QStringLiteral("Media")), {QStringLiteral("Take-41.wav")})));
    }
    TakeSheet reopened(path);
    const auto entries = reopened.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].lengthMs(), 12'500);
    EXPECT_EQ(entries[0].files, QStringList{QStringLiteral("Take-41.wav")});
    EXPECT_EQ(entries[0].started, start);
    EXPECT_EQ(entries[0].started.offsetFromUtc(), 3600) << "times keep the offset they were taken at";
    EXPECT_EQ(reopened.problem(), std::nullopt);
}

// Setting marks and notes, the project filter and clearing go through the window's tests.
TEST(TakeSheetTest, OnlyKnownMarksEachFileOnceAndEveryChangeAnnounced)
{
    TempDir dir;
    TakeSheet sheet(dir.filePath(QStringLiteral("take-sheet.sqlite")));
    int changes = 0;
    QObject::connect(&sheet, &TakeSheet::changed, [&] { ++changes; });
    const qint64 one = sheet.begin(pass(QStringLiteral("1"), QStringLiteral("Brahms"), dir.path(), {}));
    const qint64 two = sheet.begin(pass(QStringLiteral("2"), QStringLiteral("Chopin"), dir.path(), {}));
    sheet.setMark(one, QStringLiteral("splendid"));
    sheet.addFiles(two, {QStringLiteral("Chopin-2-L.wav"), QStringLiteral("Chopin-2-R.wav")});
    sheet.addFiles(two, {QStringLiteral("Chopin-2-L.wav")});
    sheet.flush();
    EXPECT_EQ(sheet.entry(one)->mark, QString());
    EXPECT_EQ(sheet.entry(two)->files.size(), 2);
    EXPECT_EQ(sheet.entries(std::nullopt, 1).front().id, two);
    EXPECT_TRUE(pollUntil([&] { return changes >= 4; })) << "each written change is announced";
}

TEST(TakeSheetTest, AFileThatCannotBeReadIsMovedAsideNeverDeleted)
{
    const struct
    {
        const char* what;
        std::function<void(const QString&)> spoil;
    } cases[] = {
        {"not a database", [](const QString& path) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(QByteArray(8192, 'x'));
         }},
        {"written by a newer Quorvel", [](const QString& path) {
             {
                 QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
                 db.setDatabaseName(path);
                 ASSERT_TRUE(db.open());
                 QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version=99"));
                 db.close();
             }
             QSqlDatabase::removeDatabase(QStringLiteral("newer"));
         }},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const QString path = dir.filePath(QStringLiteral("take-sheet.sqlite"));
        c.spoil(path);
        QFile original(path);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();

        TakeSheet sheet(path);
        ASSERT_TRUE(sheet.isOpen()) << c.what;
        ASSERT_TRUE(sheet.problem().has_value()) << c.what;
        const auto aside = QDir(dir.path()).entryList({QStringLiteral("take-sheet.sqlite.damaged-*")});
        ASSERT_EQ(aside.size(), 1) << c.what;
        EXPECT_TRUE(sheet.problem()->contains(dir.filePath(aside.front()))) << c.what;
        QFile moved(dir.filePath(aside.front()));
        ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
        EXPECT_EQ(moved.readAll(), bytes) << c.what;
        sheet.begin(pass(QStringLiteral("1"), QStringLiteral("P"), dir.path(), {}));
        sheet.flush();
        EXPECT_EQ(sheet.count(), 1) << c.what << ": the new sheet works";
    }
}

TEST(TakeSheetTest, CsvQuotesFieldsWithCommasQuotesAndLineBreaks)
{
    TakeEntry entry = pass(QStringLiteral("12b"), QStringLiteral("Suite, \"live\"\nday 2"), QStringLiteral("/tmp/Média"),
                           {QStringLiteral("a.wav"), QStringLiteral("b.wav")});
    entry.note = QStringLiteral("ça va – 良い,\r\n\"encore\"");
    entry.ended = start.addMSecs(83'400);
    entry.mark = QStringLiteral("false start");
    const QString text = QString::fromUtf8(TakeSheetText::csv({entry, pass(QStringLiteral("7"), QStringLiteral("P"), QStringLiteral("/f"), {})}));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5) << "a header, two rows, one of them broken by the note, and the end";
    EXPECT_EQ(lines[1] + "\r\n" + lines[2],
              QStringLiteral("12b,REAPER,\"Suite, \"\"live\"\"\nday 2\",Nocturne,2026-12-07T14:00:00.000+01:00,"
                             "2026-12-07T14:01:23.400+01:00,83.400,false start,\"ça va – 良い,\r\n\"\"encore\"\"\",/tmp/Média,"
                             "\"a.wav\nb.wav\",\"/tmp/Média/Suite, \"\"live\"\"\nday 2.RPP\""));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("7,REAPER,P,Nocturne,2026-12-07T14:00:00.000+01:00,,,")))
        << "an open pass has no end and no length";
}

TEST(TakeSheetTest, TheRecorderKeepsOneEntryPerPassWhileTheSettingIsOn)
{
    WatcherHarness harness;
    TakeSheet sheet(harness.dir().filePath(QStringLiteral("take-sheet.sqlite")));
    TakeRecorder recorder(harness.watcher(), sheet, harness.settings());

    harness.record(QStringLiteral("41"), QStringLiteral("Nocturne"), QStringLiteral("Session"));
    harness.record(QStringLiteral("41"), QStringLiteral("Nocturne"), QStringLiteral("Session"));
    harness.stop(QStringLiteral("41"), QStringLiteral("Nocturne"), QStringLiteral("Session"));
    // The next take begins before the display said the last one ended.
    harness.record(QStringLiteral("42"), QStringLiteral("Nocturne"), QStringLiteral("Session"));
    harness.record(QStringLiteral("43"), QStringLiteral("Nocturne"), QStringLiteral("Session"));
    harness.settings().setBoolean(SettingsKey::keepTakeSheet, false);
    harness.stop(QStringLiteral("43"));
    harness.record(QStringLiteral("44"));
    harness.stop(QStringLiteral("44"));
    sheet.flush();

    const auto entries = sheet.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].take + entries[2].piece + entries[2].project, QStringLiteral("41NocturneSession"));
    EXPECT_EQ(entries[1].take, QStringLiteral("42"));
    EXPECT_EQ(entries[0].take, QStringLiteral("43"));
    for (const TakeEntry& entry : entries)
        EXPECT_TRUE(entry.ended.has_value()) << entry.take.toStdString();
}

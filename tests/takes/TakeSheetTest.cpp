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

// The fields as RFC 4180 reads them back: quoted fields may hold commas, line breaks and
// doubled quotes.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> rows{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += c, ++i;
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            rows.last() << field, field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            rows.last() << field, field.clear(), rows.append(QStringList{}), ++i;
        } else {
            field += c;
        }
    }
    rows.removeLast(); // after the last line end
    return rows;
}

} // namespace

TEST(TakeSheetTest, KeepsPassesAcrossRunsAndClosesOnesLeftOpenAtTheirLastWrite)
{
    TempDir dir;
    const QString path = dir.filePath(QStringLiteral("data/take-sheet.sqlite"));
    const QString a = dir.write(QStringLiteral("Media/Take-41.wav"), "x");
    const QString b = dir.write(QStringLiteral("Media/Take-42.wav"), "x");
    ASSERT_TRUE(setModificationTime(a, start.toSecsSinceEpoch() + 12.5));
    ASSERT_TRUE(setModificationTime(b, start.toSecsSinceEpoch() + 30.25));
    {
        TakeSheet sheet(path);
        ASSERT_TRUE(sheet.isOpen());
        const qint64 first = sheet.begin(pass(QStringLiteral("41"), QStringLiteral("Session"),
                                              dir.filePath(QStringLiteral("Media")), {QStringLiteral("Take-41.wav")}));
        sheet.end(first);
        // Quorvel quits while the second pass still records: it stays open on the sheet.
        sheet.begin(pass(QStringLiteral("42"), QStringLiteral("Session"), dir.filePath(QStringLiteral("Media")),
                         {QStringLiteral("Take-42.wav")}));
        sheet.flush();
        EXPECT_FALSE(sheet.entries().front().ended.has_value());
    }
    TakeSheet reopened(path);
    const auto entries = reopened.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].take, QStringLiteral("42")); // newest first
    EXPECT_EQ(entries[0].lengthMs(), 30'250);
    EXPECT_EQ(entries[1].lengthMs(), 12'500);
    EXPECT_EQ(entries[1].files, QStringList{QStringLiteral("Take-41.wav")});
    EXPECT_EQ(entries[1].started, start);
    EXPECT_EQ(entries[1].started.offsetFromUtc(), 3600) << "times keep the offset they were taken at";
    EXPECT_EQ(reopened.problem(), std::nullopt);
}

TEST(TakeSheetTest, MarksNotesFiltersAndClearing)
{
    TempDir dir;
    TakeSheet sheet(dir.filePath(QStringLiteral("take-sheet.sqlite")));
    int changes = 0;
    QObject::connect(&sheet, &TakeSheet::changed, [&] { ++changes; });
    const qint64 one = sheet.begin(pass(QStringLiteral("1"), QStringLiteral("Brahms"), dir.path(), {}));
    const qint64 two = sheet.begin(pass(QStringLiteral("2"), QStringLiteral("Chopin"), dir.path(), {}));
    sheet.setMark(one, QStringLiteral("circled"));
    sheet.setMark(two, QStringLiteral("splendid")); // not one of the marks: ignored
    sheet.setNote(two, QStringLiteral("Bratsche zu laut, „noch einmal“ 🎻"));
    sheet.addFiles(two, {QStringLiteral("Chopin-2-L.wav"), QStringLiteral("Chopin-2-R.wav")});
    sheet.addFiles(two, {QStringLiteral("Chopin-2-L.wav")});
    sheet.flush();

    EXPECT_EQ(sheet.entry(one)->mark, QStringLiteral("circled"));
    EXPECT_EQ(sheet.entry(two)->mark, QString());
    EXPECT_EQ(sheet.entry(two)->note, QStringLiteral("Bratsche zu laut, „noch einmal“ 🎻"));
    EXPECT_EQ(sheet.entry(two)->files.size(), 2);
    EXPECT_EQ(sheet.projects(), (QStringList{QStringLiteral("Brahms"), QStringLiteral("Chopin")}));
    ASSERT_EQ(sheet.entries(QStringLiteral("Brahms")).size(), 1u);
    EXPECT_EQ(sheet.entries(std::nullopt, 1).front().id, two);
    EXPECT_TRUE(pollUntil([&] { return changes >= 6; })) << "each written change is announced";

    sheet.clear();
    sheet.flush();
    EXPECT_EQ(sheet.count(), 0);
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

TEST(TakeSheetTest, CsvKeepsEveryCharacterOfEveryField)
{
    TakeEntry entry = pass(QStringLiteral("12b"), QStringLiteral("Suite, \"live\"\nday 2"), QStringLiteral("/tmp/Média"),
                           {QStringLiteral("a.wav"), QStringLiteral("b.wav")});
    entry.note = QStringLiteral("ça va – 良い,\r\n\"encore\"");
    entry.ended = start.addMSecs(83'400);
    entry.mark = QStringLiteral("false start");
    const QString text = QString::fromUtf8(TakeSheetText::csv({entry, pass(QStringLiteral("7"), QStringLiteral("P"), QStringLiteral("/f"), {})}));
    const auto rows = parseCsv(text);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].size(), 12);
    const QStringList expected = {QStringLiteral("12b"), QStringLiteral("REAPER"), entry.project, QStringLiteral("Nocturne"),
                                  QStringLiteral("2026-12-07T14:00:00.000+01:00"), QStringLiteral("2026-12-07T14:01:23.400+01:00"),
                                  QStringLiteral("83.400"), QStringLiteral("false start"), entry.note, entry.folder,
                                  QStringLiteral("a.wav\nb.wav"), entry.projectPath};
    EXPECT_EQ(rows[1], expected);
    EXPECT_EQ(rows[2][6], QString()) << "an open pass has no length";
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
    EXPECT_EQ(entries[2].take, QStringLiteral("41"));
    EXPECT_EQ(entries[2].daw, QStringLiteral("REAPER"));
    EXPECT_EQ(entries[2].project, QStringLiteral("Session"));
    EXPECT_EQ(entries[2].piece, QStringLiteral("Nocturne"));
    EXPECT_EQ(entries[1].take, QStringLiteral("42"));
    EXPECT_EQ(entries[0].take, QStringLiteral("43"));
    for (const TakeEntry& entry : entries)
        EXPECT_TRUE(entry.ended.has_value()) << entry.take.toStdString();
}

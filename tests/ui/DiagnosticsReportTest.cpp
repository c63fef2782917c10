#include "model/DiagnosticsReport.h"

#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "model/FilenamePattern.h"
#include "support/Poll.h"

#include <QDateTime>
#include <QTimeZone>

#include "takes/TakeSheet.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

TEST(DiagnosticsListingTest, CountsAudioAndTotalAndListsTheNewestFifteen)
{
    TempDir dir;
    const qint64 base = 1'700'000'000;
    // The two oldest have upper-case extensions, which are audio all the same.
    for (int i = 1; i <= 40; ++i) {
        const QString suffix = i == 1 ? "WAV" : i == 2 ? "Flac" : "wav";
        const QString name = QStringLiteral("Song-01-%1.%2").arg(i, 3, 10, QChar('0')).arg(suffix);
        ASSERT_TRUE(setModificationTime(dir.write(name), double(base + i))) << name.toStdString();
    }
    // Three others, one of them a folder; hidden entries count nowhere, audio or not.
    for (const char* other : {"Song.rpp", "notes.txt", ".DS_Store", ".hidden-take.wav"})
        dir.write(other);
    dir.makeFolder("Peaks");

    const QStringList lines = DiagnosticsReport::recentFileReport(
        dir.path(), FilenamePattern::compile(FilenamePattern::defaultPattern()).pattern, 15);
    QStringList expected{"Audio files in " + dir.path() +
                         " (15 of 40 audio / 43 total files, newest first):"};
    for (int i = 40; i > 25; --i)
        expected << QStringLiteral("  %1  Song-01-%2.wav  \u2192 groups: [\"Song\", \"%2\"]")
                        .arg(
                            QDateTime::fromSecsSinceEpoch(base + i).toString("yyyy-MM-dd HH:mm:ss"))
                        .arg(i, 3, 10, QChar('0'));
    EXPECT_EQ(lines, expected);
}

TEST(DiagnosticsListingTest, NothingToListOrNothingAudio)
{
    TempDir dir;
    const QString file = dir.write("plain.txt"), folder = dir.makeFolder("texts");
    dir.write("texts/readme.txt");
    const std::pair<std::optional<QString>, QStringList> cases[] = {
        {std::nullopt, {"Recent files: no folder to list"}},
        {dir.filePath("gone"), {"Recent files: could not list " + dir.filePath("gone")}},
        {file, {"Recent files: could not list " + file}},
        {folder,
         {"Audio files in " + folder + " (0 of 0 audio / 1 total files, newest first):",
          "  (none)"}}};
    for (const auto& [path, lines] : cases)
        EXPECT_EQ(DiagnosticsReport::recentFileReport(path, {}, 15), lines)
            << path.value_or("no folder").toStdString();
}

TEST(DiagnosticsCaptureTest, Summaries)
{
    const std::tuple<const char*, const char*, QString> cases[] = {
        {"MySession-03-042.wav", nullptr, "no active pattern"},
        {"notes.wav", "(.*)-\\d+-(\\d{3,})\\.wav$", "no match"},
        {"take.wav", "\\.wav$", "matches (no capture groups)"},
        {"take-12.wav", "(?:(x)|take)-(\\d+)", "groups: [\u2205, \"12\"]"},
    };
    for (const auto& [name, regex, summary] : cases) { // a null regex: no pattern
        const CompiledPattern pattern = regex ? FilenamePattern::compile(regex).pattern : nullptr;
        ASSERT_TRUE(pattern || !regex) << regex;
        EXPECT_EQ(DiagnosticsReport::captureSummary(name, pattern), summary)
            << name << " with " << (regex ? regex : "no pattern");
    }
}

TEST(DiagnosticsStateTest, RemoteDisplayLineInItsThreeForms)
{
    using DiagnosticsReport::remoteDisplayLine;
    EXPECT_EQ(remoteDisplayLine(false, false, QString("stale")), "Remote display: off");
    EXPECT_EQ(remoteDisplayLine(true, true, std::nullopt), "Remote display: on \u2014 running");
    EXPECT_EQ(remoteDisplayLine(true, false, QString("Port 8787 is in use.")),
              "Remote display: on \u2014 not running, error: Port 8787 is in use.");
}

// The forms a fresh start shows; a busy session's are the next test's.
TEST(DiagnosticsStateTest, LinesOfAFreshStart)
{
    WatcherHarness h;
    const QDateTime now(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone(3600));
    const QStringList lines = DiagnosticsReport::stateLines(h.watcher(), now, "0.1.0", "OS: Test");
    EXPECT_EQ(lines.mid(0, 4),
              (QStringList{"Quorvel diagnostics", "Generated: 2024-03-05 14:07:09 +0100",
                           "App version: 0.1.0", "OS: Test"}));
    for (const char* line : {"Detected DAW: none", "Status: idle; shown: Next take \u2014",
                             "Project: \u2014 (no project path)", "Effective folder: none",
                             "Regex is default: yes", "Regex error: none"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
}

// The whole report through generate(): the state on the spot, then the listing.
TEST(DiagnosticsReportTest, ReportOfABusySession)
{
    WatcherHarness h;
    const QString folder = h.dir().makeFolder(QStringLiteral("Takes"));
    h.dir().write(QStringLiteral("Takes/Bass 3.wav"));
    h.watcher().setDawSelection(DAWSelection::manual(DAWId::ableton));
    h.watcher().setTakeDerivation(TakeDerivation::max);
    h.watcher().setShowNextTakeWhenIdle(false);
    h.watcher().setFilenamePattern(QStringLiteral("(broken"));
    h.manualFolder(folder);
    DAWSnapshot snapshot = snapshotWithTake("042", true, QString("Verse"));
    snapshot.projectName = QStringLiteral("Album");
    snapshot.detectedProjectPath = QStringLiteral("/music/Album/Album.als");
    h.apply(snapshot, DAWId::ableton);
    h.watcher().setRemoteDisplayStatus(false, QStringLiteral("Port 8787 is in use."));

    // A report whose context is gone by the time it is ready is dropped; it runs before the next.
    bool dropped = false;
    auto gone = std::make_unique<QObject>();
    DiagnosticsReport::generate(h.watcher(), gone.get(), [&](const QString&) { dropped = true; });
    gone.reset();
    std::optional<QString> report;
    DiagnosticsReport::generate(h.watcher(), &h.watcher(), [&](const QString& r) { report = r; });
    ASSERT_TRUE(pollUntil([&] { return report.has_value(); }));
    EXPECT_FALSE(dropped);
    const QStringList lines = report->split(u'\n');
    ASSERT_EQ(lines.size(), 27) << report->toStdString();
    EXPECT_EQ(lines.mid(5, 14),
              (QStringList{"DAW selection: pinned: Ableton Live", "Detected DAW: Ableton Live",
                           "Status: recording; shown: Recording 42", "Last take file: take-042.wav",
                           "Piece: Verse", "Project: Album (/music/Album/Album.als)",
                           "Take derivation: max", "Show next take when idle: off", "",
                           "Folder mode: manual", "Effective folder: " + folder, "",
                           "REAPER regex: (broken", "Regex is default: no"}));
    EXPECT_TRUE(lines[19].startsWith("Regex error: ") && lines[19] != "Regex error: none")
        << lines[19].toStdString();
    EXPECT_EQ(lines[21], "Remote display: off") << "an error of a display that is off";
    EXPECT_EQ(lines[23],
              "Audio files in " + folder + " (1 of 1 audio / 1 total files, newest first):");
    // Ableton Live is on display, so its pattern, "(\d+)", reads the names.
    EXPECT_TRUE(lines[24].endsWith("  Bass 3.wav  \u2192 groups: [\"3\"]"))
        << lines[24].toStdString();
    EXPECT_EQ(lines[25], "Folder listing: not listed yet") << "no scan has listed it here";
    EXPECT_TRUE(lines[26].startsWith("Take sheet: " + TakeSheet::defaultPath() + " ("))
        << lines[26].toStdString();
}

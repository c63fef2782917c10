#include "model/DiagnosticsReport.h"

#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "model/FilenamePattern.h"
#include "support/Poll.h"

#include <QDateTime>

#include "takes/TakeSheet.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

TEST(DiagnosticsListingTest, CountsAudioAndTotalAndListsTheNewest)
{
    TempDir dir;
    const qint64 base = 1'700'000'000;
    // Upper-case extensions are audio all the same; the oldest is left out of the listing.
    int age = 4;
    for (const char* name : {"Song-01-001.FLAC", "Song-01-002.WAV", "Song-01-003.wav"})
        ASSERT_TRUE(setModificationTime(dir.write(name), double(base - age--))) << name;
    // Three others, one of them a folder; hidden entries count nowhere, audio or not.
    for (const char* other : {"Song.rpp", "notes.txt", ".DS_Store", ".hidden-take.wav"})
        dir.write(other);
    dir.makeFolder("Peaks");

    const auto at = [&](int ago) {
        return QDateTime::fromSecsSinceEpoch(base - ago).toString("yyyy-MM-dd HH:mm:ss");
    };
    EXPECT_EQ(
        DiagnosticsReport::recentFileReport(
            dir.path(), FilenamePattern::compile(FilenamePattern::defaultPattern()).pattern, 2),
        (QStringList{"Audio files in " + dir.path() +
                         " (2 of 3 audio / 6 total files, newest first):",
                     "  " + at(2) + "  Song-01-003.wav  \u2192 groups: [\"Song\", \"003\"]",
                     "  " + at(3) + "  Song-01-002.WAV  \u2192 groups: [\"Song\", \"002\"]"}));
}

TEST(DiagnosticsCaptureTest, Summaries)
{
    const std::tuple<const char*, const char*, QString> cases[] = {
        {"MySession-03-042.wav", nullptr, "no active pattern"},
        {"notes.wav", "(.*)-\\d+-(\\d{3,})\\.wav$", "no match"},
        {"take-12.wav", "(?:(x)|take)-(\\d+)", "groups: [\u2205, \"12\"]"},
    };
    for (const auto& [name, regex, summary] : cases) { // a null regex: no pattern
        const CompiledPattern pattern = regex ? FilenamePattern::compile(regex).pattern : nullptr;
        ASSERT_TRUE(pattern || !regex) << regex;
        EXPECT_EQ(DiagnosticsReport::captureSummary(name, pattern), summary)
            << name << " with " << (regex ? regex : "no pattern");
    }
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
    ASSERT_EQ(lines.size(), 28) << report->toStdString();
    EXPECT_EQ(lines[4], "Window system: none (no display)") << "nothing set it in this process";
    EXPECT_EQ(lines.mid(6, 14),
              (QStringList{"DAW selection: pinned: Ableton Live", "Detected DAW: Ableton Live",
                           "Status: recording; shown: Recording 42", "Last take file: take-042.wav",
                           "Piece: Verse", "Project: Album (/music/Album/Album.als)",
                           "Take derivation: max", "Show next take when idle: off", "",
                           "Folder mode: manual", "Effective folder: " + folder, "",
                           "REAPER regex: (broken", "Regex is default: no"}));
    EXPECT_TRUE(lines[20].startsWith("Regex error: ") && lines[20] != "Regex error: none")
        << lines[20].toStdString();
    EXPECT_EQ(lines[22], "Remote display: off") << "an error of a display that is off";
    EXPECT_EQ(lines[24],
              "Audio files in " + folder + " (1 of 1 audio / 1 total files, newest first):");
    // Ableton Live is on display, so its pattern, "(\d+)", reads the names.
    EXPECT_TRUE(lines[25].endsWith("  Bass 3.wav  \u2192 groups: [\"3\"]"))
        << lines[25].toStdString();
    EXPECT_EQ(lines[26], "Folder listing: not listed yet") << "no scan has listed it here";
    EXPECT_TRUE(lines[27].startsWith("Take sheet: " + TakeSheet::defaultPath() + " ("))
        << lines[27].toStdString();
}

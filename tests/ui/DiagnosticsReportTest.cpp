#include "model/DiagnosticsReport.h"

#include "QtPrinters.h"
#include "model/FilenamePattern.h"
#include "model/FolderWatcher.h"
#include "model/UserDefaults.h"
#include "support/FakeProvider.h"
#include "support/Poll.h"
#include "support/TempDir.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

CompiledPattern compile(const QString& pattern)
{
    return FilenamePattern::compile(pattern).pattern;
}

// A watcher over fake REAPER and Ableton Live providers that do not run, with settings in a
// throwaway file; only the start-up scan runs, and it has come back when this returns.
class Watcher
{
public:
    Watcher()
        : settings(dir.filePath(QStringLiteral("Quorvel.conf"))),
          reaper(std::make_shared<FakeProvider>(DAWId::reaper, QStringLiteral("REAPER"))),
          ableton(std::make_shared<FakeProvider>(DAWId::ableton, QStringLiteral("Ableton Live"),
                                                 QStringLiteral("^(.+) (\\d+)\\.wav$")))
    {
        settings.registerApplicationDefaults();
        reaper->setRunning(false);
        ableton->setRunning(false);
        watcher = std::make_unique<FolderWatcher>(FolderWatcher::ProviderList{reaper, ableton},
                                                  settings, nullptr, std::chrono::hours(1), 0);
        bool applied = false;
        QObject::connect(watcher.get(), &FolderWatcher::scanApplied, watcher.get(),
                         [&applied] { applied = true; });
        EXPECT_TRUE(pollUntil([&] { return applied; }));
        QObject::disconnect(watcher.get(), &FolderWatcher::scanApplied, nullptr, nullptr);
    }

    TempDir dir;
    UserDefaults settings;
    std::shared_ptr<FakeProvider> reaper;
    std::shared_ptr<FakeProvider> ableton;
    std::unique_ptr<FolderWatcher> watcher;
};

} // namespace

TEST(DiagnosticsListingTest, CountsAudioAndTotalAndListsTheNewestFifteen)
{
    TempDir dir;
    const double base = 1'700'000'000;
    for (int i = 1; i <= 40; ++i) {
        const QString path = dir.write(QStringLiteral("Song-01-%1.wav").arg(i, 3, 10, QChar('0')));
        ASSERT_TRUE(setModificationTime(path, base + i));
    }
    dir.write(QStringLiteral("Song.rpp"));
    dir.write(QStringLiteral("notes.txt"));
    dir.makeFolder(QStringLiteral("Peaks"));
    dir.write(QStringLiteral(".DS_Store"));
    dir.write(QStringLiteral(".hidden-take.wav"));

    const QStringList lines = DiagnosticsReport::recentFileReport(
        dir.path(), compile(FilenamePattern::defaultPattern()), 15);
    ASSERT_EQ(lines.size(), 16) << lines.join("\n").toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Audio files in %1 (15 of 40 audio / 43 total files, "
                                       "newest first):")
                            .arg(dir.path()));
    // Newest first: 040 down to 026, each with what the pattern captured.
    for (int row = 1; row <= 15; ++row) {
        const QString number = QStringLiteral("%1").arg(41 - row, 3, 10, QChar('0'));
        const QString time = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(base) + 41 - row)
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        EXPECT_EQ(lines[row],
                  QStringLiteral("  %1  Song-01-%2.wav  \u2192 groups: [\"Song\", \"%2\"]")
                      .arg(time, number))
            << row;
    }
}

TEST(DiagnosticsListingTest, EdgeCases)
{
    struct Case
    {
        const char* name;
        std::function<std::optional<QString>(TempDir&)> arrange;
        std::function<QStringList(const QString&)> expected;
    };
    const std::vector<Case> cases{
        {"no folder", [](TempDir&) { return std::nullopt; },
         [](const QString&) { return QStringList{"Recent files: no folder to list"}; }},
        {"missing folder", [](TempDir& d) { return std::optional<QString>(d.filePath("gone")); },
         [](const QString& f) { return QStringList{"Recent files: could not list " + f}; }},
        {"a file, not a folder",
         [](TempDir& d) { return std::optional<QString>(d.write("plain.txt")); },
         [](const QString& f) { return QStringList{"Recent files: could not list " + f}; }},
        {"only a text file",
         [](TempDir& d) {
             d.write("sub/readme.txt");
             return std::optional<QString>(d.filePath("sub"));
         },
         [](const QString& f) {
             return QStringList{"Audio files in " + f +
                                    " (0 of 0 audio / 1 total files, newest first):",
                                "  (none)"};
         }},
        {"hidden files count nowhere",
         [](TempDir& d) {
             d.write("h/.DS_Store");
             d.write("h/.take.wav");
             return std::optional<QString>(d.filePath("h"));
         },
         [](const QString& f) {
             return QStringList{"Audio files in " + f +
                                    " (0 of 0 audio / 0 total files, newest first):",
                                "  (none)"};
         }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::optional<QString> folder = c.arrange(dir);
        EXPECT_EQ(DiagnosticsReport::recentFileReport(folder, {}, 15),
                  c.expected(folder.value_or(QString())))
            << c.name;
    }
}

TEST(DiagnosticsListingTest, UpperCaseExtensionsAreAudio)
{
    TempDir dir;
    dir.write(QStringLiteral("TAKE-01-001.WAV"));
    dir.write(QStringLiteral("loop.Flac"));
    dir.write(QStringLiteral("cover.png"));
    const QStringList lines = DiagnosticsReport::recentFileReport(dir.path(), {}, 15);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith("(2 of 2 audio / 3 total files, newest first):"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith("  \u2192 no active pattern"));
}

TEST(DiagnosticsCaptureTest, Summaries)
{
    struct Case
    {
        const char* name;
        const char* pattern; // nullptr: no pattern
        QString summary;
    } cases[] = {
        {"MySession-03-042.wav", "(.*)-\\d+-(\\d{3,})\\.wav$", "groups: [\"MySession\", \"042\"]"},
        {"MySession-03-042.wav", nullptr, "no active pattern"},
        {"notes.wav", "(.*)-\\d+-(\\d{3,})\\.wav$", "no match"},
        {"take.wav", "\\.wav$", "matches (no capture groups)"},
        {"take-12.wav", "(?:(x)|take)-(\\d+)", "groups: [\u2205, \"12\"]"},
        {"TAKE-7.WAV", "take-(\\d+)\\.wav", "groups: [\"7\"]"},
    };
    for (const auto& c : cases) {
        const CompiledPattern pattern = c.pattern ? compile(QString::fromUtf8(c.pattern)) : nullptr;
        if (c.pattern) {
            ASSERT_TRUE(pattern) << c.pattern;
        }
        EXPECT_EQ(DiagnosticsReport::captureSummary(QString::fromUtf8(c.name), pattern), c.summary)
            << c.name << " with " << (c.pattern ? c.pattern : "no pattern");
    }
}

TEST(DiagnosticsStateTest, RemoteDisplayLineInItsThreeForms)
{
    EXPECT_EQ(DiagnosticsReport::remoteDisplayLine(false, false, std::nullopt),
              "Remote display: off");
    EXPECT_EQ(DiagnosticsReport::remoteDisplayLine(false, false, QString("stale")),
              "Remote display: off");
    EXPECT_EQ(DiagnosticsReport::remoteDisplayLine(true, true, std::nullopt),
              "Remote display: on \u2014 running");
    EXPECT_EQ(DiagnosticsReport::remoteDisplayLine(true, false, QString("Port 8787 is in use.")),
              "Remote display: on \u2014 not running, error: Port 8787 is in use.");
}

TEST(DiagnosticsStateTest, LinesOfAFreshStart)
{
    Watcher w;
    const QDateTime now(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone(3600));
    const QStringList lines =
        DiagnosticsReport::stateLines(*w.watcher, now, "0.1.0 (Qt 6)", "OS: Test");
    const QStringList expected{
        "Quorvel diagnostics",
        "Generated: 2024-03-05 14:07:09 +0100",
        "App version: 0.1.0 (Qt 6)",
        "OS: Test",
        "",
        "DAW selection: auto-detect",
        "Detected DAW: none",
        "Status: idle; shown: Next take \u2014",
        "Last take file: none",
        "Piece: \u2014",
        "Project: \u2014 (no project path)",
        "Take derivation: mode",
        "Show next take when idle: on",
        "",
        "Folder mode: auto",
        "Effective folder: none",
        "",
        "REAPER regex: " + FilenamePattern::defaultPattern(),
        "Regex is default: yes",
        "Regex error: none",
        "",
        "Remote display: off",
        "",
    };
    EXPECT_EQ(lines, expected) << lines.join("\n").toStdString();
}

TEST(DiagnosticsStateTest, LinesOfABusySession)
{
    Watcher w;
    w.watcher->setDawSelection(DAWSelection::manual(DAWId::ableton));
    w.watcher->setTakeDerivation(TakeDerivation::max);
    w.watcher->setShowNextTakeWhenIdle(false);
    w.watcher->setFilenamePattern(QStringLiteral("(broken"));
    w.watcher->selectManualFolder([](const QString&) { return std::optional<QString>("/takes"); });
    DAWSnapshot snapshot = snapshotWithTake("042", true, QString("Verse"));
    snapshot.projectName = QStringLiteral("Album");
    snapshot.detectedProjectPath = QStringLiteral("/music/Album/Album.als");
    w.watcher->apply({{w.ableton, snapshot}});
    w.watcher->setRemoteDisplayStatus(false, QStringLiteral("Port 8787 is in use."));

    const QStringList lines =
        DiagnosticsReport::stateLines(*w.watcher, QDateTime::currentDateTime(), "v", "OS: Test");
    EXPECT_EQ(lines[5], "DAW selection: pinned: Ableton Live");
    EXPECT_EQ(lines[6], "Detected DAW: Ableton Live");
    EXPECT_EQ(lines[7], "Status: recording; shown: Recording 42");
    EXPECT_EQ(lines[8], "Last take file: take-042.wav");
    EXPECT_EQ(lines[9], "Piece: Verse");
    EXPECT_EQ(lines[10], "Project: Album (/music/Album/Album.als)");
    EXPECT_EQ(lines[11], "Take derivation: max");
    EXPECT_EQ(lines[12], "Show next take when idle: off");
    EXPECT_EQ(lines[14], "Folder mode: manual");
    EXPECT_EQ(lines[15], "Effective folder: /takes");
    EXPECT_EQ(lines[17], "REAPER regex: (broken");
    EXPECT_EQ(lines[18], "Regex is default: no");
    EXPECT_TRUE(lines[19].startsWith("Regex error: ") && lines[19] != "Regex error: none")
        << lines[19].toStdString();
    EXPECT_EQ(lines[21], "Remote display: off");
}

TEST(DiagnosticsReportTest, GenerateListsTheFolderWithTheDetectedDAWsPattern)
{
    Watcher w;
    const QString folder = w.dir.makeFolder(QStringLiteral("Takes"));
    w.dir.write(QStringLiteral("Takes/Bass 3.wav"));
    w.watcher->selectManualFolder([&](const QString&) { return std::optional<QString>(folder); });
    w.watcher->apply({{w.ableton, DAWSnapshot{}}});

    std::optional<QString> report;
    QObject context;
    DiagnosticsReport::generate(*w.watcher, &context, [&](const QString& text) { report = text; });
    ASSERT_TRUE(pollUntil([&] { return report.has_value(); }));
    const QStringList lines = report->split(u'\n');
    EXPECT_EQ(lines.first(), "Quorvel diagnostics");
    EXPECT_FALSE(report->endsWith(u'\n'));
    ASSERT_EQ(lines.size(), 25) << report->toStdString();
    EXPECT_EQ(lines[22], "");
    EXPECT_EQ(lines[23],
              "Audio files in " + folder + " (1 of 1 audio / 1 total files, newest first):");
    // Ableton Live is on display, so its pattern reads the name.
    EXPECT_TRUE(lines[24].endsWith("  Bass 3.wav  \u2192 groups: [\"Bass\", \"3\"]"))
        << lines[24].toStdString();
}

TEST(DiagnosticsReportTest, CompletionIsDroppedWhenItsContextIsGone)
{
    Watcher w;
    bool called = false;
    auto context = std::make_unique<QObject>();
    DiagnosticsReport::generate(*w.watcher, context.get(), [&](const QString&) { called = true; });
    context.reset();
    // A second report runs after the first on the same serial thread, so once it has arrived the
    // first has had its chance.
    bool second = false;
    QObject alive;
    DiagnosticsReport::generate(*w.watcher, &alive, [&](const QString&) { second = true; });
    ASSERT_TRUE(pollUntil([&] { return second; }));
    EXPECT_FALSE(called);
}

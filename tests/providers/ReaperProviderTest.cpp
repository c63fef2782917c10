#include "providers/ReaperProvider.h"

#include "model/FilenamePattern.h"
#include "platform/FileFixtures.h"
#include "providers/DetectionFixtures.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;
using namespace Qt::Literals::StringLiterals;

namespace {

DAWScanContext automaticContext()
{
    DAWScanContext context;
    context.pattern = FilenamePattern::compile(FilenamePattern::defaultPattern()).pattern;
    return context;
}

} // namespace

// The rec-pass is the last group; the piece is group 1 of two or more, else the piece tag: the text
// before the first "-" unless it is empty or all numeric (in any script).
TEST(ReaperProviderTest, ParsesRecPassAndPiece)
{
    const char* two = R"((.*)-\d+-(\d{3,})\.wav$)"; // the default
    const char* one = R"((\d+)\.wav$)";
    const std::tuple<const char*, const char*, std::optional<QString>, std::optional<QString>>
        cases[] = {
            {two, "MySession-03-042.wav", "042", "MySession"},
            {two, "2024-03-042.wav", "042", std::nullopt}, // numeric piece
            {one, "My Session-03-042.wav", "042", "My Session"},
            {one, "\u0663\u0664-01.wav", "01", std::nullopt}, // Arabic-Indic digits are numeric
            {R"(\d+\.wav$)", "MySession-03-042.wav", std::nullopt, std::nullopt}, // no group
            {R"((?:(x)|y)-(\d+)\.wav$)", "y-12.wav", "12", std::nullopt}, // group 1 took no part
            {R"((.*)-(\d+)?x\.wav$)", "Song-x.wav", std::nullopt, std::nullopt}, // last absent
            {nullptr, "MySession-03-042.wav", std::nullopt, std::nullopt},
        };
    for (const auto& [text, filename, recPass, piece] : cases) {
        const CompiledPattern pattern =
            text ? FilenamePattern::compile(QString::fromUtf8(text)).pattern : nullptr;
        const auto parsed = ReaperProvider::parse(QString::fromUtf8(filename), pattern);
        const std::string label = std::string(text ? text : "<none>") + " on " + filename;
        EXPECT_EQ(parsed ? std::optional(parsed->recPass) : std::nullopt, recPass) << label;
        EXPECT_EQ(parsed ? parsed->pieceName : std::nullopt, piece) << label;
    }
}

// reaper.ini files in a folder ("@" in a row) holding the projects A, B and U+FFFD, which an
// entry that is not UTF-8 would name if it were decoded with replacements. (Line ends and damaged
// files are the fuzz harness's.)
TEST(ReaperProviderTest, ReadsTheMostRecentProject)
{
    TempDir dir;
    for (const char* project : {"A", "B", "\xef\xbf\xbd"})
        dir.write(QString::fromUtf8(project) + ".RPP");
    const std::tuple<const char*, QByteArray, const char*> cases[] = {
        {"recent01 before recent02", "[Recent]\nrecent02=@/B.RPP\nrecent01=@/A.RPP\n", "@/A.RPP"},
        {"recent01 missing: no older one", "[Recent]\nrecent01=@/Gone.RPP\nrecent02=@/B.RPP\n",
         nullptr},
        {"relative path", "[Recent]\nrecent01=A.RPP\n", nullptr},
        {"section ends", "[Recent]\nrecent02=@/B.RPP\n  [Other]\nrecent01=@/A.RPP\n", "@/B.RPP"},
        {"bad bytes in a later entry", "[Recent]\nrecent01=@/A.RPP\nrecent02=@/\xff.RPP\n",
         "@/A.RPP"},
        {"bad bytes in the most recent", "[Recent]\nrecent01=@/\xff.RPP\nrecent02=@/B.RPP\n",
         nullptr},
    };
    const QString ini = dir.filePath("reaper.ini");
    const QByteArray at = QFile::encodeName(dir.path());
    for (const auto& [label, contents, project] : cases) {
        dir.write("reaper.ini", QByteArray(contents).replace('@', at));
        EXPECT_EQ(ReaperProvider::mostRecentProject(ini),
                  project ? std::optional(QString::fromUtf8(project).replace(u'@', dir.path()))
                          : std::nullopt)
            << label;
    }

    // Never read: a FIFO would block forever, a huge file is no configuration file.
    const QString fifo = dir.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.write("huge.ini", "[Recent]\nrecent01=" + at + "/A.RPP\n");
    ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), 64LL * 1024 * 1024), 0);
    for (const QString& path : {fifo, huge, dir.filePath("missing.ini"), dir.makeFolder("d.ini")})
        EXPECT_EQ(ReaperProvider::mostRecentProject(path), std::nullopt) << path.toStdString();
}

// Each rule for the folder and project, on one real tree. Paths are relative to it; lists of them
// are separated by spaces. P/Media also holds entries that must be skipped one by one: a link
// loop, a dangling link and a name that is not UTF-8, all of which would be the newest takes.
TEST(ReaperProviderTest, FindsTheFolderAndProject)
{
    TempDir dir;
    dir.write("P/Session.RPP");
    dir.write("R/Recent.RPP");
    writeFiles(dir, "P", "Song-01-041.wav:60 Media/Song-02-042.wav:1");
    writeFiles(dir, "R", "Recent-01-003.wav:30");
    writeFiles(dir, "Elsewhere", "Other-01-017.wav:50");
    const QByteArray media = QFile::encodeName(dir.filePath("P/Media"));
    ASSERT_EQ(::symlink("Loop-01-900.wav", (media + "/Loop-01-900.wav").constData()), 0);
    ASSERT_EQ(::symlink("/nonexistent", (media + "/Dangling-01-901.wav").constData()), 0);
    const RawFile bad(dir.filePath("P/Media"), "Bad\xff-01-950.wav"); // dated now, after fixedNow
    ASSERT_TRUE(bad.created);
    auto at = [&dir](const char* relative) {
        return relative ? std::optional(dir.filePath(relative)) : std::nullopt;
    };
    const char* automatic = nullptr;
    struct Case
    {
        const char *label, *open, *recent, *previousFolder, *previousProject;
        const char* manual; // automatic or the manual folder
        const char *folder, *project, *name, *take;
        bool recording;
    } cases[] = {
        {"an open project settles it; an open take below it counts, one that vanished is old",
         "P/Session.RPP P/Media/Gone/Song-09-099.wav P/Media/Song-02-042.wav", "R/Recent.RPP",
         nullptr, nullptr, automatic, "P", "P/Session.RPP", "Session", "Song-02-042.wav", true},
        {"open takes below the recent project", "P/Media/Song-02-042.wav", "P/Session.RPP", nullptr,
         nullptr, automatic, "P/Media", "P/Session.RPP", "Session", "Song-02-042.wav", true},
        {"recent project elsewhere: the previous path", "P/Media/Song-02-042.wav", "R/Recent.RPP",
         nullptr, "P/Session.RPP", automatic, "P/Media", "P/Session.RPP", "Session",
         "Song-02-042.wav", true},
        {"recent project in a folder that merely starts the same", "P/Media/Song-02-042.wav",
         "P/Med/Look.RPP", nullptr, nullptr, automatic, "P/Media", nullptr, "P", "Song-02-042.wav",
         true},
        {"nothing open: the previous folder, recent project ignored", "", "R/Recent.RPP", "P/Media",
         "P/Session.RPP", automatic, "P/Media", "P/Session.RPP", "Session", "Song-02-042.wav",
         true},
        {"manual folder listed instead", "P/Session.RPP", nullptr, nullptr, nullptr, "Elsewhere",
         "P", "P/Session.RPP", "Elsewhere", "Other-01-017.wav", false},
        {"manual folder that cannot be listed", "P/Media/Song-02-042.wav", nullptr, nullptr,
         nullptr, "Deleted/Media", "P/Media", nullptr, "Deleted", nullptr, false},
    };
    for (const auto& c : cases) {
        auto context = automaticContext();
        context.previousDetectedFolder = at(c.previousFolder);
        context.previousDetectedProjectPath = at(c.previousProject);
        if (c.manual != automatic) {
            context.folderMode = FolderMode::manual;
            context.manualFolder = at(c.manual);
        }
        const QStringList relative = QString(c.open).split(u' ', Qt::SkipEmptyParts);
        QStringList open = {QStringLiteral("/usr/lib/libc.so.6")};
        for (const QString& path : relative)
            open.append(dir.filePath(path));
        int asked = 0;
        const auto recentProject = [&] {
            ++asked;
            return at(c.recent);
        };
        DAWSnapshot snapshot = ReaperProvider::detect(context, open, recentProject, fixedNow);
        // Which take won; how it is parsed is the next tests' concern.
        const auto take = std::exchange(snapshot.currentTake, std::nullopt);
        snapshot.takeFolder.reset();
        EXPECT_EQ(take ? take->filename.toStdString() : "none", c.take ? c.take : "none")
            << c.label;
        const auto name = c.name ? std::optional(QString(c.name)) : std::nullopt;
        EXPECT_EQ(snapshot, (DAWSnapshot{at(c.folder), at(c.project), name, {}, c.recording, {}}))
            << c.label;
        // An open project settles it without reaper.ini; otherwise that is read at most once.
        EXPECT_LE(asked, relative.contains("P/Session.RPP") ? 0 : 1) << c.label;
    }
}

// What the folder holds decides the take: the newest parsing .wav directly inside it.
TEST(ReaperProviderTest, TakesTheNewestParsedTakeOfTheFolder)
{
    struct Case
    {
        const char *label, *files;          // files: name:age, see writeFiles
        const char *take, *recPass, *piece; // take: nullptr for none
        bool recording;
    } cases[] = {
        {"3.9 s old", "Song-01-005.wav:3.9", "Song-01-005.wav", "005", "Song", true},
        {"4.0 s old", "Song-01-005.wav:4.0", "Song-01-005.wav", "005", "Song", false},
        {"dated in the future", "Song-01-005.wav:-30", "Song-01-005.wav", "005", "Song", true},
        {"newest wins, capitals listed",
         "Song-01-010.wav:300 Song-02-011.WAV:20 Song-01-011.wav:200", "Song-02-011.WAV", "011",
         "Song", false},
        {"no .wav, or no match", "Song-01-001.wav:50 Song-01-999.txt:1 scratch.wav:1",
         "Song-01-001.wav", "001", "Song", false},
        {"nothing parses", "readme.wav:1", nullptr, nullptr, nullptr, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeFiles(dir, "Takes", c.files);
        auto context = automaticContext();
        context.previousDetectedFolder = dir.filePath("Takes");
        const auto snapshot = ReaperProvider::detect(context, {}, nullptr, fixedNow);
        const auto take =
            c.take ? std::optional(RecordingPass{c.take, c.recPass, c.piece}) : std::nullopt;
        EXPECT_EQ(snapshot,
                  (DAWSnapshot{dir.filePath("Takes"), std::nullopt, "Takes", take, c.recording,
                               take ? std::optional(dir.filePath("Takes")) : std::nullopt}))
            << c.label;
    }
}

// A pattern that backtracks on every name of the folder spends the scan's matching budget and is
// reported; the names are 40 "x" long, so each search alone would cost many times the budget.
TEST(ReaperProviderTest, APatternTooSlowForTheFolderIsReported)
{
    const QString runaway = uR"((x+x+)+y(\d+)\.wav$)"_s;
    const QString slowNames = [] {
        QStringList entries;
        for (int i = 1; i <= 20; ++i)
            entries << u"x"_s.repeated(40) + QString::number(i).rightJustified(5, u'0') +
                           u".wav:"_s + QString::number(10 + i);
        return entries.join(u' ');
    }();
    // The names listed, the rec-pass read, and whether the budget ran out.
    const std::tuple<QString, std::optional<QString>, bool> cases[] = {
        {slowNames, std::nullopt, true},
        {u"xxy00099.wav:1 "_s + slowNames, u"00099"_s, false}, // the newest parses first
        {slowNames + u" xxy00099.wav:99"_s, std::nullopt, true}, // the budget ends before it
    };
    for (const auto& [files, recPass, tooSlow] : cases) {
        TempDir dir;
        writeFiles(dir, "Takes", files.toUtf8().constData());
        DAWScanContext context;
        context.pattern = FilenamePattern::compile(runaway).pattern;
        context.previousDetectedFolder = dir.filePath("Takes");
        const auto snapshot = ReaperProvider::detect(context, {}, nullptr, fixedNow);
        const auto label = files.left(20).toStdString();
        EXPECT_EQ(snapshot.currentTake ? std::optional(snapshot.currentTake->recPass)
                                       : std::nullopt,
                  recPass)
            << label;
        EXPECT_EQ(snapshot.filenamePatternTooSlow, tooSlow) << label;
    }
}

// Started between takes, with nothing open: reaper.ini names the project, and the project's
// record path leads to its takes in Media.
TEST(ReaperProviderTest, ScanFindsTheRecentProjectsTakesInItsRecordFolder)
{
    const QByteArray savedHome = qgetenv("HOME");
    TempDir home;
    const QString project =
        home.write("Projects/Song/Song.RPP", "<REAPER_PROJECT 0.1 \"7.0\" 0\n  RIPPLE 0\n"
                                             "  RECORD_PATH Media \"\"\n  <TRACK\n  >\n>\n");
    writeAged(home, "Projects/Song/Media/Song-01-021.wav", 100);
    writeAged(home, "Projects/Song/Media/Song-01-020.wav", 200);
    writeAged(home, "Projects/Song/Old-01-002.wav", 300);
    home.write(".config/REAPER/reaper.ini",
               "[REAPER]\nx=1\n[Recent]\nrecent01=" + project.toUtf8() + "\n");
    qputenv("HOME", home.path().toUtf8());
    auto facts = ReaperProvider::platformFacts();
    // Names no process has, so that nothing is open and the scan falls back on reaper.ini.
    facts.applicationNames = QStringList{QStringLiteral("qv-no-such")};
    facts.windowsExecutableNames.clear();
    const auto snapshot = ReaperProvider(facts).scan(automaticContext());
    qputenv("HOME", savedHome);
    EXPECT_EQ(snapshot, (DAWSnapshot{home.filePath("Projects/Song"), project, "Song",
                                     RecordingPass{"Song-01-021.wav", "021", "Song"}, false,
                                     home.filePath("Projects/Song/Media")}));
}

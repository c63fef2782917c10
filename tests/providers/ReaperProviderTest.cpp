#include "providers/ReaperProvider.h"

#include "model/FilenamePattern.h"
#include "platform/RawFile.h"
#include "providers/CommandFilter.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel;
using quorvel::test::TempDir;

namespace {

constexpr double fixedNow = 1700000000.0;
const FileTime now{std::chrono::seconds(1700000000)};

// The literal's bytes, NULs included.
template <size_t N> QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

CompiledPattern compiled(const QString& text)
{
    return FilenamePattern::compile(text).pattern;
}

CompiledPattern defaultPattern()
{
    return compiled(FilenamePattern::defaultPattern());
}

DAWScanContext automaticContext()
{
    DAWScanContext context;
    context.pattern = defaultPattern();
    return context;
}

ReaperProvider::RecentProjectSource recentProject(std::optional<QString> path)
{
    return [path] { return path; };
}

const ReaperProvider::RecentProjectSource noRecentProject = recentProject(std::nullopt);

// Writes a file and dates it secondsAgo before the fixed now.
QString take(const TempDir& dir, const QString& relative, double secondsAgo)
{
    const QString path = dir.write(relative, "RIFF");
    EXPECT_TRUE(test::setModificationTime(path, fixedNow - secondsAgo)) << relative.toStdString();
    return path;
}

std::string describe(const DAWSnapshot& s)
{
    auto text = [](const std::optional<QString>& v) {
        return v ? "\"" + v->toStdString() + "\"" : std::string("none");
    };
    std::string take = "none";
    if (s.currentTake) {
        take = s.currentTake->filename.toStdString() + " pass " +
               s.currentTake->recPass.toStdString() + " piece " + text(s.currentTake->pieceName);
    }
    return "folder " + text(s.detectedFolder) + ", project " + text(s.detectedProjectPath) +
           ", name " + text(s.projectName) + ", take " + take +
           (s.isRecording ? ", recording" : ", idle");
}

} // namespace

TEST(ReaperProviderTest, RunsUnderItsApplicationNames)
{
    const ReaperProvider provider;
    struct Case
    {
        std::optional<QString> name;
        bool running;
    } cases[] = {
        {QStringLiteral("REAPER"), true},   {QStringLiteral("reaper"), true},
        {QStringLiteral("Reaper"), false},  {QStringLiteral("REAPER "), false},
        {QStringLiteral("REAPER2"), false}, {std::nullopt, false},
    };
    for (const auto& c : cases) {
        const std::vector<RunningApplication> apps{{QStringLiteral("bash"), std::nullopt, true},
                                                   {c.name, std::nullopt, true}};
        EXPECT_EQ(provider.isRunningAmong(apps), c.running)
            << c.name.value_or("<none>").toStdString();
    }
    EXPECT_FALSE(provider.isRunningAmong({}));

    // Where REAPER only ever runs as "REAPER", the Linux build's name means nothing.
    const ReaperProvider strict({{QStringLiteral("REAPER")}, QStringLiteral("/^REAPER$/"), {}});
    EXPECT_FALSE(strict.isRunningAmong({{QStringLiteral("reaper"), std::nullopt, true}}));
    EXPECT_TRUE(strict.isRunningAmong({{QStringLiteral("REAPER"), std::nullopt, true}}));
}

TEST(ReaperProviderTest, OpenFileFilterMatchesBothLinuxNames)
{
    const ReaperProvider provider;
    const CommandFilter filter(provider.facts().commandFilter, 15);
    EXPECT_TRUE(filter.matches("REAPER"));
    EXPECT_TRUE(filter.matches("reaper"));
    EXPECT_FALSE(filter.matches("Reaper"));
    EXPECT_FALSE(filter.matches("reaper_host64"));
    EXPECT_EQ(provider.facts().configFileUnderHome, u".config/REAPER/reaper.ini");
}

TEST(ReaperProviderTest, DescribesItself)
{
    const ReaperProvider provider;
    EXPECT_EQ(provider.id(), DAWId::reaper);
    EXPECT_EQ(provider.displayName(), u"REAPER");
    EXPECT_EQ(provider.defaultFilenamePattern(), QStringLiteral(R"((.*)-\d+-(\d{3,})\.wav$)"));
}

TEST(ReaperProviderTest, ParsesRecPassAndPiece)
{
    struct Case
    {
        const char* pattern; // nullptr: no pattern
        const char* filename;
        std::optional<QString> recPass;
        std::optional<QString> piece;
    } cases[] = {
        {R"((.*)-\d+-(\d{3,})\.wav$)", "MySession-03-042.wav", "042", "MySession"},
        {R"((.*)-\d+-(\d{3,})\.wav$)", "MySession-03-042.WAV", "042", "MySession"},
        {R"((.*)-\d+-(\d{3,})\.wav$)", "My Song [live] 🎵-03-007.wav", "007",
         QString::fromUtf8("My Song [live] 🎵")},
        {R"((.*)-\d+-(\d{3,})\.wav$)", "MySession-03-42.wav", std::nullopt, std::nullopt},
        {R"((.*)-\d+-(\d{3,})\.wav$)", "2024-03-042.wav", "042", std::nullopt}, // numeric piece
        {R"((.*)-\d+-(\d{3,})\.wav$)", "-03-042.wav", "042", std::nullopt},     // empty piece
        {R"((\d+)\.wav$)", "MySession-03-042.wav", "042", "MySession"},         // via pieceTag
        {R"((\d+)\.wav$)", "2024-05-01.wav", "01", std::nullopt},
        {R"((\d+)\.wav$)", "042.wav", "042", std::nullopt},
        {R"(\d+\.wav$)", "MySession-03-042.wav", std::nullopt, std::nullopt}, // no group
        {R"((?:(x)|y)-(\d+)\.wav$)", "y-12.wav", "12", std::nullopt}, // group 1 not taking part
        {R"((.*)-(\w+)\.wav$)", "Song-abc.wav", "abc", "Song"},       // non-numeric rec-pass
        {R"((.*)-(\d+)?x\.wav$)", "Song-x.wav", std::nullopt, std::nullopt}, // last group absent
        {nullptr, "MySession-03-042.wav", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const CompiledPattern pattern =
            c.pattern ? compiled(QString::fromUtf8(c.pattern)) : nullptr;
        const auto parsed = ReaperProvider::parse(QString::fromUtf8(c.filename), pattern);
        const std::string label =
            std::string(c.pattern ? c.pattern : "<none>") + " on " + c.filename;
        ASSERT_EQ(parsed.has_value(), c.recPass.has_value()) << label;
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->recPass, *c.recPass) << label;
        EXPECT_EQ(parsed->pieceName, c.piece) << label;
    }
}

TEST(ReaperProviderTest, PieceTagIsTheTextBeforeTheFirstDash)
{
    struct Case
    {
        const char* filename;
        std::optional<QString> tag;
    } cases[] = {
        {"MySession-03-042.wav", "MySession"},
        {"My Session-03-042.wav", "My Session"},
        {"-03-042.wav", std::nullopt},
        {"nodash.wav", std::nullopt},
        {"2024-05-01.wav", std::nullopt},
        {"\u0663\u0664-01.wav", std::nullopt}, // Arabic-Indic digits are numeric too
        {"\u00bd-01.wav", std::nullopt},       // so is a vulgar fraction
        {"Take\u00bd-01.wav", QString::fromUtf8("Take\u00bd")},
        {"2024a-01.wav", "2024a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReaperProvider::pieceTag(QString::fromUtf8(c.filename)), c.tag) << c.filename;
}

TEST(ReaperProviderTest, ReadsTheSmallestRecentKey)
{
    struct Case
    {
        const char* label;
        QByteArray ini;
        std::optional<QString> project;
    } cases[] = {
        {"in order", "[Recent]\nrecent01=/P/A.RPP\nrecent02=/P/B.RPP\n", "/P/A.RPP"},
        {"reversed", "[Recent]\nrecent02=/P/B.RPP\nrecent01=/P/A.RPP\n", "/P/A.RPP"},
        {"no section", "[reaper]\nrecent01=/P/A.RPP\n", std::nullopt},
        {"section ends", "[Recent]\nrecent02=/P/B.RPP\n[Other]\nrecent01=/P/A.RPP\n", "/P/B.RPP"},
        {"indented section end", "[Recent]\nrecent02=/P/B.RPP\n  [Other]\nrecent01=/P/A.RPP\n",
         "/P/B.RPP"},
        {"section name is case-sensitive", "[recent]\nrecent01=/P/A.RPP\n", std::nullopt},
        {"bare key skipped", "[Recent]\nrecent=/P/X.RPP\nrecent03=/P/C.RPP\n", "/P/C.RPP"},
        {"letters skipped", "[Recent]\nrecentX=/P/X.RPP\nrecent03=/P/C.RPP\n", "/P/C.RPP"},
        {"space before = skipped", "[Recent]\nrecent01 =/P/X.RPP\nrecent03=/P/C.RPP\n", "/P/C.RPP"},
        {"key case folded", "[Recent]\nRECENT01=/P/A.RPP\nrecent02=/P/B.RPP\n", "/P/A.RPP"},
        {"signed numbers count", "[Recent]\nrecent01=/P/A.RPP\nrecent-1=/P/M.RPP\n", "/P/M.RPP"},
        {"other keys skipped", "[Recent]\nmaxrecent=20\nrecent05=/P/E.RPP\n", "/P/E.RPP"},
        {"line without =", "[Recent]\ngarbage\nrecent05=/P/E.RPP\n", "/P/E.RPP"},
        {"trimmed", "[Recent]\n \t recent05=/P/E.RPP \t\n", "/P/E.RPP"},
        {"unicode spaces trimmed", "[Recent]\n\xc2\xa0recent05=/P/E.RPP\xe2\x80\x83\n", "/P/E.RPP"},
        {"value kept whole", "[Recent]\nrecent01=/P/a=b.RPP\n", "/P/a=b.RPP"},
        {"crlf", "[Recent]\r\nrecent01=/P/A.RPP\r\nrecent02=/P/B.RPP\r\n", "/P/A.RPP"},
        {"blank lines", "[Recent]\n\n\nrecent01=/P/A.RPP\n", "/P/A.RPP"},
        {"empty section", "[Recent]\n[Next]\n", std::nullopt},
        {"at end of file", "[Recent]", std::nullopt},
        {"no newline at end", "[Recent]\nrecent01=/P/A.RPP", "/P/A.RPP"},
        {"emoji", "[Recent]\nrecent01=/P/\xf0\x9f\x8e\xb5 Song.RPP\n",
         QString::fromUtf8("/P/🎵 Song.RPP")},
        {"bad bytes elsewhere", "[reaper]\nlast=\xff\xfe\n[Recent]\nrecent01=/P/A.RPP\n",
         "/P/A.RPP"},
        {"bad bytes in a later entry", "[Recent]\nrecent01=/P/A.RPP\nrecent02=/P/\xff.RPP\n",
         "/P/A.RPP"},
        {"bad bytes in the most recent", "[Recent]\nrecent01=/P/\xff.RPP\nrecent02=/P/B.RPP\n",
         std::nullopt},
        {"binary", bytes("\x00\x01[Recent]\x00\nrecent01=/P/A.RPP\n"), "/P/A.RPP"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReaperProvider::recentProjectEntry(c.ini), c.project) << c.label;
}

TEST(ReaperProviderTest, RecentProjectMustExist)
{
    TempDir dir;
    const QString a = dir.write("P/A.RPP", "");
    const QString b = dir.write("P/B.RPP", "");
    const QString ini = dir.filePath("reaper.ini");
    auto writeIni = [&](const QByteArray& text) { dir.write("reaper.ini", text); };

    writeIni("[Recent]\nrecent01=" + a.toUtf8() + "\nrecent02=" + b.toUtf8() + "\n");
    EXPECT_EQ(ReaperProvider::mostRecentProject(ini), a);

    // The newest entry's file is gone: no fallback to an older project.
    writeIni("[Recent]\nrecent01=" + dir.filePath("P/Gone.RPP").toUtf8() +
             "\nrecent02=" + b.toUtf8() + "\n");
    EXPECT_EQ(ReaperProvider::mostRecentProject(ini), std::nullopt);

    writeIni("[Recent]\nrecent01=P/A.RPP\n"); // relative: means nothing here
    EXPECT_EQ(ReaperProvider::mostRecentProject(ini), std::nullopt);

    EXPECT_EQ(ReaperProvider::mostRecentProject(dir.filePath("missing.ini")), std::nullopt);
    EXPECT_EQ(ReaperProvider::mostRecentProject(QString()), std::nullopt);
    EXPECT_EQ(ReaperProvider::mostRecentProject(dir.makeFolder("folder.ini")), std::nullopt);
}

TEST(ReaperProviderTest, OddConfigFilesGiveNoRecentProject)
{
    TempDir dir;
    const QString a = dir.write("P/A.RPP", "");

    // A FIFO would block a plain read forever.
    const QString fifo = dir.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(ReaperProvider::mostRecentProject(fifo), std::nullopt);

    // Huge: a valid section, but far beyond any real configuration file.
    const QString huge = dir.write("huge.ini", "[Recent]\nrecent01=" + a.toUtf8() + "\n");
    ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), 64LL * 1024 * 1024), 0);
    EXPECT_EQ(ReaperProvider::mostRecentProject(huge), std::nullopt);

    const QString binary = dir.write("binary.ini", QByteArray(4096, '\xff'));
    EXPECT_EQ(ReaperProvider::mostRecentProject(binary), std::nullopt);

    const QString unreadable =
        dir.write("unreadable.ini", "[Recent]\nrecent01=" + a.toUtf8() + "\n");
    QFile::setPermissions(unreadable, QFileDevice::Permissions());
    if (::geteuid() != 0) { // root reads regardless
        EXPECT_EQ(ReaperProvider::mostRecentProject(unreadable), std::nullopt);
    }
}

TEST(ReaperProviderTest, ConfigFileComesFromHome)
{
    const QByteArray savedHome = qgetenv("HOME");
    TempDir home;
    qputenv("HOME", home.path().toUtf8());
    const ReaperProvider provider;
    EXPECT_EQ(provider.configFilePath(),
              home.path() + QStringLiteral("/.config/REAPER/reaper.ini"));
    qputenv("HOME", "");
    EXPECT_EQ(provider.configFilePath(), QString());
    qputenv("HOME", savedHome);
}

TEST(ReaperProviderTest, ResolvesProjectNames)
{
    struct Case
    {
        std::optional<QString> project;
        std::optional<QString> folder;
        std::optional<QString> name;
    } cases[] = {
        {"/P/Session.RPP", "/P", "Session"},
        {"/P/Session.RPP", "/P/Media", "Session"},
        {"/P/Session.RPP", "/P/Media/", "Session"},
        {"/P/Session.rpp", "/P/Media/sub", "Session"},
        {"/P/Session.RPP", "/Q/Media", "Q"},
        {"/P/Session.RPP", "/PX/Media", "PX"}, // /PX is not below /P
        {"/P/Session.RPP", std::nullopt, std::nullopt},
        {std::nullopt, "/P/Media", "P"},
        {std::nullopt, "/P/media", "P"},
        {std::nullopt, "/Media", "Media"}, // the parent is the root
        {std::nullopt, "/P/Takes", "Takes"},
        {std::nullopt, std::nullopt, std::nullopt},
        {"/P/My.Song.RPP", "/P", "My.Song"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReaperProvider::resolveProjectName(c.project, c.folder), c.name)
            << c.project.value_or("<none>").toStdString() << " / "
            << c.folder.value_or("<none>").toStdString();
    }
}

class ReaperDetectTest : public ::testing::Test
{
protected:
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    TempDir m_dir;
};

TEST_F(ReaperDetectTest, OpenProjectFileDecidesTheFolder)
{
    const QString project = m_dir.write("P/Session.RPP");
    const QString open = take(m_dir, "P/Media/MySession-03-042.wav", 1.0);
    take(m_dir, "P/MySession-01-041.wav", 60.0);
    int asked = 0;
    const auto snapshot = ReaperProvider::detect(
        automaticContext(), {"/usr/lib/libc.so.6", project, open},
        [&asked] {
            ++asked;
            return std::optional<QString>();
        },
        now);
    EXPECT_EQ(snapshot.detectedFolder, path("P")) << describe(snapshot);
    EXPECT_EQ(snapshot.detectedProjectPath, project) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Session") << describe(snapshot);
    // The open take lies in a subfolder the listing does not reach.
    EXPECT_EQ(snapshot.currentTake,
              (RecordingPass{"MySession-03-042.wav", "042", QStringLiteral("MySession")}))
        << describe(snapshot);
    EXPECT_TRUE(snapshot.isRecording) << describe(snapshot);
    EXPECT_EQ(asked, 0); // the open project settles it; reaper.ini is not read
}

TEST_F(ReaperDetectTest, OpenTakesWithRecentProjectAboveThem)
{
    const QString project = m_dir.write("P/Session.RPP");
    const QString a = take(m_dir, "P/Media/MySession-01-042.wav", 0.5);
    const QString b = take(m_dir, "P/Media/MySession-02-042.wav", 0.5);
    const auto snapshot =
        ReaperProvider::detect(automaticContext(), {a, b}, recentProject(project), now);
    EXPECT_EQ(snapshot.detectedFolder, path("P/Media")) << describe(snapshot);
    EXPECT_EQ(snapshot.detectedProjectPath, project) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Session") << describe(snapshot);
    ASSERT_TRUE(snapshot.currentTake) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake->recPass, u"042");
    EXPECT_TRUE(snapshot.isRecording);
}

TEST_F(ReaperDetectTest, OpenTakesWithUnrelatedRecentProjectKeepThePreviousPath)
{
    const QString other = m_dir.write("Q/Other.RPP");
    const QString a = take(m_dir, "P/Media/MySession-01-042.wav", 10.0);
    auto context = automaticContext();

    auto snapshot = ReaperProvider::detect(context, {a}, recentProject(other), now);
    EXPECT_EQ(snapshot.detectedFolder, path("P/Media")) << describe(snapshot);
    EXPECT_EQ(snapshot.detectedProjectPath, std::nullopt) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"P") << describe(snapshot); // Media's parent
    EXPECT_FALSE(snapshot.isRecording);

    context.previousDetectedProjectPath = path("P/Session.RPP");
    snapshot = ReaperProvider::detect(context, {a}, recentProject(other), now);
    EXPECT_EQ(snapshot.detectedProjectPath, path("P/Session.RPP")) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Session") << describe(snapshot);

    // A recent project in a folder whose name merely starts the same is not above the takes.
    const QString lookalike = m_dir.write("P/Media2/Look.RPP");
    snapshot = ReaperProvider::detect(automaticContext(), {a}, recentProject(lookalike), now);
    EXPECT_EQ(snapshot.detectedProjectPath, std::nullopt) << describe(snapshot);
}

TEST_F(ReaperDetectTest, NothingOpenKeepsThePreviousFolderAndIgnoresRecent)
{
    const QString recent = m_dir.write("R/Recent.RPP");
    take(m_dir, "P/Media/MySession-01-007.wav", 100.0);
    auto context = automaticContext();
    context.previousDetectedFolder = path("P/Media");
    context.previousDetectedProjectPath = path("P/Session.RPP");
    const auto snapshot = ReaperProvider::detect(context, {}, recentProject(recent), now);
    EXPECT_EQ(snapshot.detectedFolder, path("P/Media")) << describe(snapshot);
    EXPECT_EQ(snapshot.detectedProjectPath, path("P/Session.RPP")) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Session") << describe(snapshot);
    ASSERT_TRUE(snapshot.currentTake) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake->recPass, u"007");
    EXPECT_FALSE(snapshot.isRecording);
}

TEST_F(ReaperDetectTest, NothingOpenAndNoPreviousFolderUsesTheRecentProject)
{
    const QString recent = m_dir.write("R/Recent.RPP");
    take(m_dir, "R/Recent-01-003.wav", 30.0);
    const auto snapshot =
        ReaperProvider::detect(automaticContext(), {}, recentProject(recent), now);
    EXPECT_EQ(snapshot.detectedFolder, path("R")) << describe(snapshot);
    EXPECT_EQ(snapshot.detectedProjectPath, recent) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Recent") << describe(snapshot);
    ASSERT_TRUE(snapshot.currentTake) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake->recPass, u"003");
}

TEST_F(ReaperDetectTest, NothingAtAllKeepsOnlyThePreviousProjectPath)
{
    auto context = automaticContext();
    context.previousDetectedProjectPath = path("P/Session.RPP");
    const auto snapshot = ReaperProvider::detect(context, {}, noRecentProject, now);
    EXPECT_EQ(snapshot,
              (DAWSnapshot{std::nullopt, path("P/Session.RPP"), std::nullopt, std::nullopt, false}))
        << describe(snapshot);
}

TEST_F(ReaperDetectTest, ManualModeWithoutAFolderReportsNoTakeAndNoName)
{
    const QString project = m_dir.write("P/Session.RPP");
    const QString open = take(m_dir, "P/MySession-01-001.wav", 0.0);
    auto context = automaticContext();
    context.folderMode = FolderMode::manual;
    const auto snapshot = ReaperProvider::detect(context, {project, open}, noRecentProject, now);
    EXPECT_EQ(snapshot.detectedFolder, path("P")) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, std::nullopt) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake, std::nullopt) << describe(snapshot);
    EXPECT_FALSE(snapshot.isRecording);
}

TEST_F(ReaperDetectTest, ManualFolderIsListedInsteadOfTheDetectedOne)
{
    const QString project = m_dir.write("P/Session.RPP");
    take(m_dir, "P/MySession-01-001.wav", 0.0);
    take(m_dir, "Elsewhere/Other-01-017.wav", 50.0);
    auto context = automaticContext();
    context.folderMode = FolderMode::manual;
    context.manualFolder = path("Elsewhere");
    const auto snapshot = ReaperProvider::detect(context, {project}, noRecentProject, now);
    EXPECT_EQ(snapshot.detectedFolder, path("P")) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Elsewhere") << describe(snapshot);
    ASSERT_TRUE(snapshot.currentTake) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake->recPass, u"017");
    EXPECT_FALSE(snapshot.isRecording);
}

TEST_F(ReaperDetectTest, MissingManualFolderStillNamesTheProject)
{
    auto context = automaticContext();
    context.folderMode = FolderMode::manual;
    context.manualFolder = path("Deleted/Media");
    const QString open = take(m_dir, "P/Media/MySession-01-001.wav", 0.0);
    const auto snapshot = ReaperProvider::detect(context, {open}, noRecentProject, now);
    EXPECT_EQ(snapshot.projectName, u"Deleted") << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake, std::nullopt) << describe(snapshot);
    EXPECT_FALSE(snapshot.isRecording);
}

TEST_F(ReaperDetectTest, RecordingWindowEdges)
{
    struct Case
    {
        double secondsAgo;
        bool recording;
    } cases[] = {
        {0.0, true},  {3.9, true},     {3.999, true}, {4.0, false},
        {4.1, false}, {3600.0, false}, {-30.0, true}}; // a date in the future counts as recording
    for (const auto& c : cases) {
        TempDir dir;
        take(dir, "Media/Song-01-005.wav", c.secondsAgo);
        auto context = automaticContext();
        context.previousDetectedFolder = dir.filePath("Media");
        const auto snapshot = ReaperProvider::detect(context, {}, noRecentProject, now);
        ASSERT_TRUE(snapshot.currentTake) << c.secondsAgo << ": " << describe(snapshot);
        EXPECT_EQ(snapshot.isRecording, c.recording) << c.secondsAgo << " s ago";
    }
}

TEST_F(ReaperDetectTest, NewestParsedCandidateWins)
{
    const QString media = m_dir.makeFolder("Media");
    take(m_dir, "Media/Song-01-010.wav", 300.0);
    take(m_dir, "Media/Song-01-011.wav", 200.0);
    take(m_dir, "Media/Song-02-011.WAV", 20.0); // capitals are listed too
    take(m_dir, "Media/notes-01-999.txt", 1.0); // not a .wav
    take(m_dir, "Media/scratch.wav", 1.0);      // newest, but does not parse
    take(m_dir, "Media/.Hidden-01-012.wav", 100.0);
    take(m_dir, "Media/Sub/Deep-01-099.wav", 0.0); // below the folder, and not open
    auto context = automaticContext();
    context.previousDetectedFolder = media;
    const auto snapshot = ReaperProvider::detect(context, {}, noRecentProject, now);
    EXPECT_EQ(snapshot.currentTake,
              (RecordingPass{"Song-02-011.WAV", "011", QStringLiteral("Song")}))
        << describe(snapshot);
    EXPECT_FALSE(snapshot.isRecording);
}

TEST_F(ReaperDetectTest, OddEntriesInTheMediaFolderAreSkipped)
{
    const QString media = m_dir.makeFolder("Media");
    take(m_dir, "Media/Song-01-001.wav", 50.0);
    // A link loop and a dangling link date to the distant past.
    ASSERT_EQ(
        ::symlink("Loop-01-900.wav", QFile::encodeName(media + "/Loop-01-900.wav").constData()), 0);
    ASSERT_EQ(
        ::symlink("/nonexistent", QFile::encodeName(media + "/Dangling-01-901.wav").constData()),
        0);
    // A name that is not UTF-8, newer than everything else.
    const test::RawFile bad(media, "Bad\xff-01-950.wav");
    ASSERT_TRUE(bad.created());
    auto context = automaticContext();
    context.previousDetectedFolder = media;
    const auto snapshot = ReaperProvider::detect(context, {}, noRecentProject, now);
    ASSERT_TRUE(snapshot.currentTake) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake->recPass, u"001") << describe(snapshot);
}

TEST_F(ReaperDetectTest, OpenTakeThatVanishedCountsAsOld)
{
    take(m_dir, "P/Media/Song-01-004.wav", 100.0);
    const QString gone = path("P/Media/Sub/Song-01-005.wav"); // open per lsof, deleted since
    auto context = automaticContext();
    context.previousDetectedFolder = path("P/Media");
    const auto snapshot = ReaperProvider::detect(context, {gone, path("P/Media/Song-01-004.wav")},
                                                 noRecentProject, now);
    ASSERT_TRUE(snapshot.currentTake) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake->recPass, u"004") << describe(snapshot);
    EXPECT_FALSE(snapshot.isRecording);
}

TEST_F(ReaperDetectTest, EmptyOrUnmatchedFolderKeepsFolderAndProject)
{
    const QString project = m_dir.write("P/Session.RPP");
    take(m_dir, "P/readme.wav", 1.0);
    auto snapshot = ReaperProvider::detect(automaticContext(), {project}, noRecentProject, now);
    EXPECT_EQ(snapshot.detectedFolder, path("P")) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Session") << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake, std::nullopt) << describe(snapshot);

    auto context = automaticContext();
    context.pattern = nullptr; // the user's pattern did not compile
    take(m_dir, "P/Song-01-001.wav", 1.0);
    snapshot = ReaperProvider::detect(context, {project}, noRecentProject, now);
    EXPECT_EQ(snapshot.currentTake, std::nullopt) << describe(snapshot);
    EXPECT_FALSE(snapshot.isRecording);
}

TEST_F(ReaperDetectTest, ScanReadsReaperIniUnderHome)
{
    // A command filter no process matches (a REAPER stand-in of another test may be running),
    // so the scan finds nothing open and falls back on reaper.ini.
    const QByteArray savedHome = qgetenv("HOME");
    TempDir home;
    const QString project = home.write("Projects/Song/Song.RPP");
    take(home, "Projects/Song/Song-01-021.wav", 100.0);
    home.write(".config/REAPER/reaper.ini",
               "[REAPER]\nx=1\n[Recent]\nrecent01=" + project.toUtf8() + "\n");
    qputenv("HOME", home.path().toUtf8());
    auto facts = ReaperProvider::platformFacts();
    facts.commandFilter = QStringLiteral("/^qv-no-such$/");
    const ReaperProvider provider(facts);
    const auto snapshot = provider.scan(automaticContext());
    qputenv("HOME", savedHome);
    EXPECT_EQ(snapshot.detectedFolder, home.filePath("Projects/Song")) << describe(snapshot);
    EXPECT_EQ(snapshot.detectedProjectPath, project) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Song") << describe(snapshot);
    ASSERT_TRUE(snapshot.currentTake) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake->recPass, u"021");
}

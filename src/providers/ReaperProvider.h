#pragma once

#include "model/DAWProvider.h"
#include "model/RegexSearch.h"
#include "platform/RunningApplications.h"
#include "providers/FileTime.h"
#include "providers/ReaperProject.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

// Detects REAPER. REAPER keeps one rec-pass counter per project and writes it into the name of
// every file it records, but publishes it nowhere; so each scan finds the project and its media
// folder from the files REAPER has open (and its list of recent projects), reads the rec-pass and
// piece name of the newest take file with the filename pattern, and calls it recording while that
// file was modified within the recording window. Holds no state between scans.
//
// The deciding functions take what scan() and isRunning() gather (open files, running
// applications, the time) as arguments, so each case can be fed in directly.
class ReaperProvider final : public DAWProvider
{
public:
    // Where and under which names REAPER runs on this system; defined per system in
    // platform/<system>/.
    struct PlatformFacts
    {
        QStringList applicationNames; // exact, case-sensitive
        QString commandFilter;        // lsof -c form
        QString configFileUnderHome;  // reaper.ini, relative to the home folder
        // The Windows build's program names, for REAPER running under Wine; compared without
        // case, as Windows compares file names.
        QStringList windowsExecutableNames;
    };
    static PlatformFacts platformFacts();

    ReaperProvider();
    explicit ReaperProvider(PlatformFacts facts);

    DAWId id() const override { return DAWId::reaper; }
    QString displayName() const override;
    QString defaultFilenamePattern() const override;
    bool isRunning() const override;
    DAWSnapshot scan(const DAWScanContext& context) const override;

    const PlatformFacts& facts() const { return m_facts; }

    // True when an application has one of the REAPER names exactly, by its full program name.
    bool isRunningAmong(const std::vector<RunningApplication>& applications) const;
    bool matches(const RunningApplication& application) const;

    // Produces the recent project on demand; asked at most once per detection, and only when the
    // open files do not settle the project.
    using RecentProjectSource = std::function<std::optional<QString>()>;

    // The folders a project records into besides its own (from its record path).
    using RecordFoldersSource = std::function<QStringList(const QString& projectFile)>;

    // Matching time one scan may spend parsing names. A scan usually parses one name; this is
    // what keeps a pattern that is slow on every name of a large folder to a small share of a
    // core at one scan a second.
    static constexpr std::chrono::milliseconds matchBudget{20};

    // One detection from its inputs. Lists the effective media folder (and, in automatic folder
    // mode, the project's record folders) and reads the dates of open takes from the file
    // system; never fails. Parsing stops when it has spent matchBudget, and the snapshot then
    // says the pattern was too slow.
    static DAWSnapshot detect(const DAWScanContext& context, const QStringList& openFiles,
                              const RecentProjectSource& recentProject, FileTime now,
                              const RecordFoldersSource& recordFolders = {});

    // $HOME followed by the configuration file's place; empty when HOME is not set.
    QString configFilePath() const;

    // The project of the smallest recentNN key of reaper.ini's [Recent] section, when that file
    // exists. Files that are not regular or are implausibly large count as unreadable.
    // toLocal turns the entry into a local path first (the Windows build's paths under Wine).
    static std::optional<QString> mostRecentProject(const QString& iniPath,
                                                    const ReaperProject::PathMapper& toLocal = {});
    // The value of the smallest recentNN key; no value when there is none or when that entry is
    // not valid UTF-8 (the entry after it would be an older project, not the most recent).
    static std::optional<QString> recentProjectEntry(const QByteArray& iniContents);

    static std::optional<QString> resolveProjectName(const std::optional<QString>& projectPath,
                                                     const std::optional<QString>& effectiveFolder);

    struct ParsedName
    {
        QString recPass;
        std::optional<QString> pieceName;
    };
    // The rec-pass is the last capture group, exactly as written; the piece name is group 1 when
    // there are two or more groups, else pieceTag(filename).
    static std::optional<ParsedName> parse(const QString& filename, const CompiledPattern& pattern);
    // The same, drawing on a budget shared with other parses; no value once it is spent.
    static std::optional<ParsedName> parse(const QString& filename, const CompiledPattern& pattern,
                                           RegexSearch::Budget& budget);
    // The part before the first "-", unless it is empty or all numeric characters.
    static std::optional<QString> pieceTag(const QString& filename);

private:
    PlatformFacts m_facts;
    // Re-read only when the project file changes; a cache, not detection state.
    std::shared_ptr<ReaperProject> m_project = std::make_shared<ReaperProject>();
};

} // namespace quorvel

#include "providers/ReaperProvider.h"

#include "model/DecimalText.h"
#include "model/FilenamePattern.h"
#include "model/RegexSearch.h"
#include "providers/FolderListings.h"
#include "providers/PathText.h"
#include "providers/SystemProbe.h"
#include "providers/WinePaths.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace quorvel {

namespace {

// A real reaper.ini is well under a megabyte; anything far larger is not one, and reading it
// every second would stall detection.
constexpr qint64 maxConfigFileSize = 16 * 1024 * 1024;

const QLatin1StringView wavSuffix(".wav");
const QLatin1StringView projectSuffix(".rpp");

bool isWavName(std::string_view name)
{
    if (name.size() < 4)
        return false;
    const std::string_view tail = name.substr(name.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'w' && (tail[2] | 0x20) == 'a' &&
           (tail[3] | 0x20) == 'v';
}

QString withoutExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

QString withoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// True when folder is base or lies below it.
bool isSameOrBelow(const QString& folder, const QString& base)
{
    const QString a = withoutTrailingSeparators(folder);
    const QString b = withoutTrailingSeparators(base);
    return a == b || PathText::liesIn(a, b);
}

// ASCII space and tab, for lines that are not text and so cannot be trimmed as text.
QByteArrayView trimmedAsciiSpace(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && (bytes.front() == ' ' || bytes.front() == '\t'))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && (bytes.back() == ' ' || bytes.back() == '\t'))
        bytes.chop(1);
    return bytes;
}

// A take file that might be the newest: either a listed entry of the folder or an open take.
struct Candidate
{
    FileTime modified;
    size_t index; // into the listing, then past it into the open takes
};

} // namespace

ReaperProvider::ReaperProvider() : ReaperProvider(platformFacts()) {}

ReaperProvider::ReaperProvider(PlatformFacts facts) : m_facts(std::move(facts)) {}

QString ReaperProvider::displayName() const
{
    return QStringLiteral("REAPER");
}

QString ReaperProvider::defaultFilenamePattern() const
{
    return FilenamePattern::defaultPattern();
}

bool ReaperProvider::isRunning() const
{
    return isRunningAmong(RunningApplications::current());
}

bool ReaperProvider::isRunningAmong(const std::vector<RunningApplication>& applications) const
{
    return std::any_of(applications.begin(), applications.end(),
                       [this](const auto& app) { return matches(app); });
}

bool ReaperProvider::matches(const RunningApplication& application) const
{
    const std::optional<QString> name = application.fullName();
    if (!name)
        return false;
    return m_facts.applicationNames.contains(*name) ||
           m_facts.windowsExecutableNames.contains(*name, Qt::CaseInsensitive);
}

DAWSnapshot ReaperProvider::scan(const DAWScanContext& context) const
{
    std::vector<qint64> processIds;
    std::optional<QString> winePrefix;
    for (const RunningApplication& application : RunningApplications::current()) {
        if (!matches(application))
            continue;
        processIds.push_back(application.processId);
        if (!winePrefix)
            winePrefix = application.winePrefix;
    }

    // The Windows build under Wine keeps its settings in the prefix and writes Windows paths.
    ReaperProject::PathMapper toLocal;
    QString iniPath = configFilePath();
    if (winePrefix) {
        iniPath = WinePaths::reaperConfigFile(*winePrefix);
        toLocal = [prefix = *winePrefix](const QString& written) {
            return WinePaths::toLocal(prefix, written);
        };
    }
    const std::shared_ptr<ReaperProject> project = m_project;
    return detect(
        context, SystemProbe::openFilePaths(processIds),
        [&] { return mostRecentProject(iniPath, toLocal); }, currentFileTime(),
        [&](const QString& projectFile) {
            const auto paths = project->cachedRecordPaths(projectFile);
            return paths ? ReaperProject::recordFolders(projectFile, *paths, toLocal)
                         : QStringList();
        });
}

QString ReaperProvider::configFilePath() const
{
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        return QString();
    return PathText::folderPrefix(home) + m_facts.configFileUnderHome;
}

DAWSnapshot ReaperProvider::detect(const DAWScanContext& context, const QStringList& openFiles,
                                   const RecentProjectSource& recentProjectSource, FileTime now,
                                   const RecordFoldersSource& recordFolders)
{
    QStringList openTakes;
    std::optional<QString> projectFile;
    for (const QString& path : openFiles) {
        if (PathText::hasSuffixIgnoringCase(path, wavSuffix))
            openTakes.append(path);
        if (!projectFile && PathText::hasSuffixIgnoringCase(path, projectSuffix))
            projectFile = path;
    }

    bool recentAsked = false;
    std::optional<QString> recent;
    auto recentProject = [&]() -> const std::optional<QString>& {
        if (!recentAsked && recentProjectSource)
            recent = recentProjectSource();
        recentAsked = true;
        return recent;
    };

    DAWSnapshot snapshot;
    if (projectFile) {
        snapshot.detectedFolder = PathText::deletingLastComponent(*projectFile);
        snapshot.detectedProjectPath = projectFile;
    } else if (auto common = SystemProbe::commonParentFolder(openTakes)) {
        snapshot.detectedFolder = common;
        const auto& project = recentProject();
        if (project && isSameOrBelow(*common, PathText::deletingLastComponent(*project)))
            snapshot.detectedProjectPath = project;
        else
            snapshot.detectedProjectPath = context.previousDetectedProjectPath;
    } else if (context.previousDetectedFolder) {
        snapshot.detectedFolder = context.previousDetectedFolder;
        snapshot.detectedProjectPath = context.previousDetectedProjectPath;
    } else if (const auto& project = recentProject()) {
        snapshot.detectedFolder = PathText::deletingLastComponent(*project);
        snapshot.detectedProjectPath = project;
    } else {
        snapshot.detectedProjectPath = context.previousDetectedProjectPath;
    }

    std::optional<QString> effectiveFolder =
        context.folderMode == FolderMode::manual ? context.manualFolder : snapshot.detectedFolder;
    if (effectiveFolder && effectiveFolder->isEmpty())
        effectiveFolder.reset();
    snapshot.projectName = resolveProjectName(snapshot.detectedProjectPath, effectiveFolder);
    if (!effectiveFolder)
        return snapshot;

    // A project that records into a folder of its own (commonly "Media") has its takes there,
    // not beside the project file; those folders are listed too. Only while the effective folder
    // is the project's own: a folder the user picked is taken as it is.
    QStringList folders{*effectiveFolder};
    if (context.folderMode == FolderMode::automatic && recordFolders &&
        snapshot.detectedProjectPath &&
        PathText::deletingLastComponent(*snapshot.detectedProjectPath) ==
            withoutTrailingSeparators(*effectiveFolder)) {
        for (const QString& folder : recordFolders(*snapshot.detectedProjectPath)) {
            if (!folders.contains(folder))
                folders.append(folder);
        }
    }

    // The listings are shared with the next scan: a folder where nothing changed costs neither a
    // read nor a copy.
    struct Listed
    {
        qsizetype folder;
        const SystemProbe::FolderEntry* entry;
    };
    std::vector<FolderListings::SharedEntries> held;
    std::vector<Listed> listing;
    for (qsizetype f = 0; f < folders.size(); ++f) {
        auto entries = FolderListings::shared().sharedList(folders[f], isWavName);
        if (!entries)
            continue;
        listing.reserve(listing.size() + entries->size());
        for (const SystemProbe::FolderEntry& entry : *entries)
            listing.push_back({f, &entry});
        held.push_back(std::move(entries));
    }

    // Open takes add files the listing cannot show: those in subfolders, and any the listing
    // missed. One that the listing also holds is a harmless duplicate with the same date.
    const QString prefix = PathText::folderPrefix(*effectiveFolder);
    QStringList extraTakes;
    QSet<QString> seen;
    for (const QString& path : std::as_const(openTakes)) {
        if (path.startsWith(prefix) && !seen.contains(path)) {
            seen.insert(path);
            extraTakes.append(path);
        }
    }
    std::vector<FileTime> extraDates;
    for (const QString& path : std::as_const(extraTakes))
        extraDates.push_back(SystemProbe::modificationTime(path));
    const size_t count = listing.size() + extraDates.size();
    auto candidate = [&](size_t index) {
        return Candidate{index < listing.size() ? listing[index].entry->modified
                                                : extraDates[index - listing.size()],
                         index};
    };

    // Only the newest parsing candidate matters, so candidates are parsed newest first and the
    // search stops at the first that parses: one pattern match per scan in the usual case, however
    // many takes the folder holds. Equal dates go to the candidate met first.
    auto older = [](const Candidate& a, const Candidate& b) {
        return a.modified != b.modified ? a.modified < b.modified : a.index > b.index;
    };
    RegexSearch::Budget budget(matchBudget);
    auto parses = [&](const Candidate& newest) {
        QString filename;
        QString folder;
        if (newest.index < listing.size()) {
            const Listed& listed = listing[newest.index];
            auto decoded = PathText::decodeUtf8(listed.entry->name);
            if (!decoded)
                return false;
            filename = *decoded;
            folder = folders[listed.folder];
        } else {
            const QString& path = extraTakes[qsizetype(newest.index - listing.size())];
            filename = PathText::lastComponent(path);
            folder = PathText::deletingLastComponent(path);
        }
        const auto parsed = parse(filename, context.pattern, budget);
        if (!parsed)
            return false;
        snapshot.currentTake = RecordingPass{filename, parsed->recPass, parsed->pieceName};
        snapshot.isRecording = isWithinWindow(newest.modified, now, context.recordingWindow);
        snapshot.takeFolder = withoutTrailingSeparators(folder);
        return true;
    };

    // The newest is found in one pass; only when it does not parse are the others ordered.
    std::optional<Candidate> first;
    for (size_t i = 0; i < count; ++i) {
        const Candidate c = candidate(i);
        if (!first || older(*first, c))
            first = c;
    }
    if (first && !parses(*first)) {
        std::vector<Candidate> candidates;
        candidates.reserve(count - 1);
        for (size_t i = 0; i < count; ++i) {
            if (i != first->index)
                candidates.push_back(candidate(i));
        }
        std::make_heap(candidates.begin(), candidates.end(), older);
        while (!candidates.empty() && !budget.isExhausted()) {
            std::pop_heap(candidates.begin(), candidates.end(), older);
            const Candidate newest = candidates.back();
            candidates.pop_back();
            if (parses(newest))
                break;
        }
    }
    snapshot.filenamePatternTooSlow = budget.isExhausted();
    return snapshot;
}

std::optional<QString> ReaperProvider::mostRecentProject(const QString& iniPath,
                                                         const ReaperProject::PathMapper& toLocal)
{
    if (iniPath.isEmpty())
        return std::nullopt;
    // A FIFO or device in the file's place would block the read; only regular files are read.
    const QFileInfo info(iniPath);
    if (!info.isFile() || info.size() > maxConfigFileSize)
        return std::nullopt;
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray contents = file.read(maxConfigFileSize + 1);
    if (contents.size() > maxConfigFileSize)
        return std::nullopt;

    auto project = recentProjectEntry(contents);
    if (project && toLocal)
        project = toLocal(*project);
    if (!project || !project->startsWith(u'/') || !QFileInfo::exists(*project))
        return std::nullopt;
    return project;
}

std::optional<QString> ReaperProvider::recentProjectEntry(const QByteArray& iniContents)
{
    const qsizetype section = iniContents.indexOf("[Recent]");
    if (section < 0)
        return std::nullopt;

    struct Entry
    {
        qint64 number;
        std::optional<QString> value;
    };
    std::optional<Entry> kept;
    const QByteArrayView rest = QByteArrayView(iniContents).sliced(section + 8);
    qsizetype start = 0;
    while (start < rest.size()) {
        qsizetype end = rest.indexOf('\n', start);
        if (end < 0)
            end = rest.size();
        QByteArrayView line = rest.sliced(start, end - start);
        start = end + 1;
        // A file written with CRLF line ends would otherwise end every project path in "\r".
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;

        // Lines are read as text when they are UTF-8. One that is not can still end the section
        // or name a key, since both are ASCII; it just has no usable value.
        QString text;
        const auto decoded = PathText::decodeUtf8(line);
        if (decoded)
            text = PathText::trimmedHorizontally(*decoded);
        else
            text = QString::fromLatin1(trimmedAsciiSpace(line));
        if (text.startsWith(u'['))
            break;
        const qsizetype equals = text.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString key = text.left(equals).toLower();
        if (!key.startsWith(u"recent"))
            continue;
        const auto number = DecimalText::parseInteger(QStringView(key).sliced(6));
        if (!number)
            continue;
        if (!kept || *number < kept->number) {
            kept = Entry{*number,
                         decoded ? std::optional<QString>(text.sliced(equals + 1)) : std::nullopt};
        }
    }
    if (!kept)
        return std::nullopt;
    return kept->value;
}

std::optional<QString>
ReaperProvider::resolveProjectName(const std::optional<QString>& projectPath,
                                   const std::optional<QString>& effectiveFolder)
{
    if (projectPath && effectiveFolder) {
        const QString projectFolder = PathText::deletingLastComponent(*projectPath);
        if (isSameOrBelow(*effectiveFolder, projectFolder))
            return withoutExtension(PathText::lastComponent(*projectPath));
    }
    if (!effectiveFolder)
        return std::nullopt;
    const QString name = PathText::lastComponent(*effectiveFolder);
    const QString parent = PathText::deletingLastComponent(*effectiveFolder);
    if (name.compare(u"Media", Qt::CaseInsensitive) == 0 && !parent.isEmpty() && parent != u"/")
        return PathText::lastComponent(parent);
    return name;
}

namespace {

std::optional<ReaperProvider::ParsedName> parsedFrom(const QString& filename,
                                                     const std::optional<RegexSearch::Match>& match)
{
    if (!match || match->groups.size() < 2)
        return std::nullopt;
    const auto recPass = match->groups.back();
    if (!recPass)
        return std::nullopt;
    ReaperProvider::ParsedName parsed{*recPass, std::nullopt};
    if (match->groups.size() == 2) {
        parsed.pieceName = ReaperProvider::pieceTag(filename);
    } else {
        const auto piece = match->group(1);
        if (piece && !piece->isEmpty() && !DecimalText::isAllNumeric(*piece))
            parsed.pieceName = piece;
    }
    return parsed;
}

} // namespace

std::optional<ReaperProvider::ParsedName> ReaperProvider::parse(const QString& filename,
                                                                const CompiledPattern& pattern)
{
    return parsedFrom(filename, RegexSearch::firstMatch(pattern, filename));
}

std::optional<ReaperProvider::ParsedName> ReaperProvider::parse(const QString& filename,
                                                                const CompiledPattern& pattern,
                                                                RegexSearch::Budget& budget)
{
    return parsedFrom(filename, RegexSearch::firstMatch(pattern, filename, budget));
}

std::optional<QString> ReaperProvider::pieceTag(const QString& filename)
{
    const qsizetype dash = filename.indexOf(u'-');
    if (dash <= 0)
        return std::nullopt;
    const QString tag = filename.left(dash);
    if (DecimalText::isAllNumeric(tag))
        return std::nullopt;
    return tag;
}

} // namespace quorvel

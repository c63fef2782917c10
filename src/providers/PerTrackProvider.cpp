#include "providers/PerTrackProvider.h"

#include "model/DecimalText.h"
#include "model/RegexSearch.h"
#include "providers/PathText.h"
#include "providers/SystemProbe.h"

#include <QHash>

#include <algorithm>
#include <map>

namespace quorvel {

namespace {

struct Candidate
{
    QString path;
    QString track;
    qint64 number;
};

bool startsWithAny(const QString& text, const QStringList& prefixes)
{
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&text](const QString& prefix) { return text.startsWith(prefix); });
}

} // namespace

PerTrackProvider::PerTrackProvider(Configuration configuration)
    : m_configuration(std::move(configuration))
{
}

bool PerTrackProvider::isRunning() const
{
    return isRunningAmong(RunningApplications::current());
}

bool PerTrackProvider::isRunningAmong(const std::vector<RunningApplication>& applications) const
{
    for (const RunningApplication& app : applications) {
        if (matches(app))
            return true;
    }
    return false;
}

bool PerTrackProvider::matches(const RunningApplication& app) const
{
    if (app.bundleIdentifier &&
        startsWithAny(*app.bundleIdentifier, m_configuration.bundleIdentifiers))
        return true;
    // The full program name, so that a name the kernel cut still matches (and a Windows build's
    // "Cubase13.exe" under Wine begins with "Cubase").
    const std::optional<QString> name = app.fullName();
    return app.isRegular && name && startsWithAny(*name, m_configuration.processNames);
}

DAWSnapshot PerTrackProvider::scan(const DAWScanContext& context) const
{
    return detect(context,
                  SystemProbe::openFilePathsOfApplications(
                      [this](const RunningApplication& app) { return matches(app); }),
                  currentFileTime());
}

DAWSnapshot PerTrackProvider::detect(const DAWScanContext& context, const QStringList& openFiles,
                                     FileTime now) const
{
    std::vector<Candidate> candidates;
    QStringList parsedPaths;
    for (const QString& path : openFiles) {
        const QString filename = PathText::lastComponent(path);
        const auto index = parseTakeIndex(filename, context.pattern);
        if (!index)
            continue;
        candidates.push_back({path, trackName(filename, index->token), index->number});
        parsedPaths.append(path);
    }

    DAWSnapshot snapshot;
    snapshot.detectedFolder = SystemProbe::commonParentFolder(parsedPaths);
    std::optional<QString> effectiveFolder =
        context.folderMode == FolderMode::manual ? context.manualFolder : snapshot.detectedFolder;
    if (effectiveFolder && effectiveFolder->isEmpty())
        effectiveFolder.reset();
    snapshot.projectName = resolveProjectName(effectiveFolder);
    if (!effectiveFolder)
        return snapshot;

    std::vector<const Candidate*> inFolder;
    for (const Candidate& candidate : candidates) {
        if (PathText::liesIn(candidate.path, *effectiveFolder))
            inFolder.push_back(&candidate);
    }
    if (inFolder.empty())
        return snapshot;

    QHash<QString, FileTime> dates;
    FileTime newest = distantPast;
    for (const Candidate* candidate : inFolder) {
        auto it = dates.find(candidate->path);
        if (it == dates.end())
            it = dates.insert(candidate->path, SystemProbe::modificationTime(candidate->path));
        newest = std::max(newest, *it);
    }
    snapshot.isRecording = isWithinWindow(newest, now, context.recordingWindow);

    // While recording, files of tracks that are not being written (an older take left open) must
    // not pull the number down.
    QHash<QString, qint64> highs;
    for (const Candidate* candidate : inFolder) {
        if (snapshot.isRecording &&
            !isWithinWindow(dates.value(candidate->path), now, context.recordingWindow))
            continue;
        qint64& high = highs[candidate->track]; // an absent entry starts at 0
        high = std::max(high, candidate->number);
    }
    const qint64 take =
        deriveTake(std::vector<qint64>(highs.cbegin(), highs.cend()), context.takeDerivation);
    const QString text = QString::number(take);
    snapshot.currentTake = RecordingPass{QStringLiteral("take-") + text, text, std::nullopt};
    return snapshot;
}

std::optional<PerTrackProvider::TakeIndex>
PerTrackProvider::parseTakeIndex(const QString& filename, const CompiledPattern& pattern)
{
    const auto match = RegexSearch::firstMatch(pattern, filename);
    if (!match || match->groups.size() < 2)
        return std::nullopt;
    const auto group = match->group(1);
    if (!group || group->isEmpty())
        return std::nullopt;
    const auto number = DecimalText::parseInteger(*group);
    if (!number)
        return std::nullopt;
    return TakeIndex{match->group(0).value_or(QString()), *number};
}

QString PerTrackProvider::trackName(const QString& filename, const QString& token)
{
    const qsizetype at = filename.lastIndexOf(token);
    if (at < 0)
        return PathText::trimmedHorizontally(filename);
    return PathText::trimmedHorizontally(filename.left(at));
}

qint64 PerTrackProvider::deriveTake(const std::vector<qint64>& values, TakeDerivation rule)
{
    if (values.empty())
        return 0;
    if (rule == TakeDerivation::max)
        return *std::max_element(values.begin(), values.end());

    std::map<qint64, int> counts;
    for (const qint64 value : values)
        ++counts[value];
    qint64 best = 0;
    int bestCount = 0;
    // Ascending order, so a later value with the same count is the higher one and wins the tie.
    for (const auto& [value, count] : counts) {
        if (count >= bestCount) {
            best = value;
            bestCount = count;
        }
    }
    return best;
}

std::optional<QString>
PerTrackProvider::resolveProjectName(const std::optional<QString>& effectiveFolder) const
{
    if (!effectiveFolder || effectiveFolder->isEmpty())
        return std::nullopt;
    const QString name = PathText::lastComponent(*effectiveFolder);
    const QString parent = PathText::deletingLastComponent(*effectiveFolder);
    if (name.compare(m_configuration.mediaSubfolderName, Qt::CaseInsensitive) == 0 &&
        !parent.isEmpty() && parent != u"/")
        return PathText::lastComponent(parent);
    return name;
}

} // namespace quorvel

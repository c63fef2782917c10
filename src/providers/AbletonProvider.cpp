#include "providers/AbletonProvider.h"

#include "model/FilenamePattern.h"
#include "model/RegexSearch.h"
#include "providers/PathText.h"
#include "providers/PerTrackProvider.h"
#include "providers/SystemProbe.h"

#include <QHash>

#include <algorithm>

namespace quorvel {

namespace {

const QString& recordedMarker()
{
    static const QString marker = QStringLiteral("/Samples/Recorded/");
    return marker;
}

// Case-sensitive on purpose, unlike every user-facing pattern: Live's names are machine-written.
const CompiledPattern& namePattern()
{
    static const CompiledPattern pattern =
        FilenamePattern::compile(
            QStringLiteral(R"(^(.+?) \d+ \[\d{4}-\d{2}-\d{2} \d{6}\]\.[^.]+$)"), false)
            .pattern;
    return pattern;
}

} // namespace

QString AbletonProvider::displayName() const
{
    return QStringLiteral("Ableton Live");
}

QString AbletonProvider::defaultFilenamePattern() const
{
    return QStringLiteral(R"(\[(\d{4}-\d{2}-\d{2} \d{6})\]\.\w+$)");
}

bool AbletonProvider::isRunning() const
{
    return isRunningAmong(RunningApplications::current());
}

bool AbletonProvider::isRunningAmong(const std::vector<RunningApplication>& applications)
{
    return std::any_of(applications.begin(), applications.end(), &matches);
}

bool AbletonProvider::matches(const RunningApplication& app)
{
    if (app.bundleIdentifier == u"com.ableton.live" ||
        (app.isRegular && app.localizedName == u"Live"))
        return true;
    // Live for Windows under Wine: its program file is named for the version and edition, as
    // "Ableton Live 12 Suite.exe" in "C:\ProgramData\Ableton\Live 12 Suite\Program\"
    // (Ableton's installer layout, as Live's own "Installing Live" help article shows it).
    const QLatin1StringView stem("Ableton Live ");
    const std::optional<QString> name = app.fullName();
    return app.isRegular && name && name->startsWith(stem, Qt::CaseInsensitive) &&
           name->size() > stem.size() && name->at(stem.size()).isDigit() &&
           PathText::hasSuffixIgnoringCase(*name, QLatin1StringView(".exe"));
}

DAWSnapshot AbletonProvider::scan(const DAWScanContext& context) const
{
    return detect(context, SystemProbe::openFilePathsOfApplications(&matches), currentFileTime());
}

std::optional<QString> AbletonProvider::trackName(const QString& filename)
{
    const auto match = RegexSearch::firstMatch(namePattern(), filename);
    if (!match)
        return std::nullopt;
    return match->group(1);
}

std::optional<QString> AbletonProvider::projectName(const QString& recordedFolder)
{
    QString name = PathText::lastComponent(
        PathText::deletingLastComponent(PathText::deletingLastComponent(recordedFolder)));
    if (name.endsWith(u" Project"))
        name.chop(8);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

std::vector<AbletonProvider::RecordedFile> AbletonProvider::recordedFiles(const QString& folder)
{
    std::vector<RecordedFile> files;
    const auto listing = SystemProbe::listFolder(folder);
    if (!listing)
        return files;
    for (const SystemProbe::FolderEntry& entry : *listing) {
        const auto name = PathText::decodeUtf8(entry.name);
        if (!name)
            continue;
        auto track = trackName(*name);
        if (!track)
            continue;
        files.push_back({std::move(*track), entry.size, entry.modified});
    }
    return files;
}

DAWSnapshot AbletonProvider::detect(const DAWScanContext& context, const QStringList& openFiles,
                                    FileTime now)
{
    QStringList openRecordings;
    for (const QString& path : openFiles) {
        if (path.contains(recordedMarker()) && trackName(PathText::lastComponent(path)))
            openRecordings.append(path);
    }

    DAWSnapshot snapshot;
    const auto common = SystemProbe::commonParentFolder(openRecordings);
    if (!common)
        return snapshot;

    std::optional<QString> folder =
        context.folderMode == FolderMode::manual ? context.manualFolder : common;
    if (folder && folder->isEmpty())
        folder.reset();
    if (!folder) {
        snapshot.detectedFolder = common;
        snapshot.projectName = projectName(*common);
        return snapshot;
    }
    snapshot.detectedFolder = folder;
    snapshot.projectName = projectName(*folder);

    std::vector<RecordedFile> files = recordedFiles(*folder);
    // A clip Live has just created is still empty; it counts once it holds data.
    std::erase_if(files, [](const RecordedFile& file) { return file.size < 1; });
    if (files.empty())
        return snapshot;

    QHash<QString, qint64> counts;
    FileTime newest = distantPast;
    for (const RecordedFile& file : files) {
        ++counts[file.track];
        newest = std::max(newest, file.modified);
    }
    const qint64 take = PerTrackProvider::deriveTake(
        std::vector<qint64>(counts.cbegin(), counts.cend()), context.takeDerivation);
    const QString text = QString::number(take);
    snapshot.currentTake = RecordingPass{QStringLiteral("take-") + text, text, std::nullopt};
    snapshot.isRecording = isWithinWindow(newest, now, context.recordingWindow);
    return snapshot;
}

} // namespace quorvel

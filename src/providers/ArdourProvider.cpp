#include "providers/ArdourProvider.h"

#include "providers/PathText.h"
#include "providers/PerTrackProvider.h"
#include "providers/SystemProbe.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

// Ardour's naming rules, read in its public source (github.com/Ardour/ardour, 6.0 to 9.x):
// - libs/ardour/track.cc, Track::resync_take_name: a track's recording base name is
//   "<take name>_" (session option track-name-take, default on since 6.9, and a non-empty
//   take-name, default "Take1"), then "<track number>_" (option track-name-number, default off),
//   then the track's name; legalize_for_universal_path (libs/ardour/utils.cc) turns any of
//   < > : " / \ | ? * into "_".
// - libs/ardour/session.cc, Session::format_audio_source_name and new_audio_source_path: a
//   recorded file is "<base>-<N>", N the first number (from 1) not yet used by that base, then
//   "%L"/"%R" for a two-channel track, "%a", "%b", ... for 3 to 26 channels ("%97", "%98", ...
//   before Ardour 7.4, commit 8810c36c), "%<channel+1>" beyond; one mono file per channel.
// - libs/ardour/utils.cc, native_header_format_extension: .wav, .w64, .caf, .aif or .flac.
// - libs/ardour/session_transport.cc, Session::non_realtime_stop: after a pass that recorded, the
//   take name's trailing number is counted up (bump_name_number: "Take1" to "Take2", "Verse" to
//   "Verse1"), and the session asks to be saved.
// - libs/ardour/session_directory.cc: recordings go to <session>/interchange/<X>/audiofiles,
//   X being the session folder's name; the session file is <session>/<snapshot>.ardour, options
//   stored as <Option name="track-name-take" value="1"/> (libs/pbd/configuration_variable.cc).
// - libs/ardour/sndfilesource.cc: a recorded file is created on its first write, so a pass's
//   files appear a moment after recording starts.

namespace quorvel {

namespace {

// A session file this large is no real one; the options sit in its head anyway.
constexpr qint64 maxSessionHead = 8 * 1024 * 1024;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::optional<qint64> number(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 12)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool isAudioExtension(QByteArrayView extension)
{
    static const char* const extensions[] = {"wav", "w64", "caf", "aif", "aiff", "flac", "rf64"};
    return std::any_of(std::begin(extensions), std::end(extensions), [&](const char* known) {
        return extension.compare(QByteArrayView(known), Qt::CaseInsensitive) == 0;
    });
}

bool isChannelSuffix(QByteArrayView suffix)
{
    if (suffix == "L" || suffix == "R")
        return true;
    if (suffix.size() == 1 && suffix[0] >= 'a' && suffix[0] <= 'z')
        return true;
    return number(suffix).has_value();
}

bool isLayoutFolder(const QString& audioFolder)
{
    // .../interchange/<session>/audiofiles
    const QString parent = PathText::deletingLastComponent(audioFolder);
    return PathText::lastComponent(audioFolder) == u"audiofiles" &&
           PathText::lastComponent(PathText::deletingLastComponent(parent)) == u"interchange";
}

QString withoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

struct Recorded
{
    FileTime modified;
    ArdourProvider::ParsedName name;
};

} // namespace

ArdourProvider::ArdourProvider() = default;

QString ArdourProvider::displayName() const
{
    return QStringLiteral("Ardour");
}

QString ArdourProvider::defaultFilenamePattern() const
{
    // Group 1: the take name's number, when the name has a take prefix; group 2: the track's
    // own count.
    return QStringLiteral(
        R"(^(?:.*?(\d+)_)?.+-(\d+)(?:%(?:[LR]|[a-z]|\d+))?\.(?:wav|w64|caf|aif|aiff|flac|rf64)$)");
}

bool ArdourProvider::isRunning() const
{
    return isRunningAmong(RunningApplications::current());
}

bool ArdourProvider::isRunningAmong(const std::vector<RunningApplication>& applications)
{
    return std::any_of(applications.begin(), applications.end(), &matches);
}

bool ArdourProvider::matches(const RunningApplication& application)
{
    // The GUI program is "ardour-" and its version (gtk2_ardour/wscript): "ardour-8.12.0" in
    // Ardour's own bundles and Flatpak, "ardour-7.3.0~ds0" in Debian's package. Its helpers
    // (ardour-vst-scanner, ardour-exec-wrapper, ardour-request-device) have a word there
    // instead, and the headless hosts are hardour-<version> and ardourN-lua.
    const std::optional<QString> name = application.fullName();
    const QLatin1StringView stem("ardour-");
    return name && name->size() > stem.size() && name->startsWith(stem, Qt::CaseInsensitive) &&
           name->at(stem.size()).isDigit();
}

DAWSnapshot ArdourProvider::scan(const DAWScanContext& context) const
{
    const std::shared_ptr<OptionsCache> cache = m_options;
    return detect(context, SystemProbe::openFilePathsOfApplications(&matches), currentFileTime(),
                  [cache](const QString& sessionFile) {
                      const FileTime modified = SystemProbe::modificationTime(sessionFile);
                      std::lock_guard lock(cache->lock);
                      if (sessionFile != cache->path || modified != cache->modified ||
                          modified == distantPast) {
                          cache->path = sessionFile;
                          cache->modified = modified;
                          cache->options = readSessionOptions(sessionFile);
                      }
                      return cache->options;
                  });
}

std::optional<ArdourProvider::ParsedName> ArdourProvider::parseName(QByteArrayView filename)
{
    const qsizetype dot = filename.lastIndexOf('.');
    if (dot <= 0 || !isAudioExtension(filename.sliced(dot + 1)))
        return std::nullopt;
    QByteArrayView stem = filename.first(dot);

    const qsizetype percent = stem.lastIndexOf('%');
    if (percent > 0 && isChannelSuffix(stem.sliced(percent + 1)))
        stem = stem.first(percent);

    const qsizetype dash = stem.lastIndexOf('-');
    if (dash <= 0)
        return std::nullopt;
    const auto counter = number(stem.sliced(dash + 1));
    if (!counter)
        return std::nullopt;

    ParsedName parsed;
    const QByteArrayView base = stem.first(dash);
    parsed.base = base.toByteArray();
    parsed.counter = *counter;
    // The take prefix ends at the first "_" that follows a digit: take names end in their number
    // (Ardour counts them up), and what follows is the rest of the base.
    for (qsizetype i = 1; i + 1 < base.size(); ++i) {
        if (base[i] != '_' || !isDigit(base[i - 1]))
            continue;
        qsizetype start = i - 1;
        while (start > 0 && isDigit(base[start - 1]))
            --start;
        parsed.take = number(base.sliced(start, i - start));
        break;
    }
    return parsed;
}

ArdourProvider::SessionOptions ArdourProvider::readSessionOptions(const QString& sessionFile)
{
    SessionOptions options;
    // Only a regular file is opened: a FIFO in the session file's place would block.
    if (!QFileInfo(sessionFile).isFile())
        return options;
    QFile file(sessionFile);
    if (!file.open(QIODevice::ReadOnly))
        return options;
    const QByteArray head = file.read(maxSessionHead);
    const QByteArrayView key("name=\"track-name-take\"");
    const qsizetype at = head.indexOf(key);
    if (at < 0)
        return options;
    const qsizetype tagEnd = head.indexOf('>', at);
    const QByteArrayView tag =
        QByteArrayView(head).sliced(at, (tagEnd < 0 ? head.size() : tagEnd) - at);
    const qsizetype value = tag.indexOf("value=\"");
    if (value < 0)
        return options;
    // Written as "1" or "0" (libs/pbd/string_convert.cc); read back also as y/yes/true.
    const QByteArrayView text = tag.sliced(value + 7);
    const qsizetype quote = text.indexOf('"');
    const QByteArrayView word = text.first(quote < 0 ? text.size() : quote);
    const QByteArray lower = word.toByteArray().toLower();
    if (lower == "1" || lower == "y" || lower == "yes" || lower == "true")
        options.prefixTakeName = true;
    else if (lower == "0" || lower == "n" || lower == "no" || lower == "false")
        options.prefixTakeName = false;
    return options;
}

std::optional<ArdourProvider::Session> ArdourProvider::sessionOf(const QString& audioFolder)
{
    const QString folder = withoutTrailingSeparators(audioFolder);
    if (!isLayoutFolder(folder))
        return std::nullopt;
    Session session;
    session.folder = PathText::deletingLastComponent(
        PathText::deletingLastComponent(PathText::deletingLastComponent(folder)));
    session.name = PathText::lastComponent(session.folder);
    const QString named =
        PathText::folderPrefix(session.folder) + session.name + QStringLiteral(".ardour");
    if (QFileInfo(named).isFile()) {
        session.file = named;
        return session;
    }
    // A session saved under another snapshot name: the newest snapshot is the one in use.
    const auto listing = SystemProbe::listFolder(session.folder, [](std::string_view name) {
        return name.size() > 7 && name.substr(name.size() - 7) == ".ardour";
    });
    FileTime newest = distantPast;
    for (const auto& entry : listing.value_or(std::vector<SystemProbe::FolderEntry>{})) {
        const auto name = PathText::decodeUtf8(entry.name);
        if (name && entry.isRegularFile && (!session.file || entry.modified > newest)) {
            newest = entry.modified;
            session.file = PathText::folderPrefix(session.folder) + *name;
        }
    }
    return session;
}

DAWSnapshot ArdourProvider::detect(const DAWScanContext& context, const QStringList& openFiles,
                                   FileTime now, const OptionsSource& optionsSource)
{
    DAWSnapshot snapshot;
    // Ardour keeps every take of the session open; the first one in its audiofiles folder tells
    // which session is loaded.
    for (const QString& path : openFiles) {
        const QString folder = PathText::deletingLastComponent(path);
        if (isLayoutFolder(folder) && parseName(PathText::lastComponent(path).toUtf8())) {
            snapshot.detectedFolder = folder;
            break;
        }
    }
    if (!snapshot.detectedFolder)
        snapshot.detectedFolder = context.previousDetectedFolder;

    const std::optional<QString>& chosen =
        context.folderMode == FolderMode::manual ? context.manualFolder : snapshot.detectedFolder;
    if (!chosen || chosen->isEmpty())
        return snapshot;
    const QString folder = withoutTrailingSeparators(*chosen);

    const std::optional<Session> session = sessionOf(folder);
    if (session) {
        snapshot.projectName = session->name;
        snapshot.detectedProjectPath = session->file;
    } else {
        snapshot.projectName = PathText::lastComponent(folder);
    }
    if (context.folderMode == FolderMode::automatic && !session)
        return snapshot;

    std::vector<Recorded> files;
    FileTime newest = distantPast;
    for (auto& entry :
         SystemProbe::listFolder(folder).value_or(std::vector<SystemProbe::FolderEntry>{})) {
        if (!entry.isRegularFile)
            continue;
        auto parsed = parseName(entry.name);
        if (!parsed)
            continue;
        newest = std::max(newest, entry.modified);
        files.push_back({entry.modified, std::move(*parsed)});
    }
    if (files.empty())
        return snapshot;

    const bool recording = isWithinWindow(newest, now, context.recordingWindow);
    // While recording, only this pass's files count; between passes, all of them.
    std::erase_if(files, [&](const Recorded& file) {
        return recording && !isWithinWindow(file.modified, now, context.recordingWindow);
    });

    const Recorded* newestFile =
        &*std::max_element(files.begin(), files.end(), [](const Recorded& a, const Recorded& b) {
            return a.modified < b.modified;
        });
    SessionOptions options;
    if (session && session->file && optionsSource)
        options = optionsSource(*session->file);
    const bool prefixed = options.prefixTakeName.value_or(newestFile->name.take.has_value());

    std::optional<qint64> take;
    if (prefixed) {
        const Recorded* newestTake = nullptr;
        for (const Recorded& file : files) {
            if (file.name.take && (!newestTake || file.modified > newestTake->modified))
                newestTake = &file;
        }
        if (newestTake)
            take = newestTake->name.take;
    }
    if (!take) {
        // No take prefix to read: each track's own count, collapsed by the user's rule.
        QHash<QByteArray, qint64> highs;
        for (const Recorded& file : files) {
            qint64& high = highs[file.name.base];
            high = std::max(high, file.name.counter);
        }
        take = PerTrackProvider::deriveTake(std::vector<qint64>(highs.cbegin(), highs.cend()),
                                            context.takeDerivation);
    }

    const QString text = QString::number(*take);
    snapshot.currentTake = RecordingPass{QStringLiteral("take-") + text, text, std::nullopt};
    snapshot.isRecording = recording;
    snapshot.takeFolder = folder;
    return snapshot;
}

} // namespace quorvel

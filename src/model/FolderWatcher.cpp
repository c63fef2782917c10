#include "model/FolderWatcher.h"

#include "model/DecimalText.h"
#include "model/FilenamePattern.h"
#include "model/HandOver.h"
#include "model/UserDefaults.h"
#include "providers/FolderListings.h"
#include "remote/NetworkInfo.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileSystemWatcher>
#include <QTimer>

#include <limits>
#include <utility>

namespace quorvel {

FolderWatcher::FolderWatcher(ProviderList providers, UserDefaults& settings, QObject* parent,
                             std::chrono::milliseconds tickInterval, quint16 remoteDisplayPort)
    : QObject(parent), m_settings(settings), m_providers(std::move(providers)),
      m_tickInterval(tickInterval),
      m_remoteServer(new RemoteDisplayServer(remoteDisplayPort, this)),
      m_announcement(new ServiceAnnouncement(this))
{
    loadFilenamePattern();
    m_showNextTakeWhenIdle = m_settings.showNextTakeWhenIdle();
    m_dawSelection = m_settings.dawSelection();
    m_takeDerivation = m_settings.takeDerivation();
    m_remoteDisplayEnabled = m_settings.remoteDisplayEnabled();
    m_remoteDisplayKeyRequired = m_settings.remoteDisplayKeyRequired();
    m_remoteDisplayKey = m_settings.remoteDisplayKey().value_or(QString());
    // Before the pattern is vetted: the guard tries names from the manual folder.
    m_folderMode = m_settings.folderMode();
    m_manualFolderURL = m_settings.manualFolderPath();

    m_fallbackFilenamePattern = FilenamePattern::compile(FilenamePattern::defaultPattern()).pattern;
    compileFilenamePattern();

    m_remoteServer->setStatusHandler(
        [self = QPointer<FolderWatcher>(this)](bool running, std::optional<QString> error) {
            if (self)
                self->setRemoteDisplayStatus(running, error);
        });
    connect(m_announcement, &ServiceAnnouncement::statusChanged, this, [this] {
        assign(m_remoteDisplayAnnouncement, m_announcement->status(),
               &FolderWatcher::remoteDisplayAnnouncementChanged);
        emitChangedIfNeeded();
    });
    // The key is in force before the first request can arrive.
    applyRemoteDisplayKey();
    // No state yet: the first push follows the first applied scan.
    if (m_remoteDisplayEnabled)
        m_remoteServer->start();

    for (const auto& provider : m_providers) {
        if (provider->id() == DAWId::reaper)
            continue;
        // A built-in pattern that does not compile leaves its DAW without one; nothing to tell.
        if (auto compiled = FilenamePattern::compile(provider->defaultFilenamePattern()).pattern)
            m_builtinPatterns.insert(provider->id(), std::move(compiled));
    }

    // Nothing loaded above is a change anyone could have observed yet.
    m_publishedChangePending = false;
    startWatching();
}

FolderWatcher::~FolderWatcher()
{
    // A batch that has not started yet sees this and does nothing; one that is running finishes
    // on its own and its result is dropped.
    m_alive.reset();
}

template <typename T>
void FolderWatcher::assign(T& member, const T& value, void (FolderWatcher::*signal)())
{
    if (member == value)
        return;
    member = value;
    m_publishedChangePending = true;
    Q_EMIT(this->*signal)();
}

void FolderWatcher::emitChangedIfNeeded()
{
    if (!m_publishedChangePending)
        return;
    m_publishedChangePending = false;
    Q_EMIT changed();
}

void FolderWatcher::setShowNextTakeWhenIdle(bool value)
{
    assign(m_showNextTakeWhenIdle, value, &FolderWatcher::showNextTakeWhenIdleChanged);
    m_settings.setShowNextTakeWhenIdle(value);
    emitChangedIfNeeded();
}

void FolderWatcher::setDawSelection(const DAWSelection& selection)
{
    assign(m_dawSelection, selection, &FolderWatcher::dawSelectionChanged);
    m_settings.setDAWSelection(selection);
    emitChangedIfNeeded();
}

void FolderWatcher::setTakeDerivation(TakeDerivation derivation)
{
    assign(m_takeDerivation, derivation, &FolderWatcher::takeDerivationChanged);
    m_settings.setTakeDerivation(derivation);
    emitChangedIfNeeded();
}

void FolderWatcher::setRemoteDisplayEnabled(bool enabled)
{
    m_settings.setRemoteDisplayEnabled(enabled);
    applyRemoteDisplayEnabled(enabled);
}

void FolderWatcher::enableRemoteDisplayForThisRun()
{
    applyRemoteDisplayEnabled(true);
}

void FolderWatcher::applyRemoteDisplayEnabled(bool enabled)
{
    assign(m_remoteDisplayEnabled, enabled, &FolderWatcher::remoteDisplayEnabledChanged);
    if (enabled) {
        m_remoteServer->start();
        // The page shows the current take at once instead of after the next scan.
        syncRemoteDisplay();
    } else {
        m_remoteServer->stop();
        // At once, not when the server's report of the stop arrives.
        m_announcement->withdraw();
    }
    emitChangedIfNeeded();
}

void FolderWatcher::setRemoteDisplayKeyRequired(bool required)
{
    m_settings.setRemoteDisplayKeyRequired(required);
    assign(m_remoteDisplayKeyRequired, required, &FolderWatcher::remoteDisplayKeyRequiredChanged);
    applyRemoteDisplayKey();
    emitChangedIfNeeded();
}

void FolderWatcher::newRemoteDisplayKey()
{
    const QString key = RemoteDisplayServer::newAccessKey();
    m_settings.setRemoteDisplayKey(key);
    assign(m_remoteDisplayKey, key, &FolderWatcher::remoteDisplayKeyChanged);
    applyRemoteDisplayKey();
    emitChangedIfNeeded();
}

void FolderWatcher::applyRemoteDisplayKey()
{
    // A stored key of another form (edited by hand, or cut short) is replaced rather than
    // trusted: a short key could be guessed.
    if (m_remoteDisplayKeyRequired && !RemoteDisplayServer::isAccessKey(m_remoteDisplayKey)) {
        const QString key = RemoteDisplayServer::newAccessKey();
        m_settings.setRemoteDisplayKey(key);
        assign(m_remoteDisplayKey, key, &FolderWatcher::remoteDisplayKeyChanged);
    }
    m_remoteServer->setAccessKey(m_remoteDisplayKeyRequired ? std::optional(m_remoteDisplayKey)
                                                            : std::nullopt);
}

void FolderWatcher::setRemoteDisplayStatus(bool running, const std::optional<QString>& error)
{
    assign(m_remoteDisplayRunning, running, &FolderWatcher::remoteDisplayRunningChanged);
    assign(m_remoteDisplayError, error, &FolderWatcher::remoteDisplayErrorChanged);
    syncAnnouncement();
    emitChangedIfNeeded();
}

void FolderWatcher::syncAnnouncement()
{
    // A restart is reported as a stop, then as listening on its (perhaps new) port; announce()
    // replaces what was announced before, so an old port never stays on the network.
    if (!m_remoteDisplayRunning || !m_remoteDisplayEnabled) {
        m_announcement->withdraw();
        return;
    }
    ServiceAnnouncement::Service service;
    service.name = NetworkInfo::serviceName(NetworkInfo::localHostName());
    service.type = QByteArrayLiteral("_http._tcp");
    service.port = remoteDisplayPort();
    // The key stays out: the TXT record can be read by anyone on the network.
    service.txt = {{QByteArrayLiteral("path"), QByteArrayLiteral("/")}};
    m_announcement->announce(service);
}

void FolderWatcher::setFolderMode(FolderMode mode)
{
    assign(m_folderMode, mode, &FolderWatcher::folderModeChanged);
    m_settings.setFolderMode(mode);
    emitChangedIfNeeded();
}

QString FolderWatcher::folderChooserMessage()
{
    return QStringLiteral("Select the folder the DAW writes take files into");
}

void FolderWatcher::selectManualFolder(const FolderChooser& chooseFolder)
{
    if (!chooseFolder)
        return;
    const std::optional<QString> chosen = chooseFolder(folderChooserMessage());
    if (!chosen || chosen->isEmpty())
        return;
    assign(m_manualFolderURL, chosen, &FolderWatcher::manualFolderURLChanged);
    m_settings.setManualFolderPath(*chosen);
    assign(m_folderMode, FolderMode::manual, &FolderWatcher::folderModeChanged);
    m_settings.setFolderMode(FolderMode::manual);
    emitChangedIfNeeded();
}

std::optional<QString> FolderWatcher::effectiveFolderURL() const
{
    return m_folderMode == FolderMode::manual ? m_manualFolderURL : m_detectedFolderURL;
}

void FolderWatcher::loadFilenamePattern()
{
    const std::optional<QString> stored = m_settings.filenamePattern();
    if (stored && !FilenamePattern::legacyPatterns().contains(*stored)) {
        m_filenamePattern = *stored;
        return;
    }
    m_filenamePattern = FilenamePattern::defaultPattern();
    if (stored)
        m_settings.setFilenamePattern(m_filenamePattern);
}

void FolderWatcher::setFilenamePattern(const QString& pattern)
{
    assign(m_filenamePattern, pattern, &FolderWatcher::filenamePatternChanged);
    m_settings.setFilenamePattern(pattern);
    compileFilenamePattern();
    emitChangedIfNeeded();
}

void FolderWatcher::compileFilenamePattern()
{
    auto result = FilenamePattern::compile(m_filenamePattern);
    std::optional<QString> error;
    if (!result.pattern)
        error = result.error;
    else if (!FilenamePattern::matchesQuickly(result.pattern, sampleTakeNames()))
        error = FilenamePattern::tooSlowMessage();

    if (!error) {
        installCompiledPattern(std::move(result.pattern));
        assign(m_filenamePatternError, std::optional<QString>(),
               &FolderWatcher::filenamePatternErrorChanged);
        return;
    }

    assign(m_filenamePatternError, error, &FolderWatcher::filenamePatternErrorChanged);
    // The last pattern that passed stays in force; only a first start falls back to the default.
    if (!installedFilenamePattern())
        installCompiledPattern(m_fallbackFilenamePattern);
}

QStringList FolderWatcher::sampleTakeNames() const
{
    // A few names are enough to show how the user's takes are made up; the folder may hold tens
    // of thousands, and this runs on the main thread, so only its first entries are looked at.
    constexpr int wanted = 3;
    constexpr int maxEntries = 256;
    QStringList names;
    for (const std::optional<QString>& folder : {m_detectedTakeFolder, effectiveFolderURL()}) {
        if (!folder || folder->isEmpty())
            continue;
        QDirIterator entries(*folder, QDir::Files | QDir::Hidden | QDir::System);
        for (int seen = 0; seen < maxEntries && names.size() < wanted && entries.hasNext();
             ++seen) {
            const QString name = entries.nextFileInfo().fileName();
            if (name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) && !names.contains(name))
                names.append(name);
        }
    }
    return names;
}

void FolderWatcher::withdrawSlowPatterns(const std::vector<ScanResult>& results)
{
    const CompiledPattern inForce = installedFilenamePattern();
    for (const ScanResult& result : results) {
        // Built-in patterns and patterns already replaced are not the user's to withdraw.
        if (!result.pattern || result.pattern != inForce)
            continue;
        if (!result.snapshot.filenamePatternTooSlow) {
            // Only a take read proves the pattern on real names; a scan with no folder to read
            // proves nothing.
            if (result.snapshot.currentTake)
                m_fallbackFilenamePattern = inForce;
            continue;
        }
        // The fallback itself being slow leaves nothing better; the budget still bounds each scan.
        // Recompiling the same text makes a new object, so the texts are compared too.
        if (!m_fallbackFilenamePattern || inForce == m_fallbackFilenamePattern ||
            inForce->pattern() == m_fallbackFilenamePattern->pattern())
            continue;
        installCompiledPattern(m_fallbackFilenamePattern);
        assign(m_filenamePatternError,
               std::optional<QString>(FilenamePattern::tooSlowOnFolderMessage()),
               &FolderWatcher::filenamePatternErrorChanged);
        return;
    }
}

void FolderWatcher::installCompiledPattern(CompiledPattern pattern)
{
    std::lock_guard lock(m_patternLock);
    m_compiledFilenamePattern = std::move(pattern);
}

CompiledPattern FolderWatcher::installedFilenamePattern() const
{
    std::lock_guard lock(m_patternLock);
    return m_compiledFilenamePattern;
}

CompiledPattern FolderWatcher::compiledPattern(DAWId id) const
{
    if (id == DAWId::reaper)
        return installedFilenamePattern();
    return m_builtinPatterns.value(id);
}

std::optional<QString> FolderWatcher::displayedRecPass() const
{
    if (!m_lastTake)
        return std::nullopt;
    const QString& text = m_lastTake->recPass;
    if (text.isEmpty())
        return text;
    std::optional<qint64> number = DecimalText::parseInteger(text);
    if (!number)
        return text;
    // The largest value has no successor; it is shown as it is rather than wrapping around.
    if (!m_isRecording && m_showNextTakeWhenIdle && *number < std::numeric_limits<qint64>::max())
        ++*number;
    return QString::number(*number);
}

QString FolderWatcher::takeStatusLabel() const
{
    if (m_isRecording)
        return QStringLiteral("Recording");
    return m_showNextTakeWhenIdle ? QStringLiteral("Next take") : QStringLiteral("Last take");
}

std::vector<FolderWatcher::DAWOption> FolderWatcher::dawOptions() const
{
    std::vector<DAWOption> options;
    options.reserve(m_providers.size());
    for (const auto& provider : m_providers)
        options.push_back({provider->id(), provider->displayName()});
    return options;
}

void FolderWatcher::startWatching()
{
    delete m_timer;
    m_timer = new QTimer(this);
    m_timer->setInterval(m_tickInterval);
    connect(m_timer, &QTimer::timeout, this, [self = QPointer<FolderWatcher>(this)] {
        if (self)
            self->tick();
    });
    m_timer->start();

    // QUORVEL_POLL_ONLY=1 leaves the clock alone in charge, as before folder changes woke it.
    if (!m_folderChanges && qEnvironmentVariableIntValue("QUORVEL_POLL_ONLY") != 1) {
        m_wakeTimer = new QTimer(this);
        m_wakeTimer->setSingleShot(true);
        m_wakeTimer->setInterval(wakeDelay);
        connect(m_wakeTimer, &QTimer::timeout, this, &FolderWatcher::wake);
        m_folderChanges = new QFileSystemWatcher(this);
        connect(m_folderChanges, &QFileSystemWatcher::directoryChanged, this, [this] {
            if (!m_wakeTimer->isActive())
                m_wakeTimer->start();
        });
    }
    tick();
}

void FolderWatcher::tick()
{
    m_clockTickSinceApply = true;
    submitBatch();
}

void FolderWatcher::wake()
{
    // A batch that has not started yet lists the folders after the change anyway.
    if (m_batchWaiting->load())
        return;
    if (m_batchesInFlight > 0)
        m_wakeAgain = true;
    else
        submitBatch();
}

void FolderWatcher::watchListedFolders()
{
    if (!m_folderChanges)
        return;
    // The folders the scans have just listed: a new take file appears in one of them.
    const QStringList wanted = FolderListings::shared().recentFolders(3 * m_tickInterval);
    const QStringList watched = m_folderChanges->directories();
    QStringList gone;
    for (const QString& folder : watched) {
        if (!wanted.contains(folder))
            gone << folder;
    }
    if (!gone.isEmpty())
        m_folderChanges->removePaths(gone);
    QStringList added;
    for (const QString& folder : wanted) {
        if (!watched.contains(folder))
            added << folder;
    }
    // A folder that cannot be watched (gone, the system's limit) is simply not woken for; the
    // clock still lists it every second.
    if (!added.isEmpty())
        m_folderChanges->addPaths(added);
}

void FolderWatcher::submitBatch()
{
    if (m_batchWaiting->load())
        return;

    std::vector<std::pair<std::shared_ptr<const DAWProvider>, DAWScanContext>> batch;
    const std::optional<DAWId> pinned = m_dawSelection.manualId();
    for (const auto& provider : m_providers) {
        if (pinned && provider->id() != *pinned)
            continue;
        if (!provider->isRunning())
            continue;
        const Detection previous = m_lastDetection.value(provider->id());
        DAWScanContext context;
        context.folderMode = m_folderMode;
        context.manualFolder = m_manualFolderURL;
        context.previousDetectedFolder = previous.folder;
        context.previousDetectedProjectPath = previous.projectPath;
        context.pattern = compiledPattern(provider->id());
        context.recordingWindow = recordingWindow;
        context.takeDerivation = m_takeDerivation;
        batch.emplace_back(provider, std::move(context));
    }

    // Nothing to scan, and no result ahead of this one to keep the order with: the round ends
    // here, without waking the scan thread.
    const bool direct = batch.empty() && m_batchesInFlight == 0;
    ++m_batchesInFlight;
    if (direct) {
        QTimer::singleShot(0, this, [this] { finishBatch({}); });
        return;
    }
    m_batchWaiting->store(true);
    m_scanExecutor.submit([alive = std::weak_ptr<int>(m_alive), waiting = m_batchWaiting,
                           self = QPointer<FolderWatcher>(this), batch = std::move(batch)] {
        waiting->store(false);
        if (alive.expired())
            return;
        std::vector<ScanResult> results;
        results.reserve(batch.size());
        for (const auto& [provider, context] : batch)
            results.push_back({provider, provider->scan(context), context.pattern});
        // The application object outlives every watcher; the watcher itself is looked at only
        // on the main thread.
        if (QCoreApplication* app = QCoreApplication::instance()) {
            handOver(app, [self, results = std::move(results)] {
                if (self)
                    self->finishBatch(results);
            });
        }
    });
}

void FolderWatcher::finishBatch(const std::vector<ScanResult>& results)
{
    --m_batchesInFlight;
    apply(results, std::exchange(m_clockTickSinceApply, false));
    watchListedFolders();
    if (std::exchange(m_wakeAgain, false))
        wake();
}

void FolderWatcher::apply(const std::vector<ScanResult>& results, bool counted)
{
    withdrawSlowPatterns(results);

    for (const auto& [provider, snapshot, pattern] : results)
        m_lastDetection.insert(provider->id(),
                               Detection{snapshot.detectedFolder, snapshot.detectedProjectPath});

    const ScanResult* chosen = nullptr;
    for (const auto& result : results) {
        if (result.snapshot.isRecording) {
            chosen = &result;
            break;
        }
    }
    if (!chosen) {
        for (const auto& result : results) {
            if (result.snapshot.currentTake) {
                chosen = &result;
                break;
            }
        }
    }
    if (!chosen && !results.empty())
        chosen = &results.front();

    assign(m_detectedDAWName,
           chosen ? std::optional<QString>(chosen->provider->displayName()) : std::nullopt,
           &FolderWatcher::detectedDAWNameChanged);

    if (chosen && chosen->snapshot.isRecording) {
        m_notRecordingTicks = 0;
        assign(m_isRecording, true, &FolderWatcher::isRecordingChanged);
    } else if (counted) {
        ++m_notRecordingTicks;
        if (m_notRecordingTicks >= stopDebounceTicks)
            assign(m_isRecording, false, &FolderWatcher::isRecordingChanged);
    }

    if (chosen) {
        const DAWSnapshot& snapshot = chosen->snapshot;
        assign(m_detectedFolderURL, snapshot.detectedFolder,
               &FolderWatcher::detectedFolderURLChanged);
        assign(m_detectedTakeFolder, snapshot.takeFolder,
               &FolderWatcher::detectedTakeFolderChanged);
        assign(m_detectedProjectPath, snapshot.detectedProjectPath,
               &FolderWatcher::detectedProjectPathChanged);
        assign(m_detectedProjectName, snapshot.projectName,
               &FolderWatcher::detectedProjectNameChanged);
        // An absent take never clears the last one: it stays on display after the DAW quits.
        if (snapshot.currentTake)
            assign(m_lastTake, snapshot.currentTake, &FolderWatcher::lastTakeChanged);
    }

    if (m_remoteDisplayEnabled)
        syncRemoteDisplay();

    emitChangedIfNeeded();
    Q_EMIT scanApplied();
}

void FolderWatcher::setRemoteTakeList(const QByteArray& json)
{
    m_remoteServer->setTakeList(json);
}

QStringList FolderWatcher::remoteDisplayURLs() const
{
    return NetworkInfo::pageURLs(
        NetworkInfo::localHostName(), NetworkInfo::lanIPv4Addresses(), remoteDisplayPort(),
        m_remoteDisplayAnnouncement.state == ServiceAnnouncement::State::registered,
        m_remoteDisplayKeyRequired ? std::optional(m_remoteDisplayKey) : std::nullopt);
}

void FolderWatcher::runOnScanThread(std::function<void()> work)
{
    m_scanExecutor.submit(std::move(work));
}

void FolderWatcher::syncRemoteDisplay()
{
    RemoteDisplayServer::State state;
    state.project = m_detectedProjectName;
    state.piece = m_lastTake ? m_lastTake->pieceName : std::nullopt;
    state.take = displayedRecPass();
    state.status = takeStatusLabel();
    state.recording = m_isRecording;
    state.daw = m_detectedDAWName;
    state.hasTake = m_lastTake.has_value();
    m_remoteServer->update(state);
}

} // namespace quorvel

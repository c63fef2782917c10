#pragma once

#include "model/CompiledPattern.h"
#include "model/DAWId.h"
#include "model/DAWProvider.h"
#include "model/DAWSelection.h"
#include "model/FolderMode.h"
#include "model/RecordingPass.h"
#include "model/SerialExecutor.h"
#include "model/TakeDerivation.h"
#include "platform/ServiceAnnouncement.h"
#include "remote/RemoteDisplayServer.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QFileSystemWatcher;
class QTimer;

namespace quorvel {

class UserDefaults;

// The one model object: once a tick it asks the providers which DAWs run, scans those on the scan
// thread, and merges the snapshots back on the main thread into the state every surface shows.
// The end of a recording is debounced over three ticks so one quiet second inside a take does not
// flip the display.
//
// Every published value is a Q_PROPERTY whose NOTIFY signal fires only when the value changes;
// changed() follows once after any batch of published changes. Main thread only, except where a
// member says otherwise.
class FolderWatcher : public QObject
{
    Q_OBJECT
    Q_PROPERTY(std::optional<quorvel::RecordingPass> lastTake READ lastTake NOTIFY lastTakeChanged)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(
        std::optional<QString> detectedDAWName READ detectedDAWName NOTIFY detectedDAWNameChanged)
    Q_PROPERTY(bool showNextTakeWhenIdle READ showNextTakeWhenIdle WRITE setShowNextTakeWhenIdle
                   NOTIFY showNextTakeWhenIdleChanged)
    Q_PROPERTY(quorvel::DAWSelection dawSelection READ dawSelection WRITE setDawSelection NOTIFY
                   dawSelectionChanged)
    Q_PROPERTY(quorvel::TakeDerivation takeDerivation READ takeDerivation WRITE setTakeDerivation
                   NOTIFY takeDerivationChanged)
    Q_PROPERTY(bool remoteDisplayEnabled READ remoteDisplayEnabled WRITE setRemoteDisplayEnabled
                   NOTIFY remoteDisplayEnabledChanged)
    Q_PROPERTY(bool remoteDisplayKeyRequired READ remoteDisplayKeyRequired WRITE
                   setRemoteDisplayKeyRequired NOTIFY remoteDisplayKeyRequiredChanged)
    Q_PROPERTY(QString remoteDisplayKey READ remoteDisplayKey NOTIFY remoteDisplayKeyChanged)
    Q_PROPERTY(
        bool remoteDisplayRunning READ remoteDisplayRunning NOTIFY remoteDisplayRunningChanged)
    Q_PROPERTY(std::optional<QString> remoteDisplayError READ remoteDisplayError NOTIFY
                   remoteDisplayErrorChanged)
    Q_PROPERTY(quorvel::ServiceAnnouncement::Status remoteDisplayAnnouncement READ
                   remoteDisplayAnnouncement NOTIFY remoteDisplayAnnouncementChanged)
    Q_PROPERTY(
        quorvel::FolderMode folderMode READ folderMode WRITE setFolderMode NOTIFY folderModeChanged)
    Q_PROPERTY(
        std::optional<QString> manualFolderURL READ manualFolderURL NOTIFY manualFolderURLChanged)
    Q_PROPERTY(std::optional<QString> detectedFolderURL READ detectedFolderURL NOTIFY
                   detectedFolderURLChanged)
    Q_PROPERTY(std::optional<QString> detectedTakeFolder READ detectedTakeFolder NOTIFY
                   detectedTakeFolderChanged)
    Q_PROPERTY(std::optional<QString> detectedProjectPath READ detectedProjectPath NOTIFY
                   detectedProjectPathChanged)
    Q_PROPERTY(std::optional<QString> detectedProjectName READ detectedProjectName NOTIFY
                   detectedProjectNameChanged)
    Q_PROPERTY(QString filenamePattern READ filenamePattern WRITE setFilenamePattern NOTIFY
                   filenamePatternChanged)
    Q_PROPERTY(std::optional<QString> filenamePatternError READ filenamePatternError NOTIFY
                   filenamePatternErrorChanged)

public:
    using ProviderList = std::vector<std::shared_ptr<const DAWProvider>>;

    // What one provider reported in its latest scan; handed back to its next scan.
    struct Detection
    {
        std::optional<QString> folder;
        std::optional<QString> projectPath;
        friend bool operator==(const Detection&, const Detection&) = default;
    };

    struct ScanResult
    {
        std::shared_ptr<const DAWProvider> provider;
        DAWSnapshot snapshot;
        // The filename pattern the scan was given, so that a report of it being too slow is held
        // against that pattern only, not against one installed while the scan ran.
        CompiledPattern pattern = nullptr;
    };

    struct DAWOption
    {
        DAWId id;
        QString name;
    };

    // Shows a folder chooser with the given message; the chosen absolute path, or no value when
    // the user cancelled.
    using FolderChooser = std::function<std::optional<QString>(const QString& message)>;

    static constexpr double recordingWindow = 4.0;
    static constexpr int stopDebounceTicks = 3;
    static constexpr quint16 defaultRemoteDisplayPort = 8787;

    // Loads the settings, compiles the patterns, starts the remote display if the user turned it
    // on, and starts watching before it returns. The providers are kept in the order given, which
    // breaks ties. settings must outlive the watcher. A remote display port of 0 lets the system
    // choose one (for tests).
    FolderWatcher(ProviderList providers, UserDefaults& settings, QObject* parent = nullptr,
                  std::chrono::milliseconds tickInterval = std::chrono::seconds(1),
                  quint16 remoteDisplayPort = defaultRemoteDisplayPort);
    ~FolderWatcher() override;

    const ProviderList& providers() const { return m_providers; }

    std::optional<RecordingPass> lastTake() const { return m_lastTake; }
    bool isRecording() const { return m_isRecording; }
    std::optional<QString> detectedDAWName() const { return m_detectedDAWName; }
    int notRecordingTicks() const { return m_notRecordingTicks; }

    bool showNextTakeWhenIdle() const { return m_showNextTakeWhenIdle; }
    void setShowNextTakeWhenIdle(bool value);
    DAWSelection dawSelection() const { return m_dawSelection; }
    void setDawSelection(const DAWSelection& selection);
    TakeDerivation takeDerivation() const { return m_takeDerivation; }
    void setTakeDerivation(TakeDerivation derivation);

    bool remoteDisplayEnabled() const { return m_remoteDisplayEnabled; }
    // Persists the setting, then starts the server and pushes the current state at once, or
    // stops it.
    void setRemoteDisplayEnabled(bool enabled);
    // Turns the remote display on for this run only, leaving the stored setting as it is.
    void enableRemoteDisplayForThisRun();
    // Whether every request to the remote display must carry the access key; stored.
    bool remoteDisplayKeyRequired() const { return m_remoteDisplayKeyRequired; }
    // Turning it on makes a key when none is stored yet.
    void setRemoteDisplayKeyRequired(bool required);
    // The access key (empty while none was ever needed).
    QString remoteDisplayKey() const { return m_remoteDisplayKey; }
    // Replaces the access key with a fresh one and stores it; devices given the old one are
    // refused from their next request on.
    void newRemoteDisplayKey();
    // The port the remote display listens on (the one the system chose, once listening).
    quint16 remoteDisplayPort() const { return m_remoteServer->port(); }
    bool remoteDisplayRunning() const { return m_remoteDisplayRunning; }
    std::optional<QString> remoteDisplayError() const { return m_remoteDisplayError; }
    // Whether the page is announced on the local network ("_http._tcp", named after the host,
    // TXT "path=/", never the key) and under which name: asked for while the server listens,
    // withdrawn when it stops or the display is turned off.
    ServiceAnnouncement::Status remoteDisplayAnnouncement() const
    {
        return m_remoteDisplayAnnouncement;
    }

    FolderMode folderMode() const { return m_folderMode; }
    // Persists the mode; the manual folder is kept for the next switch back.
    void setFolderMode(FolderMode mode);
    std::optional<QString> manualFolderURL() const { return m_manualFolderURL; }
    // Runs chooseFolder; on a choice, makes it the manual folder and switches to manual mode, both
    // persisted. Cancelling changes nothing.
    void selectManualFolder(const FolderChooser& chooseFolder);
    static QString folderChooserMessage();

    std::optional<QString> detectedFolderURL() const { return m_detectedFolderURL; }
    // The folder the newest take was found in, which a project may keep apart from the detected
    // folder (REAPER recording into the project's Media folder).
    std::optional<QString> detectedTakeFolder() const { return m_detectedTakeFolder; }
    std::optional<QString> detectedProjectPath() const { return m_detectedProjectPath; }
    std::optional<QString> detectedProjectName() const { return m_detectedProjectName; }
    // The manual folder in manual mode, else the detected one.
    std::optional<QString> effectiveFolderURL() const;

    QString filenamePattern() const { return m_filenamePattern; }
    // Persists the text, then compiles and vets it; may block for up to the guard's 0.2 s.
    void setFilenamePattern(const QString& pattern);
    // Present exactly while the text differs from the pattern in force. A pattern that passed the
    // guard but then used up a scan's matching budget is withdrawn in favour of the last one that
    // did not (or the default) and reported here as too slow on this folder's file names.
    std::optional<QString> filenamePatternError() const { return m_filenamePatternError; }
    // The pattern a scan of that DAW uses: REAPER's is the user's; the others are built in. Any
    // thread.
    CompiledPattern compiledPattern(DAWId id) const;

    // The take number every surface shows: leading zeros stripped, plus one while idle with the
    // next-take option; non-numeric values as they are. No value without a take.
    std::optional<QString> displayedRecPass() const;
    // "Recording", "Next take" or "Last take".
    QString takeStatusLabel() const;

    std::vector<DAWOption> dawOptions() const;
    const QHash<DAWId, Detection>& lastDetection() const { return m_lastDetection; }

    bool didHandleStartupWindow() const { return m_didHandleStartupWindow; }
    void setDidHandleStartupWindow(bool handled) { m_didHandleStartupWindow = handled; }

    // (Re)starts the timer and ticks once at once.
    void startWatching();
    // One round: asks the candidates whether they run and submits their scans as one batch. No
    // batch is submitted while an earlier one still waits to start, so slow scans never pile up.
    void tick();
    // Merges one batch's results, in provider order; the scan thread's results arrive here.
    // Only a counted batch (one that follows a tick of the clock) moves the end-of-recording
    // debounce on: batches run early because a folder changed never shorten it.
    void apply(const std::vector<ScanResult>& results, bool counted = true);
    // Runs a batch now, outside the clock, because something changed in a folder the scans list.
    // A batch already running may have listed the folder before the change; then another follows.
    void wake();

    // Where the remote display server's status reports land; public so that the surfaces can be
    // shown in every state.
    void setRemoteDisplayStatus(bool running, const std::optional<QString>& error);
    // The addresses under which the remote page can be opened, worked out afresh on each call:
    // "http://NAME.local:8787" and one per LAN address, the name first only while the page is
    // announced (see NetworkInfo::pageURLs). While the key is required each ends in "/?key=KEY",
    // so the QR codes and the copied addresses open the page with it.
    QStringList remoteDisplayURLs() const;
    // What the remote display answers /api/v1/takes with: the take sheet's newest entries.
    void setRemoteTakeList(const QByteArray& json);

    // Runs work on the scan thread, after any batch already queued there; for slow file-system
    // work that must not block the main thread. work must not touch the watcher.
    void runOnScanThread(std::function<void()> work);

Q_SIGNALS:
    void lastTakeChanged();
    void isRecordingChanged();
    void detectedDAWNameChanged();
    void showNextTakeWhenIdleChanged();
    void dawSelectionChanged();
    void takeDerivationChanged();
    void remoteDisplayEnabledChanged();
    void remoteDisplayKeyRequiredChanged();
    void remoteDisplayKeyChanged();
    void remoteDisplayRunningChanged();
    void remoteDisplayErrorChanged();
    void remoteDisplayAnnouncementChanged();
    void folderModeChanged();
    void manualFolderURLChanged();
    void detectedFolderURLChanged();
    void detectedTakeFolderChanged();
    void detectedProjectPathChanged();
    void detectedProjectNameChanged();
    void filenamePatternChanged();
    void filenamePatternErrorChanged();
    // Once after any published change (a whole applied scan counts as one).
    void changed();
    // After every applied scan, whether or not anything changed.
    void scanApplied();

private:
    template <typename T> void assign(T& member, const T& value, void (FolderWatcher::*signal)());
    void emitChangedIfNeeded();
    void loadFilenamePattern();
    void compileFilenamePattern();
    void installCompiledPattern(CompiledPattern pattern);
    QStringList sampleTakeNames() const;
    void withdrawSlowPatterns(const std::vector<ScanResult>& results);
    CompiledPattern installedFilenamePattern() const;
    void applyRemoteDisplayEnabled(bool enabled);
    void syncRemoteDisplay();
    void syncAnnouncement();
    void applyRemoteDisplayKey();
    void submitBatch();
    void finishBatch(const std::vector<ScanResult>& results);
    void watchListedFolders();

    UserDefaults& m_settings;
    ProviderList m_providers;

    std::optional<RecordingPass> m_lastTake;
    bool m_isRecording = false;
    std::optional<QString> m_detectedDAWName;
    int m_notRecordingTicks = 0;
    bool m_showNextTakeWhenIdle = false;
    DAWSelection m_dawSelection;
    TakeDerivation m_takeDerivation = TakeDerivation::mode;
    bool m_remoteDisplayEnabled = false;
    bool m_remoteDisplayKeyRequired = false;
    QString m_remoteDisplayKey;
    bool m_remoteDisplayRunning = false;
    std::optional<QString> m_remoteDisplayError;
    ServiceAnnouncement::Status m_remoteDisplayAnnouncement;
    FolderMode m_folderMode = FolderMode::automatic;
    std::optional<QString> m_manualFolderURL;
    std::optional<QString> m_detectedFolderURL;
    std::optional<QString> m_detectedTakeFolder;
    std::optional<QString> m_detectedProjectPath;
    std::optional<QString> m_detectedProjectName;
    QTimer* m_timer = nullptr;
    // Folder changes wake the watcher (see wake()), gathered over wakeDelay so that a burst of
    // changes costs one batch.
    static constexpr std::chrono::milliseconds wakeDelay{10};
    QFileSystemWatcher* m_folderChanges = nullptr;
    QTimer* m_wakeTimer = nullptr;
    bool m_clockTickSinceApply = false;
    int m_batchesInFlight = 0; // submitted, not applied yet
    bool m_wakeAgain = false;
    std::chrono::milliseconds m_tickInterval;
    QHash<DAWId, Detection> m_lastDetection;
    QHash<DAWId, CompiledPattern> m_builtinPatterns;
    bool m_didHandleStartupWindow = false;
    QString m_filenamePattern;
    std::optional<QString> m_filenamePatternError;

    mutable std::mutex m_patternLock;
    CompiledPattern m_compiledFilenamePattern; // guarded by m_patternLock
    // What a pattern found too slow on the folder is swapped for: the last one in force that
    // read a take within a scan's budget, else the default. Main thread only.
    CompiledPattern m_fallbackFilenamePattern;

    bool m_publishedChangePending = false;
    RemoteDisplayServer* m_remoteServer = nullptr; // child
    ServiceAnnouncement* m_announcement = nullptr; // child

    // Scan-thread side: the batch checks m_alive (weakly) before scanning, and the waiting flag
    // keeps at most one batch queued behind the running one.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::shared_ptr<std::atomic<bool>> m_batchWaiting = std::make_shared<std::atomic<bool>>(false);
    SerialExecutor m_scanExecutor;
};

} // namespace quorvel

Q_DECLARE_METATYPE(quorvel::DAWSelection)

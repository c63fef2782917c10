#pragma once

#include "model/DAWSnapshot.h"
#include "model/FolderWatcher.h"
#include "model/UserDefaults.h"
#include "support/FakeProvider.h"
#include "support/TempDir.h"

#include <memory>

namespace quorvel::test {

// A watcher the test drives by hand: fake REAPER and Ableton Live providers that are not running,
// settings in a throwaway INI file with the application's defaults registered, and a tick so slow
// that only the start-up scan ever runs (the harness waits for it). States are set by applying
// snapshots directly.
class WatcherHarness
{
public:
    WatcherHarness();
    ~WatcherHarness();

    FolderWatcher& watcher() { return *m_watcher; }
    UserDefaults& settings() { return *m_settings; }
    QString settingsPath() const { return m_settingsPath; }
    TempDir& dir() { return m_dir; }

    // Applies one scan in which provider id reported snapshot.
    void apply(const DAWSnapshot& snapshot, DAWId id = DAWId::reaper);
    // Applies a scan in which no DAW ran.
    void applyNothing();
    // A take reported recording.
    void record(const QString& recPass, std::optional<QString> piece = std::nullopt,
                std::optional<QString> project = std::nullopt);
    // The take reported idle often enough for the recording to end.
    void stop(const QString& recPass, std::optional<QString> piece = std::nullopt,
              std::optional<QString> project = std::nullopt);

private:
    TempDir m_dir;
    QString m_settingsPath;
    std::unique_ptr<UserDefaults> m_settings;
    std::shared_ptr<FakeProvider> m_reaper;
    std::shared_ptr<FakeProvider> m_ableton;
    std::unique_ptr<FolderWatcher> m_watcher;
};

} // namespace quorvel::test

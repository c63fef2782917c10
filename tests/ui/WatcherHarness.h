#pragma once

#include "model/DAWSnapshot.h"
#include "model/FolderWatcher.h"
#include "model/UserDefaults.h"
#include "support/FakeProvider.h"
#include "support/TempDir.h"

#include <memory>

namespace quorvel::test {

// A watcher the test drives by hand: fake REAPER and Ableton Live providers that are not running
// (Ableton Live's pattern is "(\d+)"), settings in a throwaway INI file with the application's
// defaults, and a tick so slow that only the start-up scan runs (the harness waits for it).
// States are set by applying snapshots directly.
class WatcherHarness
{
public:
    WatcherHarness();

    FolderWatcher& watcher() { return *m_watcher; }
    UserDefaults& settings() { return m_settings; }
    TempDir& dir() { return m_dir; }

    // Applies one scan in which provider id reported snapshot; applyNothing() one with no DAW.
    WatcherHarness& apply(const DAWSnapshot& snapshot, DAWId id = DAWId::reaper);
    WatcherHarness& applyNothing();
    // Chooses path as the manual folder.
    WatcherHarness& manualFolder(const QString& path);
    // REAPER with project open (and its folder detected), no take.
    WatcherHarness& project(const QString& name, std::optional<QString> folder = {});
    // A REAPER take reported recording; stop() reports it idle until the recording ends.
    WatcherHarness& record(const QString& recPass, std::optional<QString> piece = {},
                           std::optional<QString> project = {});
    WatcherHarness& stop(const QString& recPass, std::optional<QString> piece = {},
                         std::optional<QString> project = {});

private:
    TempDir m_dir;
    UserDefaults m_settings;
    std::shared_ptr<FakeProvider> m_reaper, m_ableton;
    std::unique_ptr<FolderWatcher> m_watcher;
};

} // namespace quorvel::test

#include "WatcherHarness.h"

#include "support/Poll.h"

#include <gtest/gtest.h>

namespace quorvel::test {

WatcherHarness::WatcherHarness()
    : m_settings(m_dir.filePath(QStringLiteral("Quorvel.conf"))),
      m_reaper(std::make_shared<FakeProvider>(DAWId::reaper, QStringLiteral("REAPER"))),
      m_ableton(std::make_shared<FakeProvider>(DAWId::ableton, QStringLiteral("Ableton Live")))
{
    m_settings.registerApplicationDefaults();
    m_reaper->setRunning(false);
    m_ableton->setRunning(false);
    m_watcher = std::make_unique<FolderWatcher>(FolderWatcher::ProviderList{m_reaper, m_ableton},
                                                m_settings, nullptr, std::chrono::hours(1), 0);
    bool applied = false;
    const auto connection = QObject::connect(m_watcher.get(), &FolderWatcher::scanApplied,
                                             [&applied] { applied = true; });
    EXPECT_TRUE(pollUntil([&] { return applied; })) << "the start-up scan never came back";
    QObject::disconnect(connection);
}

WatcherHarness& WatcherHarness::apply(const DAWSnapshot& snapshot, DAWId id)
{
    std::shared_ptr<const DAWProvider> provider = id == DAWId::ableton ? m_ableton : m_reaper;
    m_watcher->apply({FolderWatcher::ScanResult{provider, snapshot}});
    return *this;
}

WatcherHarness& WatcherHarness::applyNothing()
{
    m_watcher->apply({});
    return *this;
}

WatcherHarness& WatcherHarness::manualFolder(const QString& path)
{
    m_watcher->selectManualFolder([path](const QString&) { return std::optional<QString>(path); });
    return *this;
}

WatcherHarness& WatcherHarness::project(const QString& name, std::optional<QString> folder)
{
    DAWSnapshot snapshot;
    snapshot.projectName = name;
    snapshot.detectedFolder = std::move(folder);
    return apply(snapshot);
}

WatcherHarness& WatcherHarness::record(const QString& recPass, std::optional<QString> piece,
                                       std::optional<QString> project)
{
    DAWSnapshot snapshot = snapshotWithTake(recPass, true, std::move(piece));
    snapshot.projectName = std::move(project);
    return apply(snapshot);
}

WatcherHarness& WatcherHarness::stop(const QString& recPass, std::optional<QString> piece,
                                     std::optional<QString> project)
{
    DAWSnapshot snapshot = snapshotWithTake(recPass, false, std::move(piece));
    snapshot.projectName = std::move(project);
    for (int tick = 0; tick < FolderWatcher::stopDebounceTicks; ++tick)
        apply(snapshot);
    return *this;
}

} // namespace quorvel::test

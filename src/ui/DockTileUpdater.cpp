#include "ui/DockTileUpdater.h"

#include "model/FolderWatcher.h"
#include "model/SettingsKey.h"
#include "model/UserDefaults.h"
#include "ui/DockTileRenderer.h"

namespace quorvel {

DockTileUpdater::DockTileUpdater(FolderWatcher& watcher, UserDefaults* settings,
                                 Installer installer, BadgeSender sender, QObject* parent)
    : QObject(parent), m_watcher(watcher), m_settings(settings),
      m_installer(installer ? std::move(installer) : Installer(&DockTileRenderer::update)),
      m_sender(sender ? std::move(sender) : BadgeSender(&DockTile::showLauncherBadge))
{
    connect(&m_watcher, &FolderWatcher::changed, this, &DockTileUpdater::onWatcherChanged);
    if (m_settings)
        connect(m_settings, &UserDefaults::changed, this, &DockTileUpdater::onSettingChanged);
}

void DockTileUpdater::onWatcherChanged()
{
    const std::optional<QString> number = m_watcher.displayedRecPass();
    const bool recording = m_watcher.isRecording();
    if (m_hasRendered && number == m_lastNumber && recording == m_lastRecording)
        return;
    m_hasRendered = true;
    m_lastNumber = number;
    m_lastRecording = recording;
    m_installer(number, recording);
    sendBadge();
}

void DockTileUpdater::onSettingChanged(const QString& key)
{
    if (key == SettingsKey::showInDock && m_hasRendered)
        sendBadge();
}

void DockTileUpdater::sendBadge()
{
    const bool shown = !m_settings || m_settings->showInDock();
    const DockTile::LauncherBadge badge =
        shown ? DockTileRenderer::launcherBadge(m_lastNumber, m_lastRecording)
              : DockTile::LauncherBadge{};
    if (badge == m_lastBadge)
        return;
    m_lastBadge = badge;
    m_sender(badge);
}

} // namespace quorvel

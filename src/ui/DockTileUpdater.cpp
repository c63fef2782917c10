#include "ui/DockTileUpdater.h"

#include "model/FolderWatcher.h"
#include "ui/DockTileRenderer.h"

namespace quorvel {

DockTileUpdater::DockTileUpdater(FolderWatcher& watcher, Installer installer, QObject* parent)
    : QObject(parent), m_watcher(watcher),
      m_installer(installer ? std::move(installer) : Installer(&DockTileRenderer::update))
{
    connect(&m_watcher, &FolderWatcher::changed, this, &DockTileUpdater::onWatcherChanged);
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
}

} // namespace quorvel

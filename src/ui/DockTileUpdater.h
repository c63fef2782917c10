#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace quorvel {

class FolderWatcher;

// Keeps the Dock tile's badge in step with the watcher. The watcher announces every published
// change, most of which the badge does not show; the updater redraws only when the number or the
// recording flag differs from what it last drew. One per process, owned by the shell.
class DockTileUpdater : public QObject
{
    Q_OBJECT

public:
    // Receives the number (absent: restore the normal icon) and the recording flag.
    using Installer = std::function<void(const std::optional<QString>& number, bool recording)>;

    // Draws nothing until the watcher's first change notification. installer defaults to
    // DockTileRenderer::update.
    explicit DockTileUpdater(FolderWatcher& watcher, Installer installer = {},
                             QObject* parent = nullptr);

    bool hasRendered() const { return m_hasRendered; }
    std::optional<QString> lastNumber() const { return m_lastNumber; }
    bool lastRecording() const { return m_lastRecording; }

private:
    void onWatcherChanged();

    FolderWatcher& m_watcher;
    Installer m_installer;
    std::optional<QString> m_lastNumber;
    bool m_lastRecording = false;
    bool m_hasRendered = false;
};

} // namespace quorvel

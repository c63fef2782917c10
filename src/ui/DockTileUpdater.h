#pragma once

#include "platform/DockTile.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace quorvel {

class FolderWatcher;
class UserDefaults;

// Keeps the Dock tile's badge and the launcher entry's badge in step with the watcher. The
// watcher announces every published change, most of which the badges do not show; the updater
// redraws only when the number or the recording flag differs from what it last drew, and
// announces the launcher badge only when that differs from the one it last sent. One per
// process, owned by the shell.
//
// With the Dock icon setting off, the launcher badge is cleared (no count, not urgent) and the
// tile keeps following the watcher: on macOS the accessory policy hides the tile, on Linux the
// windows lose their taskbar entries, but a launcher pinned to a dock would still show a badge
// the user asked to be without.
class DockTileUpdater : public QObject
{
    Q_OBJECT

public:
    // Receives the number (absent: restore the normal icon) and the recording flag.
    using Installer = std::function<void(const std::optional<QString>& number, bool recording)>;
    using BadgeSender = std::function<void(const DockTile::LauncherBadge& badge)>;

    // Draws and sends nothing until the watcher's first change notification. settings, when
    // given, is the Dock icon setting the launcher badge follows and must outlive the updater;
    // without it the badge always shows. installer defaults to DockTileRenderer::update, sender
    // to DockTile::showLauncherBadge.
    explicit DockTileUpdater(FolderWatcher& watcher, UserDefaults* settings = nullptr,
                             Installer installer = {}, BadgeSender sender = {},
                             QObject* parent = nullptr);

    bool hasRendered() const { return m_hasRendered; }
    std::optional<QString> lastNumber() const { return m_lastNumber; }
    bool lastRecording() const { return m_lastRecording; }
    // Absent until the first change notification.
    std::optional<DockTile::LauncherBadge> lastBadge() const { return m_lastBadge; }

private:
    void onWatcherChanged();
    void onSettingChanged(const QString& key);
    void sendBadge();

    FolderWatcher& m_watcher;
    UserDefaults* m_settings;
    Installer m_installer;
    BadgeSender m_sender;
    std::optional<QString> m_lastNumber;
    bool m_lastRecording = false;
    bool m_hasRendered = false;
    std::optional<DockTile::LauncherBadge> m_lastBadge;
};

} // namespace quorvel

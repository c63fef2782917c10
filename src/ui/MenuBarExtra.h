#pragma once

#include <QObject>

#include <optional>

class QSystemTrayIcon;

namespace quorvel {

class FolderWatcher;
class MenuBarMenu;

// Quorvel's permanent presence in the tray: an icon that shows the state and the number, with
// the shared menu. Where the desktop has no tray the icon is simply never seen; the menu still
// serves as the floating window's context menu.
class MenuBarExtra : public QObject
{
    Q_OBJECT

public:
    // menu is not owned and must outlive this object.
    MenuBarExtra(FolderWatcher& watcher, MenuBarMenu& menu, QObject* parent = nullptr);
    ~MenuBarExtra() override;

    // True when the desktop shows tray icons at this moment.
    static bool isAvailable();
    void show();

    QSystemTrayIcon* trayIcon() const { return m_tray; }
    // What the icon shows now: the number (an em dash without a take) and the recording flag.
    std::optional<QString> shownNumber() const { return m_number; }
    bool shownRecording() const { return m_recording; }

private:
    void refresh();

    FolderWatcher& m_watcher;
    MenuBarMenu& m_menu;
    QSystemTrayIcon* m_tray = nullptr;
    std::optional<QString> m_number;
    bool m_recording = false;
    bool m_hasIcon = false;
};

} // namespace quorvel

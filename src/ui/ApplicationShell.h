#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QMenu;

namespace quorvel {

class AppPresence;
class ApplicationMenu;
class DockTileUpdater;
class FloatingWindow;
class FolderWatcher;
class HelpWindow;
class MenuBarExtra;
class MenuBarMenu;
class SettingsWindow;
class TakeSheet;
class TakeSheetWindow;
class UserDefaults;

// The desktop application around the one watcher: it builds every surface, hands each the
// watcher, wires the menus to the windows, follows the Dock icon setting and decides at start
// whether the floating window shows. main creates the watcher and this, nothing else.
// REQUIRES: a QApplication. Main thread only.
class ApplicationShell : public QObject
{
    Q_OBJECT

public:
    // watcher, settings and takeSheet must outlive the shell.
    ApplicationShell(FolderWatcher& watcher, UserDefaults& settings, TakeSheet& takeSheet,
                     QObject* parent = nullptr);
    ~ApplicationShell() override;

    // The start-up: the icon, the Dock presence, the tray, the floating window shown or left
    // hidden as "openFloatingWindowOnStartup" says, and why the take sheet had to be moved aside
    // or cannot be kept, if it had (each once per run).
    void start();

    // Replaces how the application quits (QCoreApplication::quit by default); for tests.
    void setQuitHandler(std::function<void()> quit) { m_quit = std::move(quit); }

    void showFloatingWindow();
    void showSettings();
    void showTakeSheet();
    void showHelp();
    void showAbout();
    void quit();

    FloatingWindow* floatingWindow() const { return m_floatingWindow.get(); }
    SettingsWindow* settingsWindow() const { return m_settingsWindow.get(); }
    // Created on first use.
    HelpWindow* helpWindow();
    TakeSheetWindow* takeSheetWindow();
    MenuBarMenu* menu() const { return m_menu.get(); }
    // The floating window's right-click menu: the tray's items, plus the application commands
    // where the platform has no global menu bar to hold them.
    QMenu* contextMenu() const;
    MenuBarExtra* menuBarExtra() const { return m_menuBarExtra.get(); }
    ApplicationMenu* applicationMenu() const { return m_applicationMenu.get(); }
    DockTileUpdater* dockTileUpdater() const { return m_dockTileUpdater.get(); }
    AppPresence* presence() const { return m_presence.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildContextMenu();
    void bringForward(QWidget* window);
    void manageWindow(QWidget* window);
    void reportTakeSheetProblem();
    void quitIfNothingLeftToShow();
    void onSettingChanged(const QString& key);

    FolderWatcher& m_watcher;
    UserDefaults& m_settings;
    TakeSheet& m_takeSheet;
    std::function<void()> m_quit;
    bool m_reportedTakeSheetProblem = false;

    std::unique_ptr<AppPresence> m_presence;
    std::unique_ptr<MenuBarMenu> m_menu;
    std::unique_ptr<QMenu> m_ownContextMenu;
    std::unique_ptr<ApplicationMenu> m_applicationMenu;
    std::unique_ptr<FloatingWindow> m_floatingWindow;
    std::unique_ptr<SettingsWindow> m_settingsWindow;
    std::unique_ptr<HelpWindow> m_helpWindow;
    std::unique_ptr<TakeSheetWindow> m_takeSheetWindow;
    std::unique_ptr<MenuBarExtra> m_menuBarExtra;
    std::unique_ptr<DockTileUpdater> m_dockTileUpdater;
};

} // namespace quorvel

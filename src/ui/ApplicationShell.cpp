#include "ui/ApplicationShell.h"

#include "model/FolderWatcher.h"
#include "model/SettingsKey.h"
#include "model/UserDefaults.h"
#include "platform/AppPresence.h"
#include "takes/TakeSheet.h"
#include "ui/AboutPanel.h"
#include "ui/ApplicationIcon.h"
#include "ui/ApplicationMenu.h"
#include "ui/DockTileUpdater.h"
#include "ui/FloatingWindow.h"
#include "ui/HelpWindow.h"
#include "ui/MenuBarExtra.h"
#include "ui/MenuBarMenu.h"
#include "ui/SettingsWindow.h"
#include "ui/TakeSheetWindow.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>

namespace quorvel {

ApplicationShell::ApplicationShell(FolderWatcher& watcher, UserDefaults& settings,
                                   TakeSheet& takeSheet, QObject* parent)
    : QObject(parent), m_watcher(watcher), m_settings(settings), m_takeSheet(takeSheet),
      m_quit([] { QCoreApplication::quit(); })
{
    m_presence = std::make_unique<AppPresence>();
    m_menu = std::make_unique<MenuBarMenu>(m_watcher);
    m_applicationMenu = std::make_unique<ApplicationMenu>(m_watcher);
    m_floatingWindow = std::make_unique<FloatingWindow>(m_watcher, m_settings);
    m_settingsWindow = std::make_unique<SettingsWindow>(m_watcher, m_settings, m_takeSheet);
    m_menuBarExtra = std::make_unique<MenuBarExtra>(m_watcher, *m_menu);
    m_dockTileUpdater = std::make_unique<DockTileUpdater>(m_watcher, &m_settings);
    buildContextMenu();

    connect(m_menu.get(), &MenuBarMenu::showFloatingWindowRequested, this,
            &ApplicationShell::showFloatingWindow);
    connect(m_menu.get(), &MenuBarMenu::takeSheetRequested, this, &ApplicationShell::showTakeSheet);
    connect(m_menu.get(), &MenuBarMenu::preferencesRequested, this,
            &ApplicationShell::showSettings);
    connect(m_menu.get(), &MenuBarMenu::aboutRequested, this, &ApplicationShell::showAbout);
    connect(m_menu.get(), &MenuBarMenu::helpRequested, this, &ApplicationShell::showHelp);
    connect(m_menu.get(), &MenuBarMenu::quitRequested, this, &ApplicationShell::quit);
    connect(m_applicationMenu.get(), &ApplicationMenu::aboutRequested, this,
            &ApplicationShell::showAbout);
    connect(m_applicationMenu.get(), &ApplicationMenu::helpRequested, this,
            &ApplicationShell::showHelp);
    connect(m_floatingWindow.get(), &FloatingWindow::preferencesRequested, this,
            &ApplicationShell::showSettings);
    connect(m_floatingWindow.get(), &FloatingWindow::quitRequested, this, &ApplicationShell::quit);
    connect(m_presence.get(), &AppPresence::reopenRequested, this,
            &ApplicationShell::showFloatingWindow);
    connect(&m_settings, &UserDefaults::changed, this, &ApplicationShell::onSettingChanged);

    m_floatingWindow->setContextMenu(contextMenu());
    manageWindow(m_floatingWindow.get());
    manageWindow(m_settingsWindow.get());
}

ApplicationShell::~ApplicationShell()
{
    // The tray refers to the menu; it goes first.
    m_menuBarExtra.reset();
    m_dockTileUpdater.reset();
}

void ApplicationShell::buildContextMenu()
{
    if (m_applicationMenu->hasNativeMenuBar())
        return;
    // The tray's own actions, so texts and states stay one; the application commands go just
    // above Quit.
    m_ownContextMenu = std::make_unique<QMenu>();
    for (QAction* action : m_menu->actions()) {
        if (action == m_menu->quitSeparator()) {
            m_ownContextMenu->addSeparator();
            m_ownContextMenu->addAction(m_applicationMenu->showMediaFolderAction());
            m_ownContextMenu->addAction(m_applicationMenu->showUpcomingTakeAction());
        }
        m_ownContextMenu->addAction(action);
    }
}

QMenu* ApplicationShell::contextMenu() const
{
    if (m_ownContextMenu)
        return m_ownContextMenu.get();
    return m_menu.get();
}

void ApplicationShell::manageWindow(QWidget* window)
{
    // Where the menu bar is not global, the help shortcut must still work from every window.
    window->addAction(m_applicationMenu->helpAction());
    m_presence->manageWindow(window);
    window->installEventFilter(this);
}

HelpWindow* ApplicationShell::helpWindow()
{
    if (!m_helpWindow) {
        m_helpWindow = std::make_unique<HelpWindow>();
        manageWindow(m_helpWindow.get());
    }
    return m_helpWindow.get();
}

TakeSheetWindow* ApplicationShell::takeSheetWindow()
{
    // Built when first asked for: it reads the whole sheet, which a session that never opens it
    // need not pay for.
    if (!m_takeSheetWindow) {
        m_takeSheetWindow = std::make_unique<TakeSheetWindow>(m_takeSheet);
        manageWindow(m_takeSheetWindow.get());
    }
    return m_takeSheetWindow.get();
}

void ApplicationShell::start()
{
    QApplication::setWindowIcon(ApplicationIcon::icon());
    // Quitting is decided here, not by Qt: with a tray the application outlives its windows.
    QApplication::setQuitOnLastWindowClosed(false);
    m_presence->setShowsDockIcon(m_settings.showInDock());
    if (MenuBarExtra::isAvailable())
        m_menuBarExtra->show();

    if (!m_watcher.didHandleStartupWindow()) {
        m_watcher.setDidHandleStartupWindow(true);
        if (m_settings.openFloatingWindowOnStartup())
            showFloatingWindow();
    }
    reportTakeSheetProblem();
}

void ApplicationShell::reportTakeSheetProblem()
{
    const auto problem = m_takeSheet.problem();
    if (!problem || m_reportedTakeSheetProblem)
        return;
    m_reportedTakeSheetProblem = true;
    // Not modal: the display matters more than the sheet, and must not wait on a click.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Take Sheet"), *problem,
                                QMessageBox::Ok);
    box->setObjectName(QStringLiteral("takeSheetProblem"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void ApplicationShell::bringForward(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
    m_presence->activate();
}

void ApplicationShell::showFloatingWindow()
{
    bringForward(m_floatingWindow.get());
}

void ApplicationShell::showSettings()
{
    bringForward(m_settingsWindow.get());
}

void ApplicationShell::showTakeSheet()
{
    bringForward(takeSheetWindow());
}

void ApplicationShell::showHelp()
{
    bringForward(helpWindow());
}

void ApplicationShell::showAbout()
{
    AboutPanel::show();
}

void ApplicationShell::quit()
{
    if (m_quit)
        m_quit();
}

void ApplicationShell::onSettingChanged(const QString& key)
{
    if (key == SettingsKey::showInDock)
        m_presence->setShowsDockIcon(m_settings.showInDock());
}

bool ApplicationShell::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close)
        QTimer::singleShot(0, this, &ApplicationShell::quitIfNothingLeftToShow);
    return QObject::eventFilter(watched, event);
}

void ApplicationShell::quitIfNothingLeftToShow()
{
    // With a tray the user can always come back; without one, a process with no window left
    // would run on unseen and unreachable.
    if (MenuBarExtra::isAvailable() && m_menuBarExtra->trayIcon()->isVisible())
        return;
    for (QWidget* window :
         {static_cast<QWidget*>(m_floatingWindow.get()),
          static_cast<QWidget*>(m_settingsWindow.get()), static_cast<QWidget*>(m_helpWindow.get()),
          static_cast<QWidget*>(m_takeSheetWindow.get())}) {
        if (window && window->isVisible())
            return;
    }
    quit();
}

} // namespace quorvel

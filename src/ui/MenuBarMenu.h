#pragma once

#include <QMenu>

class QAction;

namespace quorvel {

class FolderWatcher;

// The tray's menu: what is detected and recorded, and the ways to every window. Where no tray
// exists the same menu is the floating window's context menu, so it asks for windows through
// signals and never opens them itself. Main thread only.
class MenuBarMenu : public QMenu
{
    Q_OBJECT

public:
    explicit MenuBarMenu(FolderWatcher& watcher, QWidget* parent = nullptr);

    // "No DAW detected", or "REAPER detected".
    static QString dawLineText(const FolderWatcher& watcher);
    // "Not recording" without a take; else "[Project — ]Status: number".
    static QString takeLineText(const FolderWatcher& watcher);

    QAction* dawLineAction() const { return m_dawLine; }
    QAction* takeLineAction() const { return m_takeLine; }
    QAction* showFloatingWindowAction() const { return m_showFloatingWindow; }
    QAction* takeSheetAction() const { return m_takeSheet; }
    QAction* preferencesAction() const { return m_preferences; }
    QAction* aboutAction() const { return m_about; }
    QAction* helpAction() const { return m_help; }
    QAction* quitAction() const { return m_quit; }
    // The separator above "Quit Quorvel", before which other menus built on this one add items.
    QAction* quitSeparator() const { return m_quitSeparator; }

    void refresh();

Q_SIGNALS:
    void showFloatingWindowRequested();
    void takeSheetRequested();
    void preferencesRequested();
    void aboutRequested();
    void helpRequested();
    void quitRequested();

private:
    FolderWatcher& m_watcher;
    QAction* m_dawLine = nullptr;
    QAction* m_takeLine = nullptr;
    QAction* m_showFloatingWindow = nullptr;
    QAction* m_takeSheet = nullptr;
    QAction* m_preferences = nullptr;
    QAction* m_about = nullptr;
    QAction* m_help = nullptr;
    QAction* m_quitSeparator = nullptr;
    QAction* m_quit = nullptr;
};

} // namespace quorvel

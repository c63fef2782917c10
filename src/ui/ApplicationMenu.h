#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenuBar;

namespace quorvel {

class FolderWatcher;

// The application's menu commands: About Quorvel, Show Media Folder, the upcoming-take toggle and
// Quorvel Help. They live in a global menu bar where the platform has one (macOS, some Linux
// desktops); elsewhere the shell offers the same actions in the floating window's context menu.
class ApplicationMenu : public QObject
{
    Q_OBJECT

public:
    // Opens a folder in the file manager; true on success.
    using FolderOpener = std::function<bool(const QString& path)>;

    explicit ApplicationMenu(FolderWatcher& watcher, QObject* parent = nullptr);
    ~ApplicationMenu() override;

    QAction* aboutAction() const { return m_about; }
    QAction* showMediaFolderAction() const { return m_showMediaFolder; }
    QAction* showUpcomingTakeAction() const { return m_showUpcomingTake; }
    QAction* helpAction() const { return m_help; }
    QMenuBar* menuBar() const { return m_menuBar.get(); }
    // True when the platform shows menuBar() itself as a global menu bar.
    bool hasNativeMenuBar() const;

    // Replaces how Show Media Folder opens a folder (the desktop's file manager by default).
    void setFolderOpener(FolderOpener opener) { m_opener = std::move(opener); }

    // Follows the watcher: the folder command's enabled state and the toggle's check mark.
    void refresh();

Q_SIGNALS:
    void aboutRequested();
    void helpRequested();

private:
    void showMediaFolder();

    FolderWatcher& m_watcher;
    std::unique_ptr<QMenuBar> m_menuBar;
    QAction* m_about = nullptr;
    QAction* m_showMediaFolder = nullptr;
    QAction* m_showUpcomingTake = nullptr;
    QAction* m_help = nullptr;
    FolderOpener m_opener;
};

} // namespace quorvel

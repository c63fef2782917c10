#include "ui/ApplicationMenu.h"

#include "model/FolderWatcher.h"
#include "platform/FileReveal.h"
#include "ui/PlatformTexts.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

namespace quorvel {

ApplicationMenu::ApplicationMenu(FolderWatcher& watcher, QObject* parent)
    : QObject(parent), m_watcher(watcher), m_menuBar(std::make_unique<QMenuBar>())
{
    m_opener = &FileReveal::revealFolder;

    m_about = new QAction(QStringLiteral("About Quorvel"), this);
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &ApplicationMenu::aboutRequested);

    m_showMediaFolder = new QAction(platformText(PlatformText::showMediaFolder), this);
    connect(m_showMediaFolder, &QAction::triggered, this, &ApplicationMenu::showMediaFolder);

    m_showUpcomingTake = new QAction(QStringLiteral("Show Upcoming Take Between Takes"), this);
    m_showUpcomingTake->setCheckable(true);
    connect(m_showUpcomingTake, &QAction::triggered, this,
            [this](bool checked) { m_watcher.setShowNextTakeWhenIdle(checked); });

    m_help = new QAction(QStringLiteral("Quorvel Help"), this);
    m_help->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Question));
    m_help->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_help, &QAction::triggered, this, &ApplicationMenu::helpRequested);

    // The application menu gets About by its role; the rest sit where each platform expects.
    QMenu* file = m_menuBar->addMenu(QStringLiteral("File"));
    file->addAction(m_showMediaFolder);
    QMenu* view = m_menuBar->addMenu(QStringLiteral("View"));
    view->addAction(m_showUpcomingTake);
    QMenu* help = m_menuBar->addMenu(QStringLiteral("Help"));
    help->addAction(m_help);
    help->addAction(m_about);

    connect(&m_watcher, &FolderWatcher::changed, this, &ApplicationMenu::refresh);
    refresh();
}

ApplicationMenu::~ApplicationMenu() = default;

bool ApplicationMenu::hasNativeMenuBar() const
{
    return m_menuBar->isNativeMenuBar();
}

void ApplicationMenu::refresh()
{
    m_showMediaFolder->setEnabled(m_watcher.effectiveFolderURL().has_value());
    m_showUpcomingTake->setChecked(m_watcher.showNextTakeWhenIdle());
}

void ApplicationMenu::showMediaFolder()
{
    const std::optional<QString> folder = m_watcher.effectiveFolderURL();
    if (!folder)
        return;
    // A folder that has gone (a moved project, an unplugged drive) opens at what is left of it.
    QString path = *folder;
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).absolutePath();
        if (parent == path)
            break;
        path = parent;
    }
    m_opener(path);
}

} // namespace quorvel

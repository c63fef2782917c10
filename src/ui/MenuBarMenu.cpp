#include "ui/MenuBarMenu.h"

#include "model/FolderWatcher.h"

#include <QAction>

namespace quorvel {

MenuBarMenu::MenuBarMenu(FolderWatcher& watcher, QWidget* parent)
    : QMenu(parent), m_watcher(watcher)
{
    // The two lines only inform; disabled items carry no action.
    m_dawLine = addAction(QString());
    m_dawLine->setEnabled(false);
    m_takeLine = addAction(QString());
    m_takeLine->setEnabled(false);
    addSeparator();

    m_showFloatingWindow = addAction(QStringLiteral("Show Floating Window"));
    connect(m_showFloatingWindow, &QAction::triggered, this,
            &MenuBarMenu::showFloatingWindowRequested);
    m_takeSheet = addAction(QStringLiteral("Take Sheet…"));
    connect(m_takeSheet, &QAction::triggered, this, &MenuBarMenu::takeSheetRequested);
    m_preferences = addAction(QStringLiteral("Preferences…"));
    m_preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    // Roles would let a native menu bar move these items; this menu keeps its own order.
    m_preferences->setMenuRole(QAction::NoRole);
    connect(m_preferences, &QAction::triggered, this, &MenuBarMenu::preferencesRequested);
    addSeparator();

    m_about = addAction(QStringLiteral("About Quorvel"));
    m_about->setMenuRole(QAction::NoRole);
    connect(m_about, &QAction::triggered, this, &MenuBarMenu::aboutRequested);
    m_help = addAction(QStringLiteral("Quorvel Help"));
    connect(m_help, &QAction::triggered, this, &MenuBarMenu::helpRequested);
    m_quitSeparator = addSeparator();

    m_quit = addAction(QStringLiteral("Quit Quorvel"));
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setMenuRole(QAction::NoRole);
    connect(m_quit, &QAction::triggered, this, &MenuBarMenu::quitRequested);

    connect(&m_watcher, &FolderWatcher::changed, this, &MenuBarMenu::refresh);
    refresh();
}

QString MenuBarMenu::dawLineText(const FolderWatcher& watcher)
{
    const auto name = watcher.detectedDAWName();
    return name ? *name + QStringLiteral(" detected") : QStringLiteral("No DAW detected");
}

QString MenuBarMenu::takeLineText(const FolderWatcher& watcher)
{
    if (!watcher.lastTake())
        return QStringLiteral("Not recording");
    QString prefix;
    if (const auto project = watcher.detectedProjectName())
        prefix = *project + QStringLiteral(" \u2014 ");
    return prefix + watcher.takeStatusLabel() + QStringLiteral(": ") +
           watcher.displayedRecPass().value_or(QString());
}

void MenuBarMenu::refresh()
{
    // Menu texts treat "&" as a mnemonic marker; a project named "Rock & Roll" must show as is.
    const auto plain = [](QString text) { return text.replace(u'&', QStringLiteral("&&")); };
    m_dawLine->setText(plain(dawLineText(m_watcher)));
    m_takeLine->setText(plain(takeLineText(m_watcher)));
}

} // namespace quorvel

#include "ui/MenuBarExtra.h"

#include "model/FolderWatcher.h"
#include "ui/MenuBarIcon.h"
#include "ui/MenuBarMenu.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace quorvel {

MenuBarExtra::MenuBarExtra(FolderWatcher& watcher, MenuBarMenu& menu, QObject* parent)
    : QObject(parent), m_watcher(watcher), m_menu(menu), m_tray(new QSystemTrayIcon(this))
{
    m_tray->setContextMenu(&m_menu);
    // A left click opens the same menu, as a click on a menu bar item does.
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_menu.popup(QCursor::pos());
            });
    connect(&m_watcher, &FolderWatcher::changed, this, &MenuBarExtra::refresh);
    refresh();
}

MenuBarExtra::~MenuBarExtra()
{
    m_tray->setContextMenu(nullptr);
}

bool MenuBarExtra::isAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void MenuBarExtra::show()
{
    m_tray->show();
}

void MenuBarExtra::refresh()
{
    const std::optional<QString> number = m_watcher.displayedRecPass();
    const bool recording = m_watcher.isRecording();
    m_tray->setToolTip(QStringLiteral("Quorvel \u2014 ") + MenuBarMenu::takeLineText(m_watcher));
    // Redrawing the icon for changes it does not show would make some trays flicker.
    if (m_hasIcon && number == m_number && recording == m_recording)
        return;
    m_hasIcon = true;
    m_number = number;
    m_recording = recording;
    m_tray->setIcon(MenuBarIcon::icon(number, recording));
}

} // namespace quorvel

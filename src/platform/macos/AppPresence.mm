#include "platform/AppPresence.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#import <AppKit/AppKit.h>

namespace quorvel {

AppPresence::AppPresence(QObject* parent) : QObject(parent)
{
    // Qt reports a click on the Dock icon as the application becoming active, delivered even when
    // it already is. The first activation is the launch itself and is not a reopen.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this, launchSeen = false](Qt::ApplicationState state) mutable {
                if (state != Qt::ApplicationActive)
                    return;
                if (!launchSeen) {
                    launchSeen = true;
                    return;
                }
                for (QWindow* window : QGuiApplication::topLevelWindows()) {
                    if (window->isVisible())
                        return;
                }
                Q_EMIT reopenRequested();
            });
}

AppPresence::~AppPresence() = default;

bool AppPresence::canShowWindows()
{
    return true;
}

void AppPresence::manageWindow(QWidget* window)
{
    if (window)
        m_windows.append(window);
}

void AppPresence::setShowsDockIcon(bool shows)
{
    m_showsDockIcon = shows;
    [NSApp setActivationPolicy:shows ? NSApplicationActivationPolicyRegular
                                     : NSApplicationActivationPolicyAccessory];
    activate();
}

void AppPresence::applyToWindow(QWidget*) {}

void AppPresence::activate()
{
    [NSApp activateIgnoringOtherApps:YES];
}

} // namespace quorvel

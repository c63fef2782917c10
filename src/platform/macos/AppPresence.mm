#include "platform/AppPresence.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#import <AppKit/AppKit.h>

namespace quorvel {

AppPresence::AppPresence(QObject* parent) : QObject(parent)
{
    // Qt's application delegate answers AppKit's reopen message (a click on the Dock icon) by
    // reporting the application active, delivered even when it already is (qt/qtbase,
    // src/plugins/platforms/cocoa/qcocoaapplicationdelegate.mm,
    // applicationShouldHandleReopen:hasVisibleWindows:); the delegate is Qt's, so this is where
    // the click can be seen. The first activation is the launch itself and is not a reopen.
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
    // From macOS 14 activation is a request the system may decline, and activate replaces
    // activateIgnoringOtherApps:, which is marked for deprecation (AppKit/NSApplication.h;
    // developer.apple.com/documentation/appkit/
    // passing-control-from-one-app-to-another-with-cooperative-activation). Each request here
    // follows the user's own action: launching us, or a click in our menu, window or Dock icon.
    [NSApp activate];
}

} // namespace quorvel

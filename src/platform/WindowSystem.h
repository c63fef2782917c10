#pragma once

#include <QString>

#include <optional>

namespace quorvel::WindowSystem {

// What the process was started with that decides Qt's platform plugin.
struct Environment
{
    QString qpaPlatform;    // QT_QPA_PLATFORM: the user's own choice, always respected
    QString waylandDisplay; // WAYLAND_DISPLAY
    QString x11Display;     // DISPLAY: on a Wayland session, XWayland's server
    QString sessionType;    // XDG_SESSION_TYPE
};

// The plugin to run on instead of Qt's own choice, or none. On a Wayland session with XWayland,
// "xcb": the floating window must stay above the DAW, and Wayland's desktop-window protocol
// gives a client no way to ask for that (wayland-protocols, stable/xdg-shell/xdg-shell.xml: a
// toplevel can ask to be maximized, fullscreen or minimized, never to be kept above), so
// compositors without a protocol of their own ignore the stay-on-top hint; under X11 window
// managers honour it (_NET_WM_STATE_ABOVE). Setting QT_QPA_PLATFORM (to "wayland", say) opts
// out.
std::optional<QString> pluginToForce(const Environment& environment);

// Reads the environment and, where pluginToForce says so, sets QT_QPA_PLATFORM for the
// QGuiApplication about to be made; true when it did. Call before that application exists.
bool chooseBeforeStart();

// The diagnostics report's window-system line for the plugin Qt runs on.
QString describe(const QString& platformName, const Environment& environment);

Environment current();

} // namespace quorvel::WindowSystem

#include "platform/AppPresence.h"

#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <QWidget>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorvel {

namespace {

// Whether a local X server listens for display ":N" (or ":N.S"); an abstract socket first, as
// modern servers offer, then the socket file.
bool localXServerAnswers(const QByteArray& display)
{
    const qsizetype colon = display.lastIndexOf(':');
    if (colon < 0)
        return false;
    QByteArray number = display.mid(colon + 1);
    if (const qsizetype dot = number.indexOf('.'); dot >= 0)
        number.truncate(dot);
    bool ok = false;
    number.toInt(&ok);
    if (!ok)
        return false;
    const QByteArray path = "/tmp/.X11-unix/X" + number;

    for (bool abstract : {true, false}) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const size_t offset = abstract ? 1 : 0;
        std::memcpy(
            address.sun_path + offset, path.constData(),
            std::min(static_cast<size_t>(path.size()), sizeof(address.sun_path) - 1 - offset));
        const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                                        static_cast<size_t>(path.size()));
        const bool connected =
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
        ::close(fd);
        if (connected)
            return true;
    }
    return false;
}

} // namespace

AppPresence::AppPresence(QObject* parent) : QObject(parent) {}

AppPresence::~AppPresence() = default;

bool AppPresence::canShowWindows()
{
    // A platform the user chose needs a display server only when it is X11 or Wayland; others
    // (offscreen, vnc, eglfs, ...) draw without one.
    const QByteArray platform =
        qgetenv("QT_QPA_PLATFORM").split(':').constFirst().split(';').constFirst();
    const bool anyServer = platform.isEmpty();
    if (!anyServer && platform != "xcb" && !platform.startsWith("wayland"))
        return true;
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    if ((anyServer || platform.startsWith("wayland")) && !wayland.isEmpty()) {
        const QString socket = wayland.startsWith('/')
                                   ? QString::fromLocal8Bit(wayland)
                                   : QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR")) + u'/' +
                                         QString::fromLocal8Bit(wayland);
        if (QFileInfo::exists(socket))
            return true;
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty() || !(anyServer || platform == "xcb"))
        return false;
    // A remote display ("host:0") cannot be probed cheaply; Qt will tell if it fails.
    if (!display.startsWith(':') && !display.startsWith("unix:"))
        return true;
    return localXServerAnswers(display);
}

void AppPresence::manageWindow(QWidget* window)
{
    if (!window)
        return;
    m_windows.append(window);
    applyToWindow(window);
}

void AppPresence::setShowsDockIcon(bool shows)
{
    if (m_showsDockIcon != shows) {
        m_showsDockIcon = shows;
        for (const QPointer<QWidget>& window : std::as_const(m_windows)) {
            if (window)
                applyToWindow(window);
        }
    }
    activate();
}

void AppPresence::applyToWindow(QWidget* window)
{
    // A tool window gets no taskbar entry from the window manager: the accessory look.
    const Qt::WindowFlags flags = window->windowFlags();
    const Qt::WindowFlags wanted = m_showsDockIcon ? (flags & ~Qt::WindowType_Mask) | Qt::Window
                                                   : (flags & ~Qt::WindowType_Mask) | Qt::Tool;
    if (flags == wanted)
        return;
    // Changing the flags hides a shown window; it comes back where it was.
    const bool visible = window->isVisible();
    const QRect geometry = window->geometry();
    window->setWindowFlags(wanted);
    if (visible) {
        window->setGeometry(geometry);
        window->show();
    }
}

void AppPresence::activate()
{
    QWidget* target = QApplication::activeWindow();
    if (!target) {
        for (const QPointer<QWidget>& window : std::as_const(m_windows)) {
            if (window && window->isVisible()) {
                target = window;
                break;
            }
        }
    }
    if (target) {
        target->raise();
        target->activateWindow();
    }
}

} // namespace quorvel

#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace quorvel {

// How the application shows itself to the window system: with a Dock icon and application menu
// (a regular app), or as an accessory that lives in the menu bar or tray only. On macOS that is
// the activation policy; on Linux the managed windows lose their taskbar entry instead. Main
// thread only; one per process.
class AppPresence : public QObject
{
    Q_OBJECT

public:
    explicit AppPresence(QObject* parent = nullptr);
    ~AppPresence() override;

    // True when this process can open windows: on Linux an X11 or Wayland display that answers,
    // or a Qt platform chosen explicitly; always on macOS. Needs no QGuiApplication.
    static bool canShowWindows();

    // Windows whose taskbar presence follows the Dock icon setting. Not owned.
    void manageWindow(QWidget* window);

    // Switches between regular app and accessory, then brings the application forward.
    void setShowsDockIcon(bool shows);
    bool showsDockIcon() const { return m_showsDockIcon; }

    // Brings the application and its active window to the front.
    void activate();

Q_SIGNALS:
    // The Dock icon was clicked while no window was visible (macOS only).
    void reopenRequested();

private:
    void applyToWindow(QWidget* window);

    bool m_showsDockIcon = true;
    QList<QPointer<QWidget>> m_windows;
};

} // namespace quorvel

#include "platform/WindowSystem.h"

namespace quorvel::WindowSystem {
namespace {

bool isWaylandSession(const Environment& environment)
{
    return !environment.waylandDisplay.isEmpty() ||
           environment.sessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

} // namespace

Environment current()
{
    return {qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("WAYLAND_DISPLAY"),
            qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("XDG_SESSION_TYPE")};
}

std::optional<QString> pluginToForce(const Environment& environment)
{
    if (!environment.qpaPlatform.isEmpty() || environment.x11Display.isEmpty() ||
        !isWaylandSession(environment))
        return std::nullopt;
    return QStringLiteral("xcb");
}

bool chooseBeforeStart()
{
    const auto plugin = pluginToForce(current());
    if (plugin)
        qputenv("QT_QPA_PLATFORM", plugin->toUtf8());
    return plugin.has_value();
}

QString describe(const QString& platformName, const Environment& environment)
{
    QString line = QStringLiteral("Window system: ") + platformName;
    if (!isWaylandSession(environment))
        return line;
    if (platformName == QLatin1String("xcb"))
        return line + QStringLiteral(" (XWayland on a Wayland session, so the floating window "
                                     "can stay on top; QT_QPA_PLATFORM=wayland runs natively)");
    if (platformName.startsWith(QLatin1String("wayland")))
        return line + QStringLiteral(" (native Wayland: the compositor may not keep the floating "
                                     "window on top)");
    return line;
}

} // namespace quorvel::WindowSystem

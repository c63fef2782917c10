#include "app/DesktopMode.h"

#include "app/CommandLine.h"
#include "app/WatcherSetup.h"
#include "model/DiagnosticsReport.h"
#include "model/FolderWatcher.h"
#include "model/UserDefaults.h"
#include "platform/AppPresence.h"
#include "platform/TerminationSignals.h"
#include "platform/WindowSystem.h"
#include "takes/TakeRecorder.h"
#include "takes/TakeSheet.h"
#include "ui/ApplicationShell.h"

#include <QApplication>

namespace quorvel::DesktopMode {

int run(int& argc, char** argv, const CommandLine& commandLine)
{
    // XWayland only where it answers: a Wayland session without it still runs natively.
    if (WindowSystem::chooseBeforeStart() && !AppPresence::canShowWindows())
        qunsetenv("QT_QPA_PLATFORM");
    QApplication app(argc, argv);
    DiagnosticsReport::setWindowSystemLine(
        WindowSystem::describe(QGuiApplication::platformName(), WindowSystem::current()));
    QApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    // The reverse-DNS id the installed desktop entry, the icon and the metainfo are named after;
    // the taskbar pairs the windows with that entry by it, and on Wayland it is the app id.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quorvel.Quorvel"));

    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::received, &app, [] { QApplication::quit(); });

    // Defaults first: the watcher reads "showNextTakeWhenIdle" while it is built.
    UserDefaults settings;
    settings.registerApplicationDefaults();
    const auto watcher = makeWatcher(settings, commandLine);
    TakeSheet sheet(TakeSheet::defaultPath());
    TakeRecorder recorder(*watcher, sheet, settings);
    ApplicationShell shell(*watcher, settings, sheet);
    shell.start();
    return QApplication::exec();
}

} // namespace quorvel::DesktopMode

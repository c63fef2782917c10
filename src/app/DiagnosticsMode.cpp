#include "app/DiagnosticsMode.h"

#include "app/WatcherSetup.h"
#include "model/DiagnosticsReport.h"
#include "model/FolderWatcher.h"
#include "model/UserDefaults.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace quorvel::DiagnosticsMode {

namespace {

// A scan can wait on a slow probe of the system; past this the report shows what is known.
constexpr int firstScanDeadlineMilliseconds = 30000;

} // namespace

int run(const CommandLine& commandLine)
{
    UserDefaults settings;
    settings.registerApplicationDefaults();
    const auto owned = makeWatcher(settings, commandLine);
    FolderWatcher& watcher = *owned;

    bool reportRequested = false;
    const auto report = [&] {
        if (reportRequested)
            return;
        reportRequested = true;
        DiagnosticsReport::generate(watcher, &watcher, [](const QString& text) {
            const QByteArray bytes = text.toUtf8() + '\n';
            std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    };
    QObject::connect(&watcher, &FolderWatcher::scanApplied, &watcher, report);
    QTimer::singleShot(firstScanDeadlineMilliseconds, &watcher, report);
    return QCoreApplication::exec();
}

} // namespace quorvel::DiagnosticsMode

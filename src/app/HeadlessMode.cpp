#include "app/HeadlessMode.h"

#include "app/CommandLine.h"
#include "app/WatcherSetup.h"
#include "model/FolderWatcher.h"
#include "model/UserDefaults.h"
#include "platform/TerminationSignals.h"
#include "takes/TakeRecorder.h"
#include "takes/TakeSheet.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>
#include <tuple>
#include <utility>

namespace quorvel::HeadlessMode {

namespace {

void printLine(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// Tells the user where the page is once the server listens, and why not when it fails.
void reportRemoteDisplay(const FolderWatcher& watcher)
{
    if (watcher.remoteDisplayRunning()) {
        const QStringList urls = watcher.remoteDisplayURLs();
        printLine(stderr,
                  urls.isEmpty()
                      ? QStringLiteral("quorvel: remote display on port %1 (no network address "
                                       "found)")
                            .arg(watcher.remoteDisplayPort())
                      : QStringLiteral("quorvel: remote display at %1").arg(urls.join(u' ')));
    } else if (const auto error = watcher.remoteDisplayError()) {
        printLine(stderr, QStringLiteral("quorvel: remote display unavailable: %1").arg(*error));
    }
}

} // namespace

QString describe(const FolderWatcher& watcher, bool json)
{
    const auto take = watcher.displayedRecPass();
    const auto piece = watcher.lastTake() ? watcher.lastTake()->pieceName : std::nullopt;
    const auto folder = watcher.effectiveFolderURL();

    if (json) {
        QJsonObject object;
        if (const auto daw = watcher.detectedDAWName())
            object.insert(QStringLiteral("daw"), *daw);
        if (const auto project = watcher.detectedProjectName())
            object.insert(QStringLiteral("project"), *project);
        if (piece)
            object.insert(QStringLiteral("piece"), *piece);
        if (take)
            object.insert(QStringLiteral("take"), *take);
        object.insert(QStringLiteral("status"), watcher.takeStatusLabel());
        object.insert(QStringLiteral("recording"), watcher.isRecording());
        object.insert(QStringLiteral("hasTake"), watcher.lastTake().has_value());
        if (folder)
            object.insert(QStringLiteral("folder"), *folder);
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }

    QStringList parts;
    parts << watcher.detectedDAWName().value_or(QStringLiteral("no daw"));
    if (const auto project = watcher.detectedProjectName())
        parts << QStringLiteral("project %1").arg(*project);
    if (piece)
        parts << QStringLiteral("piece %1").arg(*piece);
    parts << (take ? QStringLiteral("%1 %2").arg(watcher.takeStatusLabel(), *take)
                   : QStringLiteral("waiting for takes"));
    if (folder)
        parts << QStringLiteral("folder %1").arg(*folder);
    return parts.join(QStringLiteral(" | "));
}

int run(const CommandLine& commandLine)
{
    const bool json = commandLine.json;
    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::received, qApp, [] { qApp->quit(); });

    UserDefaults settings;
    settings.registerApplicationDefaults();
    const auto owned = makeWatcher(settings, commandLine);
    FolderWatcher& watcher = *owned;
    TakeSheet sheet(TakeSheet::defaultPath());
    if (sheet.problem())
        printLine(stderr, QStringLiteral("quorvel: %1").arg(*sheet.problem()));
    TakeRecorder recorder(watcher, sheet, settings);
    // One report per change of the server's status, though it changes two published values, and
    // another when the page's announcement changes the order of the addresses.
    using RemoteStatus = std::tuple<bool, std::optional<QString>, bool>;
    RemoteStatus reportedStatus{false, std::nullopt, false};
    QObject::connect(&watcher, &FolderWatcher::changed, &watcher, [&] {
        const RemoteStatus status{watcher.remoteDisplayRunning(), watcher.remoteDisplayError(),
                                  watcher.remoteDisplayAnnouncement().state ==
                                      ServiceAnnouncement::State::registered};
        if (status == reportedStatus)
            return;
        reportedStatus = status;
        reportRemoteDisplay(watcher);
    });

    QString lastLine = describe(watcher, json);
    printLine(stdout, lastLine);
    QObject::connect(&watcher, &FolderWatcher::changed, &watcher, [&] {
        const QString line = describe(watcher, json);
        if (line == lastLine)
            return;
        lastLine = line;
        printLine(stdout, line);
    });

    return QCoreApplication::exec();
}

} // namespace quorvel::HeadlessMode

#include "app/CommandLine.h"
#include "app/DesktopMode.h"
#include "app/DiagnosticsMode.h"
#include "app/ExportMode.h"
#include "app/HeadlessMode.h"
#include "platform/AppPresence.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace quorvel;

namespace {

void print(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    const CommandLine commandLine = CommandLine::parse(argumentList(argc, argv));
    if (commandLine.error) {
        print(stderr, QStringLiteral("quorvel: %1\n").arg(*commandLine.error));
        print(stderr, CommandLine::usage());
        return 2;
    }
    if (commandLine.help) {
        print(stdout, CommandLine::usage());
        return 0;
    }
    if (commandLine.version) {
        print(stdout, QStringLiteral("Quorvel %1\n").arg(QLatin1String(QUORVEL_VERSION)));
        return 0;
    }

    const bool wantsDesktop =
        !commandLine.headless && !commandLine.diagnostics && !commandLine.exportTakes;
    if (wantsDesktop && AppPresence::canShowWindows())
        return DesktopMode::run(argc, argv, commandLine);

    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    if (commandLine.diagnostics)
        return DiagnosticsMode::run(commandLine);
    if (commandLine.exportTakes)
        return ExportMode::run(commandLine);
    if (wantsDesktop)
        print(stderr, QStringLiteral("quorvel: no display found (DISPLAY and WAYLAND_DISPLAY "
                                     "are unset or unreachable); running headless.\n"));
    return HeadlessMode::run(commandLine);
}

#include "app/CommandLine.h"

#include <QCommandLineParser>

namespace quorvel {

CommandLine CommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption headless(QStringLiteral("headless"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption help(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption diagnostics(QStringLiteral("diagnostics"));
    const QCommandLineOption remoteDisplay(QStringLiteral("remote-display"));
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("N"));
    const QCommandLineOption exportTakes(QStringLiteral("export-takes"), QString(),
                                         QStringLiteral("FILE"));
    const QCommandLineOption project(QStringLiteral("project"), QString(), QStringLiteral("NAME"));
    parser.addOptions({headless, json, help, version});
    parser.addOption(diagnostics);
    parser.addOption(remoteDisplay);
    parser.addOption(port);
    parser.addOption(exportTakes);
    parser.addOption(project);

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("Unexpected argument '%1'.")
                           .arg(parser.positionalArguments().constFirst());
        return result;
    }
    result.headless = parser.isSet(headless);
    result.json = parser.isSet(json);
    result.help = parser.isSet(help);
    result.version = parser.isSet(version);
    result.diagnostics = parser.isSet(diagnostics);
    result.remoteDisplay = parser.isSet(remoteDisplay);
    if (parser.isSet(exportTakes))
        result.exportTakes = parser.value(exportTakes);
    if (parser.isSet(project)) {
        if (!result.exportTakes) {
            result.error = QStringLiteral("--project goes with --export-takes.");
            return result;
        }
        result.project = parser.value(project);
    }
    if (parser.isSet(port)) {
        bool ok = false;
        const uint value = parser.value(port).toUInt(&ok);
        if (!ok || value < 1 || value > 65535) {
            result.error = QStringLiteral("--port needs a number from 1 to 65535, not '%1'.")
                               .arg(parser.value(port));
            return result;
        }
        result.port = static_cast<quint16>(value);
    }
    return result;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: quorvel [options]\n"
        "Shows the number of the take your DAW is recording.\n"
        "\n"
        "Options:\n"
        "  --headless   Watch without a window and print the displayed state to standard\n"
        "               output: one line at start and one whenever it changes.\n"
        "  --json       With --headless, print each state as one compact JSON object.\n"
        "  --diagnostics\n"
        "               Print the diagnostics report (settings, detected state, newest take\n"
        "               files) once the first scan is in, and exit. Needs no display.\n"
        "  --remote-display\n"
        "               Serve the remote display page for this run, whatever the stored\n"
        "               setting says.\n"
        "  --port N     The remote display's port (default 8787).\n"
        "  --export-takes FILE\n"
        "               Write the take sheet to FILE as CSV (- for standard output) and\n"
        "               exit. Needs no display.\n"
        "  --project NAME\n"
        "               With --export-takes, only the takes of project NAME.\n"
        "  --version    Print the version and exit.\n"
        "  -h, --help   Print this help and exit.\n");
}

} // namespace quorvel

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
    parser.addOptions({headless, json, help, version});

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
        "  --version    Print the version and exit.\n"
        "  -h, --help   Print this help and exit.\n");
}

} // namespace quorvel

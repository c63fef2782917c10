#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quorvel {

// What the quorvel command line asked for.
struct CommandLine
{
    bool headless = false;
    bool json = false;
    bool help = false;
    bool version = false;
    // Print the diagnostics report once the first scan is in, and exit.
    bool diagnostics = false;
    // Turn the remote display on for this run, whatever the stored setting says.
    bool remoteDisplay = false;
    // The remote display's port, when given.
    std::optional<quint16> port;
    // Write the take sheet as CSV to this file ("-": standard output) and exit; only the named
    // project's takes when one is given.
    std::optional<QString> exportTakes;
    std::optional<QString> project;
    // A one-line explanation when the arguments could not be understood.
    std::optional<QString> error;

    // arguments includes the program name first, as main receives it.
    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};

} // namespace quorvel

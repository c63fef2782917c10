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
    // A one-line explanation when the arguments could not be understood.
    std::optional<QString> error;

    // arguments includes the program name first, as main receives it.
    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};

} // namespace quorvel

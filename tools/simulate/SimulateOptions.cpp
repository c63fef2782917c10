#include "simulate/SimulateOptions.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace quorvel::simulate {

namespace {

// Take numbers must fit the widest number field a DAW writes (Ableton Live's four digits).
constexpr int largestTake = 9999;
// REAPER writes track numbers with two digits.
constexpr int largestTrackCount = 99;
// Long enough for any demonstration, short enough that a typo cannot park a process for days.
constexpr double longestSeconds = 24 * 3600;

std::optional<int> wholeNumber(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || rest != end || text.empty())
        return std::nullopt;
    return value;
}

std::optional<double> seconds(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

SimulateOptions::Parsed SimulateOptions::parse(const std::vector<std::string>& arguments)
{
    SimulateOptions options;
    const auto fail = [](std::string error) { return Parsed{std::nullopt, std::move(error)}; };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            return Parsed{options, {}};
        }
        if (argument == "--wine") {
            options.wine = true;
            continue;
        }
        if (argument.rfind("--", 0) != 0) {
            if (options.daw)
                return fail("unexpected argument '" + argument + "'");
            options.daw = findSimulatedDaw(argument);
            if (!options.daw)
                return fail("unknown DAW '" + argument + "'");
            continue;
        }

        std::string name = argument;
        std::string value;
        bool hasValue = false;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            hasValue = true;
        }
        const bool known = name == "--folder" || name == "--tracks" || name == "--takes" ||
                           name == "--first-take" || name == "--take-seconds" ||
                           name == "--gap-seconds";
        if (!known)
            return fail("unknown option '" + name + "'");
        if (!hasValue) {
            if (i + 1 >= arguments.size())
                return fail("option '" + name + "' needs a value");
            value = arguments[++i];
        }

        if (name == "--folder") {
            if (value.empty())
                return fail("--folder needs a folder path");
            options.folder = value;
        } else if (name == "--tracks") {
            const auto number = wholeNumber(value);
            if (!number || *number < 1 || *number > largestTrackCount)
                return fail("--tracks must be a whole number from 1 to " +
                            std::to_string(largestTrackCount) + ", not '" + value + "'");
            options.tracks = *number;
        } else if (name == "--takes") {
            const auto number = wholeNumber(value);
            if (!number || *number < 1 || *number > largestTake)
                return fail("--takes must be a whole number from 1 to " +
                            std::to_string(largestTake) + ", not '" + value + "'");
            options.takes = *number;
        } else if (name == "--first-take") {
            const auto number = wholeNumber(value);
            if (!number || *number < 1 || *number > largestTake)
                return fail("--first-take must be a whole number from 1 to " +
                            std::to_string(largestTake) + ", not '" + value + "'");
            options.firstTake = *number;
        } else if (name == "--take-seconds") {
            const auto number = seconds(value);
            if (!number || *number <= 0 || *number > longestSeconds)
                return fail("--take-seconds must be a number of seconds above 0, not '" + value +
                            "'");
            options.takeSeconds = *number;
        } else {
            const auto number = seconds(value);
            if (!number || *number < 0 || *number > longestSeconds)
                return fail("--gap-seconds must be a number of seconds, 0 or more, not '" + value +
                            "'");
            options.gapSeconds = *number;
        }
    }

    if (!options.daw)
        return fail("name the DAW to simulate");
    if (options.folder.empty())
        return fail("--folder is required");
    if (options.wine && options.daw->windowsPath.empty())
        return fail("--wine: " + std::string(options.daw->displayName) +
                    " has no Windows program to run under Wine here");
    if (options.firstTake + options.takes - 1 > largestTake)
        return fail("the last take would be " +
                    std::to_string(options.firstTake + options.takes - 1) +
                    "; take numbers end at " + std::to_string(largestTake));
    return Parsed{options, {}};
}

std::string SimulateOptions::usage()
{
    return "Usage: quorvel-simulate reaper|logic|protools|nuendo|cubase|ableton|ardour --folder "
           "DIR\n"
           "                        [--tracks N] [--takes N] [--first-take N]\n"
           "                        [--take-seconds S] [--gap-seconds S] [--wine]\n"
           "Plays a DAW recording takes into DIR under the DAW's process name, so that Quorvel\n"
           "can be watched without the DAW installed.\n"
           "\n"
           "  --folder DIR        the project folder; created when missing\n"
           "  --tracks N          tracks recorded in every take (default 2, at most 99)\n"
           "  --takes N           takes to record (default 3)\n"
           "  --first-take N      number of the first take (default 1)\n"
           "  --take-seconds S    length of each take (default 6)\n"
           "  --gap-seconds S     pause between takes (default 10)\n"
           "  --wine              run as the DAW's Windows program under Wine would: named\n"
           "                      after its .exe, with its Windows path as argv[0]\n"
           "                      (reaper, nuendo, cubase, ableton)\n"
           "  -h, --help          print this help\n";
}

} // namespace quorvel::simulate

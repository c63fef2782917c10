// quorvel-simulate: plays a DAW recording a session, for demonstrations and end-to-end tests.
#include "simulate/ProcessName.h"
#include "simulate/SessionPlayer.h"
#include "simulate/SimulateOptions.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

using namespace quorvel::simulate;

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int signalNumber)
{
    stopSignal = signalNumber;
}

void installSignalHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A reader that went away must not kill the session before it has closed its files.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto parsed = SimulateOptions::parse(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "quorvel-simulate: %s\n%s", parsed.error.c_str(),
                     SimulateOptions::usage().c_str());
        return 2;
    }
    const SimulateOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(SimulateOptions::usage().c_str(), stdout);
        return 0;
    }

    installSignalHandlers();
    const std::string invokedAs = options.wine ? std::string(options.daw->windowsPath) : "";
    if (const std::string error =
            ProcessName::adopt(runningName(*options.daw, options.wine), invokedAs, argv);
        !error.empty()) {
        std::fprintf(stderr, "quorvel-simulate: %s\n", error.c_str());
        return 1;
    }

    SessionPlayer player(options, stdout, [] { return stopSignal != 0; });
    const int status = player.run();
    if (status != 0)
        std::fprintf(stderr, "quorvel-simulate: %s\n", player.error().c_str());
    return status;
}

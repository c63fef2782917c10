#pragma once

#include "simulate/SimulatedDaw.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::simulate {

// The command line of quorvel-simulate, parsed and checked. The defaults leave a gap long enough
// for Quorvel to show the idle caption between takes: a take still counts as recording for 4 s
// after its last write, and the end of a recording is confirmed over three more one-second scans.
struct SimulateOptions
{
    const SimulatedDaw* daw = nullptr;
    std::filesystem::path folder;
    int tracks = 2;
    int takes = 3;
    int firstTake = 1;
    double takeSeconds = 6.0;
    double gapSeconds = 10.0;
    // Run as the DAW's Windows program does under Wine: its .exe name and Windows path.
    bool wine = false;
    bool help = false;

    // Either options or a one-sentence error for the user.
    struct Parsed;
    static Parsed parse(const std::vector<std::string>& arguments);
    static std::string usage();
};

struct SimulateOptions::Parsed
{
    std::optional<SimulateOptions> options;
    std::string error;
};

} // namespace quorvel::simulate

#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::simulate {

enum class DawKind { reaper, logic, protools, nuendo, cubase, ableton, ardour };

// What one DAW looks like from outside: the process name Quorvel looks for, where in a project
// folder it records, and how it names what it records. Every simulated file name is one the
// matching provider parses, so the simulator exercises the real detection path.
struct SimulatedDaw
{
    DawKind kind;
    std::string_view key;         // as given on the command line
    std::string_view displayName; // as Quorvel shows it
    std::string_view processName; // the command name lsof -c and the process list match
    std::string_view mediaFolder; // relative to the project folder
    // Where the DAW's Windows installer puts its program; empty for a DAW that does not run under
    // Wine. Under Wine this path is the process's argv[0].
    std::string_view windowsPath;
};

// The DAWs in the order of the command-line usage.
const std::vector<SimulatedDaw>& simulatedDaws();

// Returns nullptr when key names no simulated DAW.
const SimulatedDaw* findSimulatedDaw(std::string_view key);

// The tag REAPER puts in front of its file names, and the project file it records for.
inline constexpr std::string_view reaperSessionName = "Session";

// The name the simulated process runs under: the program's file name, the .exe's under Wine. The
// kernel keeps the first 15 bytes of it as the command name.
std::string runningName(const SimulatedDaw& daw, bool wine);

// The folder the DAW records into. Ardour names it after the session, which is the project
// folder's name.
std::filesystem::path mediaFolder(const SimulatedDaw& daw, const std::filesystem::path& project);

// The track's name as the DAW shows it (1-based track number).
std::string trackName(const SimulatedDaw& daw, int track);

// The files one track writes for one take, in the DAW's media folder. A Pro Tools or Ardour
// stereo track records two mono halves; every other track one file. startedAt is the take's
// wall-clock start, which Ableton Live puts into the name.
std::vector<std::filesystem::path> takeFiles(const SimulatedDaw& daw,
                                             const std::filesystem::path& mediaFolder, int track,
                                             int trackCount, int take, std::time_t startedAt);

// The track a file name belongs to under Ableton Live's naming, or an empty string when the name
// is not one of its recorded clips.
std::string abletonClipTrack(const std::string& fileName);

} // namespace quorvel::simulate

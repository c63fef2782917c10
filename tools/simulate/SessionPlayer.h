#pragma once

#include "simulate/SimulateOptions.h"

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvel::simulate {

class WavWriter;

// Plays one simulated recording session: lays out the DAW's project folder, then records the
// takes one after another, holding each take's files open and writing audio into them, with the
// DAW's pauses between takes. Every event becomes one flushed line on the event stream, so a
// reader (a person, or a test) sees it as it happens.
class SessionPlayer
{
public:
    // stopRequested is polled at least every 100 ms; once it returns true the player closes
    // what it holds and returns.
    SessionPlayer(SimulateOptions options, std::FILE* events, std::function<bool()> stopRequested);
    ~SessionPlayer();

    SessionPlayer(const SessionPlayer&) = delete;
    SessionPlayer& operator=(const SessionPlayer&) = delete;

    // Returns the exit status: 0 after the last take or a stop request, 1 when the folder or a
    // file cannot be written (the reason is in error()).
    int run();
    const std::string& error() const { return m_error; }

private:
    bool prepareFolder();
    bool writeArdourSession();
    bool recordEarlierAbletonTakes();
    // Returns false on a write failure; a stop request ends the take early and returns true.
    bool recordTake(int take);
    void waitSeconds(double seconds);
    void emit(const std::string& line);

    SimulateOptions m_options;
    std::FILE* m_events;
    std::function<bool()> m_stopRequested;
    std::filesystem::path m_folder;
    std::filesystem::path m_mediaFolder;
    // REAPER keeps its project file open for the whole session; -1 for the other DAWs.
    int m_projectFd = -1;
    // Ardour keeps the files of every take of the session open; they stay here until the end.
    std::vector<std::unique_ptr<WavWriter>> m_heldTakes;
    std::string m_error;
};

} // namespace quorvel::simulate

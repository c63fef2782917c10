#include "simulate/SessionPlayer.h"

#include "simulate/WavWriter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorvel::simulate {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// DAWs write in blocks; a tenth of a second keeps the file's modification time fresh at the
// pace a real recording does.
constexpr std::chrono::milliseconds writeInterval{100};
// Earlier takes laid down before an Ableton Live session are this far apart, and this long.
constexpr int earlierTakeSpacingSeconds = 120;
constexpr double earlierTakeSeconds = 1.0;

double toneFor(int track)
{
    return 110.0 * (track + 1);
}

} // namespace

SessionPlayer::SessionPlayer(SimulateOptions options, std::FILE* events,
                             std::function<bool()> stopRequested)
    : m_options(std::move(options)), m_events(events), m_stopRequested(std::move(stopRequested))
{
}

SessionPlayer::~SessionPlayer()
{
    if (m_projectFd >= 0)
        ::close(m_projectFd);
}

int SessionPlayer::run()
{
    if (!prepareFolder())
        return 1;
    emit("simulating " + std::string(m_options.daw->displayName) + " as \"" +
         runningName(*m_options.daw, m_options.wine) + "\" (pid " + std::to_string(::getpid()) +
         ") in " + m_folder.string());
    if (m_options.daw->kind == DawKind::ableton && !recordEarlierAbletonTakes())
        return 1;

    for (int index = 0; index < m_options.takes; ++index) {
        if (m_stopRequested())
            break;
        if (!recordTake(m_options.firstTake + index))
            return 1;
        if (index + 1 < m_options.takes)
            waitSeconds(m_options.gapSeconds);
    }
    emit(m_stopRequested() ? "interrupted" : "done");
    return 0;
}

bool SessionPlayer::prepareFolder()
{
    std::error_code error;
    const fs::path folder = fs::absolute(m_options.folder, error).lexically_normal();
    // A trailing separator would leave the folder without a name, which Ardour's layout uses.
    const fs::path named = folder.has_filename() ? folder : folder.parent_path();
    if (!error)
        fs::create_directories(mediaFolder(*m_options.daw, named), error);
    if (error) {
        m_error =
            "cannot create " + mediaFolder(*m_options.daw, named).string() + ": " + error.message();
        return false;
    }
    // Quorvel sees the paths the kernel reports, with every link resolved; so do the events.
    m_folder = fs::canonical(named, error);
    if (error)
        m_folder = named;
    m_mediaFolder = mediaFolder(*m_options.daw, m_folder);

    if (m_options.daw->kind == DawKind::ardour)
        return writeArdourSession();
    if (m_options.daw->kind != DawKind::reaper)
        return true;
    const fs::path project = m_folder / (std::string(reaperSessionName) + ".RPP");
    if (!fs::exists(project)) {
        std::ofstream file(project);
        file << "<REAPER_PROJECT 0.1 \"quorvel-simulate\" 0\n  RECORD_PATH \"Media\" \"\"\n>\n";
        if (!file) {
            m_error = "cannot write " + project.string();
            return false;
        }
    }
    m_projectFd = ::open(project.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_projectFd < 0) {
        m_error = "cannot open " + project.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool SessionPlayer::writeArdourSession()
{
    // A stand-in for the session file, holding the options that name the recorded files: "Prefix
    // Take Name" on, and the next take's name (Ardour/ardour,
    // libs/ardour/ardour/session_configuration_vars.h: track-name-take, take-name).
    const std::string name = m_folder.filename().string();
    const fs::path session = m_folder / (name + ".ardour");
    if (fs::exists(session))
        return true;
    std::ofstream file(session);
    file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Session name=\"" << name
         << "\">\n  <Config>\n    <Option name=\"track-name-take\" value=\"1\"/>\n"
         << "    <Option name=\"take-name\" value=\"Take" << m_options.firstTake
         << "\"/>\n  </Config>\n</Session>\n";
    if (!file) {
        m_error = "cannot write " + session.string();
        return false;
    }
    return true;
}

bool SessionPlayer::recordEarlierAbletonTakes()
{
    // Live numbers nothing: Quorvel counts each track's clips. For the first take to show its
    // number, the folder must already hold the clips of the takes before it.
    std::map<std::string, int> clipsPerTrack;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_mediaFolder, error)) {
        std::error_code sizeError;
        if (!entry.is_regular_file(sizeError) || entry.file_size(sizeError) == 0 || sizeError)
            continue;
        const std::string track = abletonClipTrack(entry.path().filename().string());
        if (!track.empty())
            ++clipsPerTrack[track];
    }

    const std::time_t now = std::time(nullptr);
    for (int track = 1; track <= m_options.tracks; ++track) {
        const int existing = clipsPerTrack[trackName(*m_options.daw, track)];
        if (existing >= m_options.firstTake) {
            std::fprintf(stderr,
                         "quorvel-simulate: note: %s already holds %d clips of track %s; Quorvel "
                         "counts clips, so the first take will show as %d\n",
                         m_mediaFolder.c_str(), existing, trackName(*m_options.daw, track).c_str(),
                         existing + 1);
        }
        for (int take = existing + 1; take < m_options.firstTake; ++take) {
            const std::time_t recordedAt =
                now -
                static_cast<std::time_t>(m_options.firstTake - take) * earlierTakeSpacingSeconds;
            for (const fs::path& path : takeFiles(*m_options.daw, m_mediaFolder, track,
                                                  m_options.tracks, take, recordedAt)) {
                auto writer = WavWriter::create(path, toneFor(track), m_error);
                if (!writer ||
                    !writer->append(std::llround(earlierTakeSeconds * WavWriter::sampleRate),
                                    m_error))
                    return false;
                writer->setModificationTime(recordedAt);
                emit("take " + std::to_string(take) + " recorded earlier: " + path.string());
            }
        }
    }
    return true;
}

bool SessionPlayer::recordTake(int take)
{
    // Every file of the take is open before the first one is reported, as a DAW arms all tracks
    // at once when recording starts.
    std::vector<std::unique_ptr<WavWriter>> writers;
    std::vector<int> tracks;
    const std::time_t startedAt = std::time(nullptr);
    for (int track = 1; track <= m_options.tracks; ++track) {
        for (const fs::path& path :
             takeFiles(*m_options.daw, m_mediaFolder, track, m_options.tracks, take, startedAt)) {
            auto writer = WavWriter::create(path, toneFor(track), m_error);
            if (!writer)
                return false;
            writers.push_back(std::move(writer));
        }
    }
    for (const auto& writer : writers)
        emit("take " + std::to_string(take) + " recording: " + writer->path().string());

    // Frames follow the clock rather than the loop count, so a slow machine writes bigger
    // blocks instead of a shorter take.
    const auto started = Clock::now();
    const auto length = std::chrono::duration<double>(m_options.takeSeconds);
    const std::int64_t totalFrames = std::llround(m_options.takeSeconds * WavWriter::sampleRate);
    std::int64_t written = 0;
    while (true) {
        const auto elapsed =
            std::min<std::chrono::duration<double>>(Clock::now() - started, length);
        const std::int64_t due =
            elapsed >= length ? totalFrames : std::llround(elapsed.count() * WavWriter::sampleRate);
        for (const auto& writer : writers) {
            if (!writer->append(due - written, m_error))
                return false;
        }
        written = due;
        if (written >= totalFrames || m_stopRequested())
            break;
        const auto remaining = length - (Clock::now() - started);
        std::this_thread::sleep_for(std::clamp<std::chrono::duration<double>>(
            remaining, std::chrono::duration<double>::zero(), writeInterval));
    }
    if (m_options.daw->kind == DawKind::ardour)
        std::move(writers.begin(), writers.end(), std::back_inserter(m_heldTakes));
    writers.clear();
    emit("take " + std::to_string(take) + " stopped");
    return true;
}

void SessionPlayer::waitSeconds(double seconds)
{
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!m_stopRequested()) {
        const auto remaining = std::chrono::duration<double>(end - Clock::now());
        if (remaining <= std::chrono::duration<double>::zero())
            return;
        std::this_thread::sleep_for(
            std::min<std::chrono::duration<double>>(remaining, writeInterval));
    }
}

void SessionPlayer::emit(const std::string& line)
{
    std::fprintf(m_events, "%s\n", line.c_str());
    std::fflush(m_events);
}

} // namespace quorvel::simulate

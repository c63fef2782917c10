#include "simulate/SimulatedDaw.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace quorvel::simulate {

namespace {

std::string padded(int number, int digits)
{
    char text[32];
    std::snprintf(text, sizeof text, "%0*d", digits, number);
    return text;
}

std::string abletonTimestamp(std::time_t time)
{
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H%M%S", &local);
    return text;
}

bool isStereo(const SimulatedDaw& daw, int track, int trackCount)
{
    // One stereo track is enough to show the .L/.R halves; a single track stays mono so that the
    // simplest session is also the plainest.
    return (daw.kind == DawKind::protools || daw.kind == DawKind::ardour) && trackCount > 1 &&
           track == trackCount;
}

} // namespace

const std::vector<SimulatedDaw>& simulatedDaws()
{
    // REAPER's Linux build runs as "reaper"; Live's command name is "Live", whatever the edition.
    // Debian 12 installs Ardour as /usr/lib/ardour7/ardour-7.3.0~ds0 (package ardour 1:7.3.0+ds0).
    static const std::vector<SimulatedDaw> daws = {
        {DawKind::reaper, "reaper", "REAPER", "reaper", "Media",
         R"(C:\Program Files\REAPER (x64)\reaper.exe)"},
        {DawKind::logic, "logic", "Logic Pro", "Logic Pro", "Audio Files", ""},
        {DawKind::protools, "protools", "Pro Tools", "Pro Tools", "Audio Files", ""},
        {DawKind::nuendo, "nuendo", "Nuendo", "Nuendo", "Audio",
         R"(C:\Program Files\Steinberg\Nuendo 13\Nuendo13.exe)"},
        {DawKind::cubase, "cubase", "Cubase", "Cubase", "Audio",
         R"(C:\Program Files\Steinberg\Cubase 13\Cubase13.exe)"},
        {DawKind::ableton, "ableton", "Ableton Live", "Live", "Samples/Recorded",
         R"(C:\ProgramData\Ableton\Live 12 Suite\Program\Ableton Live 12 Suite.exe)"},
        {DawKind::ardour, "ardour", "Ardour", "ardour-7.3.0~ds0", "interchange", ""},
    };
    return daws;
}

const SimulatedDaw* findSimulatedDaw(std::string_view key)
{
    for (const SimulatedDaw& daw : simulatedDaws()) {
        if (daw.key == key)
            return &daw;
    }
    return nullptr;
}

std::string runningName(const SimulatedDaw& daw, bool wine)
{
    if (!wine)
        return std::string(daw.processName);
    return std::string(daw.windowsPath.substr(daw.windowsPath.rfind('\\') + 1));
}

std::filesystem::path mediaFolder(const SimulatedDaw& daw, const std::filesystem::path& project)
{
    // Ardour's <session>/interchange/<session>/audiofiles (Ardour/ardour,
    // libs/ardour/directory_names.cc and libs/ardour/session_directory.cc).
    if (daw.kind == DawKind::ardour)
        return project / daw.mediaFolder / project.filename() / "audiofiles";
    return project / daw.mediaFolder;
}

std::string trackName(const SimulatedDaw& daw, int track)
{
    switch (daw.kind) {
    case DawKind::reaper:
        return "Track " + std::to_string(track);
    case DawKind::logic:
    case DawKind::protools:
    case DawKind::ardour:
        return "Audio " + std::to_string(track);
    case DawKind::nuendo:
    case DawKind::cubase:
        return "Audio " + padded(track, 2);
    case DawKind::ableton:
        return std::to_string(track) + "-Audio";
    }
    return {};
}

std::vector<std::filesystem::path> takeFiles(const SimulatedDaw& daw,
                                             const std::filesystem::path& mediaFolder, int track,
                                             int trackCount, int take, std::time_t startedAt)
{
    const std::string name = trackName(daw, track);
    switch (daw.kind) {
    case DawKind::reaper:
        // REAPER's default "$rectag-$tracknumber-$recpass000": the rec-pass counts takes for the
        // whole project, so every track of one take carries the same number.
        return {mediaFolder / (std::string(reaperSessionName) + "-" + padded(track, 2) + "-" +
                               padded(take, 3) + ".wav")};
    case DawKind::logic:
        return {mediaFolder / (name + "#" + padded(take, 2) + ".wav")};
    case DawKind::protools:
        if (isStereo(daw, track, trackCount)) {
            return {mediaFolder / (name + "_" + padded(take, 2) + ".L.wav"),
                    mediaFolder / (name + "_" + padded(take, 2) + ".R.wav")};
        }
        return {mediaFolder / (name + "_" + padded(take, 2) + ".wav")};
    case DawKind::nuendo:
    case DawKind::cubase:
        return {mediaFolder / (name + "_" + padded(take, 2) + ".wav")};
    case DawKind::ableton:
        return {mediaFolder /
                (name + " " + padded(take, 4) + " [" + abletonTimestamp(startedAt) + "].wav")};
    case DawKind::ardour: {
        // With "Prefix Take Name" on, every file of a pass starts with the take name, "Take<N>_";
        // "-1" is the track's first file of that name, and a stereo track's halves end in %L and
        // %R (Ardour/ardour, libs/ardour/session.cc, Session::format_audio_source_name).
        const std::string base = "Take" + std::to_string(take) + "_" + name + "-1";
        if (isStereo(daw, track, trackCount))
            return {mediaFolder / (base + "%L.wav"), mediaFolder / (base + "%R.wav")};
        return {mediaFolder / (base + ".wav")};
    }
    }
    return {};
}

std::string abletonClipTrack(const std::string& fileName)
{
    // "<track> <number> [YYYY-MM-DD HHMMSS].<extension>", read from the end: everything after the
    // track has a fixed shape, so the track is what remains before it.
    const auto isDigits = [](std::string_view text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        });
    };
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot + 1 == fileName.size())
        return {};
    const std::string_view stem = std::string_view(fileName).substr(0, dot);
    constexpr std::size_t stampLength = std::string_view(" [YYYY-MM-DD HHMMSS]").size();
    if (stem.size() < stampLength)
        return {};
    const std::string_view stamp = stem.substr(stem.size() - stampLength);
    if (stamp.substr(0, 2) != " [" || stamp.back() != ']' || !isDigits(stamp.substr(2, 4)) ||
        stamp[6] != '-' || !isDigits(stamp.substr(7, 2)) || stamp[9] != '-' ||
        !isDigits(stamp.substr(10, 2)) || stamp[12] != ' ' || !isDigits(stamp.substr(13, 6)))
        return {};
    const std::string_view named = stem.substr(0, stem.size() - stampLength);
    const std::size_t space = named.rfind(' ');
    if (space == std::string_view::npos || space == 0 || !isDigits(named.substr(space + 1)))
        return {};
    return std::string(named.substr(0, space));
}

} // namespace quorvel::simulate

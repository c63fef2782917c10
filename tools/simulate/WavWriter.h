#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace quorvel::simulate {

// A mono 16-bit PCM WAV file held open while it is being recorded, as a DAW holds its take files.
// The RIFF and data sizes in the header are rewritten after every append, so the file is a valid
// WAV whenever a reader looks between two appends, and after an interruption.
class WavWriter
{
public:
    static constexpr int sampleRate = 48000;

    // Creates (or truncates) the file and writes its header. Returns nullptr and fills in error
    // on failure.
    static std::unique_ptr<WavWriter> create(const std::filesystem::path& path, double toneHz,
                                             std::string& error);
    ~WavWriter();

    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Appends the next frames of the file's tone. Returns false and fills in error on failure.
    bool append(std::int64_t frames, std::string& error);

    // Sets the file's modification time, for takes that are meant to look old.
    bool setModificationTime(std::time_t time);

    const std::filesystem::path& path() const { return m_path; }
    std::int64_t frames() const { return m_frames; }

private:
    WavWriter(std::filesystem::path path, int fd, double toneHz);
    bool writeSizes(std::string& error);

    std::filesystem::path m_path;
    int m_fd;
    double m_toneHz;
    std::int64_t m_frames = 0;
};

} // namespace quorvel::simulate

#include "simulate/WavWriter.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <numbers>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvel::simulate {

namespace {

constexpr int bytesPerSample = 2;
constexpr std::size_t headerSize = 44;
constexpr off_t riffSizeOffset = 4;
constexpr off_t dataSizeOffset = 40;
// A quiet tone: real audio, but nobody's ears get hurt by a demo left running.
constexpr double amplitude = 0.2 * 32767;

void putLittleEndian(unsigned char* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

bool writeAll(int fd, const void* data, std::size_t size, off_t offset)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, bytes, size, offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

std::string describeFailure(const char* what, const std::filesystem::path& path)
{
    return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

} // namespace

std::unique_ptr<WavWriter> WavWriter::create(const std::filesystem::path& path, double toneHz,
                                             std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = describeFailure("cannot create", path);
        return nullptr;
    }

    std::array<unsigned char, headerSize> header{};
    std::memcpy(&header[0], "RIFF", 4);
    std::memcpy(&header[8], "WAVE", 4);
    std::memcpy(&header[12], "fmt ", 4);
    putLittleEndian(&header[16], 16, 4); // fmt chunk size
    putLittleEndian(&header[20], 1, 2);  // PCM
    putLittleEndian(&header[22], 1, 2);  // channels
    putLittleEndian(&header[24], sampleRate, 4);
    putLittleEndian(&header[28], sampleRate * bytesPerSample, 4);
    putLittleEndian(&header[32], bytesPerSample, 2);
    putLittleEndian(&header[34], 8 * bytesPerSample, 2);
    std::memcpy(&header[36], "data", 4);
    putLittleEndian(&header[4], headerSize - 8, 4);
    putLittleEndian(&header[40], 0, 4);
    if (!writeAll(fd, header.data(), header.size(), 0)) {
        error = describeFailure("cannot write", path);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<WavWriter>(new WavWriter(path, fd, toneHz));
}

WavWriter::WavWriter(std::filesystem::path path, int fd, double toneHz)
    : m_path(std::move(path)), m_fd(fd), m_toneHz(toneHz)
{
}

WavWriter::~WavWriter()
{
    ::close(m_fd);
}

bool WavWriter::append(std::int64_t frames, std::string& error)
{
    if (frames <= 0)
        return true;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(frames) * bytesPerSample);
    for (std::int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(m_frames + i) / sampleRate;
        const auto sample = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * m_toneHz * t)));
        putLittleEndian(&bytes[static_cast<std::size_t>(i) * bytesPerSample],
                        static_cast<std::uint16_t>(sample), bytesPerSample);
    }
    const off_t end = static_cast<off_t>(headerSize) + m_frames * bytesPerSample;
    if (!writeAll(m_fd, bytes.data(), bytes.size(), end)) {
        error = describeFailure("cannot write", m_path);
        return false;
    }
    m_frames += frames;
    return writeSizes(error);
}

bool WavWriter::writeSizes(std::string& error)
{
    const std::int64_t dataBytes = m_frames * bytesPerSample;
    // The data size field is 32 bits; stopping short of 4 GiB keeps the header truthful.
    if (dataBytes + static_cast<std::int64_t>(headerSize) - 8 > 0xffffffffLL) {
        error = m_path.string() + " has reached the 4 GiB limit of a WAV file";
        return false;
    }
    unsigned char riffSize[4];
    unsigned char dataSize[4];
    putLittleEndian(riffSize, static_cast<std::uint32_t>(dataBytes + headerSize - 8), 4);
    putLittleEndian(dataSize, static_cast<std::uint32_t>(dataBytes), 4);
    if (!writeAll(m_fd, riffSize, 4, riffSizeOffset) ||
        !writeAll(m_fd, dataSize, 4, dataSizeOffset)) {
        error = describeFailure("cannot write", m_path);
        return false;
    }
    return true;
}

bool WavWriter::setModificationTime(std::time_t time)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time;
    times[1].tv_nsec = 0;
    return ::futimens(m_fd, times) == 0;
}

} // namespace quorvel::simulate

#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>

namespace quorvel {

// A file's content-modification time, to the nanosecond the file system keeps.
using FileTime = std::chrono::time_point<std::chrono::system_clock, std::chrono::nanoseconds>;

// What an unreadable date counts as: older than any real file, so such a file never looks like
// it is being recorded.
inline constexpr FileTime distantPast = FileTime::min();

inline FileTime currentFileTime()
{
    return std::chrono::time_point_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now());
}

// True when date lies strictly less than windowSeconds before now; a date after now counts too,
// so clock skew between the writer and us never hides a recording. Written as a comparison with
// now - window, so that distantPast takes part without overflowing a subtraction.
inline bool isWithinWindow(FileTime date, FileTime now, double windowSeconds)
{
    if (!(windowSeconds > 0) || !std::isfinite(windowSeconds))
        return false;
    // A century is far beyond any real window and keeps the conversion inside the clock's range.
    const double clamped = std::min(windowSeconds, 100.0 * 365 * 24 * 3600);
    const auto window = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(clamped));
    if (now < FileTime::min() + window)
        return date > FileTime::min();
    return date > now - window;
}

} // namespace quorvel

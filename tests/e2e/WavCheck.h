#pragma once

#include <QFile>

#include <string>

namespace quorvel::test {

// Empty when path is a PCM WAV file whose RIFF and data sizes account for the file exactly and
// whose data holds more than silence; otherwise what is wrong. The bytes on disk are judged, not
// what the writer meant to write. seconds, when given, receives the length of the audio.
inline std::string wavProblem(const QString& path, double* seconds = nullptr)
{
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const auto little = [&](qsizetype at, int size) {
        qint64 value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = (value << 8) | static_cast<quint8>(bytes[at + i]);
        return value;
    };
    const auto problem = [&](const std::string& what) {
        return path.toStdString() + " has " + what + " in " + std::to_string(bytes.size()) +
               " bytes";
    };
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return problem("no RIFF WAVE header");
    if (little(4, 4) != bytes.size() - 8)
        return problem("RIFF size " + std::to_string(little(4, 4)));
    qint64 frameBytes = 0;
    qint64 byteRate = 0;
    // Walk the chunks rather than assume the 44-byte layout: any valid file must pass.
    for (qsizetype at = 12, size = 0; at + 8 <= bytes.size(); at += 8 + size + (size & 1)) {
        size = little(at + 4, 4);
        if (bytes.mid(at, 4) == "fmt " && size >= 16 && at + 24 <= bytes.size()) {
            // PCM, whose frame size and byte rate agree with its channels, bits and rate.
            byteRate = little(at + 16, 4);
            frameBytes = little(at + 20, 2);
            if (little(at + 8, 2) != 1 || frameBytes == 0 ||
                frameBytes != little(at + 10, 2) * ((little(at + 22, 2) + 7) / 8) ||
                byteRate != little(at + 12, 4) * frameBytes)
                return problem("a fmt chunk that is not consistent PCM");
        } else if (bytes.mid(at, 4) == "data") {
            if (frameBytes == 0 || size == 0 || size % frameBytes || at + 8 + size != bytes.size())
                return problem("data size " + std::to_string(size) + " at offset " +
                               std::to_string(at + 8) + " (frames of " +
                               std::to_string(frameBytes) + " bytes)");
            if (bytes.mid(at + 8).count('\0') == size)
                return problem("only silence");
            if (seconds)
                *seconds = static_cast<double>(size) / static_cast<double>(byteRate);
            return {};
        }
    }
    return problem("no data chunk");
}

} // namespace quorvel::test

#pragma once

#include <QString>

namespace quorvel::test {

// The header of a WAV file as written on disk, read byte by byte, so that a test judges the file
// and not what the writer meant to write.
struct WavHeader
{
    QString problem; // empty when the RIFF structure could be read
    qint64 fileSize = 0;
    quint32 riffSize = 0;
    quint16 format = 0;
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint32 byteRate = 0;
    quint16 blockAlign = 0;
    quint16 bitsPerSample = 0;
    qint64 dataOffset = 0;
    quint32 dataSize = 0;
};

WavHeader readWavHeader(const QString& path);

// Empty when path is a PCM WAV file whose RIFF and data sizes account for the file exactly and
// whose data holds more than silence; otherwise a sentence saying what is wrong.
QString wavProblem(const QString& path);

} // namespace quorvel::test

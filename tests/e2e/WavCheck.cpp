#include "e2e/WavCheck.h"

#include <QFile>

namespace quorvel::test {

namespace {

quint32 little(const QByteArray& bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes[at + i]);
    return value;
}

} // namespace

WavHeader readWavHeader(const QString& path)
{
    WavHeader header;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        header.problem = QStringLiteral("cannot open %1").arg(path);
        return header;
    }
    const QByteArray bytes = file.readAll();
    header.fileSize = bytes.size();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        header.problem = QStringLiteral("%1 does not start with a RIFF WAVE header").arg(path);
        return header;
    }
    header.riffSize = little(bytes, 4, 4);

    // Walk the chunks rather than assume the 44-byte layout: any valid file must pass.
    qsizetype at = 12;
    bool haveFormat = false;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = little(bytes, at + 4, 4);
        if (id == "fmt " && size >= 16 && at + 8 + 16 <= bytes.size()) {
            header.format = static_cast<quint16>(little(bytes, at + 8, 2));
            header.channels = static_cast<quint16>(little(bytes, at + 10, 2));
            header.sampleRate = little(bytes, at + 12, 4);
            header.byteRate = little(bytes, at + 16, 4);
            header.blockAlign = static_cast<quint16>(little(bytes, at + 20, 2));
            header.bitsPerSample = static_cast<quint16>(little(bytes, at + 22, 2));
            haveFormat = true;
        } else if (id == "data") {
            header.dataOffset = at + 8;
            header.dataSize = size;
            break;
        }
        at += 8 + size + (size & 1);
    }
    if (!haveFormat || header.dataOffset == 0)
        header.problem = QStringLiteral("%1 lacks a fmt or data chunk").arg(path);
    return header;
}

QString wavProblem(const QString& path)
{
    const WavHeader header = readWavHeader(path);
    if (!header.problem.isEmpty())
        return header.problem;
    if (header.format != 1 || header.channels == 0 || header.sampleRate == 0 ||
        header.bitsPerSample == 0)
        return QStringLiteral("%1 is not plain PCM (format %2, %3 channels, %4 Hz, %5 bits)")
            .arg(path)
            .arg(header.format)
            .arg(header.channels)
            .arg(header.sampleRate)
            .arg(header.bitsPerSample);
    const quint32 frameBytes = header.channels * ((header.bitsPerSample + 7u) / 8u);
    if (header.blockAlign != frameBytes || header.byteRate != header.sampleRate * frameBytes)
        return QStringLiteral("%1 has an inconsistent block align or byte rate").arg(path);
    if (static_cast<qint64>(header.riffSize) != header.fileSize - 8)
        return QStringLiteral("%1: RIFF size %2 for a file of %3 bytes")
            .arg(path)
            .arg(header.riffSize)
            .arg(header.fileSize);
    if (header.dataOffset + header.dataSize != header.fileSize)
        return QStringLiteral("%1: data size %2 at offset %3 for a file of %4 bytes")
            .arg(path)
            .arg(header.dataSize)
            .arg(header.dataOffset)
            .arg(header.fileSize);
    if (header.dataSize == 0 || header.dataSize % frameBytes != 0)
        return QStringLiteral("%1: data size %2 is not a positive number of frames")
            .arg(path)
            .arg(header.dataSize);

    QFile file(path);
    file.open(QIODevice::ReadOnly);
    file.seek(header.dataOffset);
    const QByteArray data = file.read(header.dataSize);
    if (data.count('\0') == data.size())
        return QStringLiteral("%1 holds only silence").arg(path);
    return {};
}

} // namespace quorvel::test

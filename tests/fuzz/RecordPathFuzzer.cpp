// Arbitrary bytes as a line of a REAPER project and as a whole project file. A project file is
// the user's and may be damaged or not a project at all; reading it must stay bounded and quiet.
// A file of one line must read as that line does on its own, and a line's record paths are pieces
// of its text.
#include "FuzzCheck.h"

#include "providers/ReaperProject.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

using namespace quorvel;
using fuzz::check;

namespace {

QTemporaryDir* projectFolder()
{
    static const auto folder = std::make_unique<QTemporaryDir>();
    return folder.get();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // A line's record paths are pieces of its text.
    if (!bytes.contains('\n')) {
        if (const auto fromLine = ReaperProject::parseRecordPathLine(bytes)) {
            const QString line = QString::fromUtf8(bytes);
            check(line.contains(fromLine->primary) && line.contains(fromLine->secondary),
                  "the record paths are text of their line");
        }
    }

    const QString path = projectFolder()->filePath(QStringLiteral("Session.RPP"));
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes.data(), bytes.size()) == bytes.size(),
          "the project file can be written");
    file.close();
    const auto fromFile = ReaperProject::readRecordPaths(path);

    // One line, short enough to be read whole: the file says what its trimmed line says.
    if (!bytes.contains('\n') && bytes.size() <= 64 * 1024) {
        const QByteArrayView line = bytes.trimmed();
        const auto expected = line.startsWith("RECORD_PATH")
                                  ? ReaperProject::parseRecordPathLine(line)
                                  : std::nullopt;
        check(fromFile == expected, "a one-line project reads as its line");
    }
    if (fromFile)
        ReaperProject::recordFolders(path, *fromFile);
    return 0;
}

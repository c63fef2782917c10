#include "app/ExportMode.h"

#include "app/CommandLine.h"
#include "takes/TakeSheet.h"
#include "takes/TakeSheetText.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace quorvel::ExportMode {

namespace {

void complain(const QString& text)
{
    const QByteArray bytes = QStringLiteral("quorvel: %1\n").arg(text).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

} // namespace

int run(const CommandLine& commandLine)
{
    QString error;
    const QString path = TakeSheet::defaultPath();
    const auto entries = TakeSheet::read(path, commandLine.project, &error);
    if (!error.isEmpty()) {
        complain(QStringLiteral("cannot read the take sheet %1: %2").arg(path, error));
        return 1;
    }
    const QByteArray csv = TakeSheetText::csv(entries);
    const QString target = *commandLine.exportTakes;
    if (target == QLatin1String("-")) {
        std::fwrite(csv.constData(), 1, static_cast<size_t>(csv.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // A spreadsheet opening the file needs the byte-order mark to read it as UTF-8; the file
    // appears whole or not at all.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write("\xEF\xBB\xBF") != 3 ||
        file.write(csv) != csv.size() || !file.commit()) {
        complain(QStringLiteral("cannot write %1: %2").arg(target, file.errorString()));
        return 1;
    }
    return 0;
}

} // namespace quorvel::ExportMode

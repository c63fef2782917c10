#include "app/ExportMode.h"

#include "app/CommandLine.h"
#include "takes/TakeSheet.h"
#include "takes/TakeSheetText.h"


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
    const QString target = *commandLine.exportTakes;
    if (target == QLatin1String("-")) {
        const QByteArray csv = TakeSheetText::csv(entries);
        std::fwrite(csv.constData(), 1, static_cast<size_t>(csv.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!TakeSheetText::saveCsv(target, entries, &error)) {
        complain(QStringLiteral("cannot write %1: %2").arg(target, error));
        return 1;
    }
    return 0;
}

} // namespace quorvel::ExportMode

#include "takes/TakeSheetText.h"

#include <QJsonArray>
#include <QSaveFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace quorvel::TakeSheetText {

namespace {

QString timeText(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString seconds(qint64 ms)
{
    return QString::number(static_cast<double>(ms) / 1000.0, 'f', 3);
}

// RFC 4180 section 2, rules 6 and 7: a field holding a comma, a quote or a line break is
// quoted, and a quote inside it doubled.
QString field(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QByteArray csv(const std::vector<TakeEntry>& entries)
{
    QString text = QStringLiteral("take,daw,project,piece,started,ended,length_seconds,mark,note,"
                                  "folder,files,project_path\r\n");
    for (const TakeEntry& entry : entries) {
        const QStringList row = {
            entry.take,
            entry.daw,
            entry.project,
            entry.piece,
            timeText(entry.started),
            entry.ended ? timeText(*entry.ended) : QString(),
            entry.lengthMs() ? seconds(*entry.lengthMs()) : QString(),
            entry.mark,
            entry.note,
            entry.folder,
            entry.files.join(QLatin1Char('\n')),
            entry.projectPath,
        };
        QStringList fields;
        for (const QString& value : row)
            fields << field(value);
        text += fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
    }
    return text.toUtf8();
}

bool saveCsv(const QString& path, const std::vector<TakeEntry>& entries, QString* error)
{
    const QByteArray text = csv(entries);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write("\xEF\xBB\xBF") == 3 &&
        file.write(text) == text.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

QByteArray json(const std::vector<TakeEntry>& entries)
{
    QJsonArray takes;
    for (const TakeEntry& entry : entries) {
        takes.append(QJsonObject{
            {QStringLiteral("take"), entry.take},
            {QStringLiteral("daw"), entry.daw},
            {QStringLiteral("project"), entry.project},
            {QStringLiteral("piece"), entry.piece},
            {QStringLiteral("started"), timeText(entry.started)},
            {QStringLiteral("ended"),
             entry.ended ? QJsonValue(timeText(*entry.ended)) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("lengthSeconds"),
             entry.lengthMs() ? QJsonValue(static_cast<double>(*entry.lengthMs()) / 1000.0)
                              : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("mark"), entry.mark},
            {QStringLiteral("note"), entry.note},
        });
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("takes"), takes}})
        .toJson(QJsonDocument::Compact);
}

} // namespace quorvel::TakeSheetText

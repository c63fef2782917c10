#include "remote/StateDocuments.h"

#include "model/DecimalText.h"

#include <QJsonDocument>
#include <QJsonObject>

#ifndef QUORVEL_VERSION
#define QUORVEL_VERSION ""
#endif

namespace quorvel::StateDocuments {

namespace {

void insertIfSet(QJsonObject& object, QLatin1String key, const std::optional<QString>& value)
{
    if (value)
        object.insert(key, *value);
}

QByteArray encode(const QJsonObject& object)
{
    // QJsonObject keeps its keys sorted, which the API document promises and the state document
    // is free to do.
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QByteArray stateJSON(const RemoteDisplayState& state)
{
    QJsonObject object;
    insertIfSet(object, QLatin1String("project"), state.project);
    insertIfSet(object, QLatin1String("piece"), state.piece);
    insertIfSet(object, QLatin1String("take"), state.take);
    object.insert(QLatin1String("status"), state.status);
    object.insert(QLatin1String("recording"), state.recording);
    insertIfSet(object, QLatin1String("daw"), state.daw);
    object.insert(QLatin1String("hasTake"), state.hasTake);
    return encode(object);
}

QByteArray apiJSON(const RemoteDisplayState& state, const std::optional<QDateTime>& updatedAt)
{
    QJsonObject object;
    object.insert(QLatin1String("api"), 1);
    object.insert(QLatin1String("app"), QLatin1String("Quorvel"));
    object.insert(QLatin1String("appVersion"), appVersion());
    insertIfSet(object, QLatin1String("daw"), state.daw);
    insertIfSet(object, QLatin1String("project"), state.project);
    insertIfSet(object, QLatin1String("piece"), state.piece);
    object.insert(QLatin1String("status"), state.status);
    object.insert(QLatin1String("recording"), state.recording);
    object.insert(QLatin1String("hasTake"), state.hasTake);
    insertIfSet(object, QLatin1String("take"), state.take);
    if (const auto number = takeNumber(state.take))
        object.insert(QLatin1String("takeNumber"), *number);
    // Qt::ISODate writes whole seconds and "Z" for UTC: 2025-03-07T18:04:59Z.
    if (updatedAt && updatedAt->isValid())
        object.insert(QLatin1String("updatedAt"), updatedAt->toUTC().toString(Qt::ISODate));
    return encode(object);
}

std::optional<qint64> takeNumber(const std::optional<QString>& take)
{
    if (!take)
        return std::nullopt;
    return DecimalText::parseInteger(*take);
}

QString appVersion()
{
    const QString version = QStringLiteral(QUORVEL_VERSION);
    return version.isEmpty() ? QStringLiteral("dev") : version;
}

} // namespace quorvel::StateDocuments

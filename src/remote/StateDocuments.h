#pragma once

#include "remote/RemoteDisplayState.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace quorvel::StateDocuments {

// The two JSON bodies the remote display serves. Both are compact UTF-8, and a field without a
// value is left out rather than written as null. Pure: the caller passes the state and the time
// of its push, so any case can be built exactly.

// "/state": the display state as the page reads it.
QByteArray stateJSON(const RemoteDisplayState& state);

// "/api/v1/state": the state with the API version, the application's name and version, the take
// as a number where it is one, and updatedAt (the push time in UTC, whole seconds); keys sorted.
QByteArray apiJSON(const RemoteDisplayState& state, const std::optional<QDateTime>& updatedAt);

// The whole of take read as a signed decimal 64-bit integer: an optional single "+" or "-" and
// ASCII digits, nothing else. None for an absent or empty take, any other character, or a value
// outside the 64-bit range.
std::optional<qint64> takeNumber(const std::optional<QString>& take);

// The version this build reports: QUORVEL_VERSION, or "dev" when the build carries none.
QString appVersion();

} // namespace quorvel::StateDocuments

#pragma once

#include <QString>

#include <optional>

namespace quorvel {

// What the remote display shows: the watcher's displayed values at the time of a push. Known to
// users of the server as RemoteDisplayServer::State.
struct RemoteDisplayState
{
    std::optional<QString> project;
    std::optional<QString> piece;
    // The take as displayed, as text ("42", or a non-numeric take verbatim).
    std::optional<QString> take;
    // "Recording", "Next take" or "Last take"; empty before the first push.
    QString status;
    bool recording = false;
    std::optional<QString> daw;
    bool hasTake = false;

    friend bool operator==(const RemoteDisplayState&, const RemoteDisplayState&) = default;
};

} // namespace quorvel

#pragma once

#include <QMetaType>
#include <QString>

#include <optional>

namespace quorvel {

// One take as parsed from a file name. The rec-pass is kept exactly as captured (zero padding
// and all) because display rules differ per surface; see FolderWatcher::displayedRecPass.
struct RecordingPass
{
    QString filename; // last path component; the identity in lists
    QString recPass;  // may be non-numeric
    std::optional<QString> pieceName;

    // All three fields; an absent piece name differs from an empty one.
    friend bool operator==(const RecordingPass&, const RecordingPass&) = default;
};

} // namespace quorvel

Q_DECLARE_METATYPE(quorvel::RecordingPass)

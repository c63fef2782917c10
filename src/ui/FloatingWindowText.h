#pragma once

#include <QString>

#include <optional>

namespace quorvel {

class FolderWatcher;

// Everything the floating window writes, derived afresh from the watcher on every redraw so the
// window keeps no state of its own. Pure: tests feed it a watcher in the state they need.
struct FloatingWindowText
{
    bool recording = false;
    QString heading;            // piece, else project, else "quorvel"
    QString context;            // project beside a piece, else the DAW in lower case, or "no daw"
    qreal contextOpacity = 0.4; // 0.6 while a DAW is known
    QString label;              // status line
    std::optional<QString> folderLine; // the effective folder while there is no take
    QString number;                    // the take, or an em dash
    qreal numberOpacity = 0.3;         // 1.0 while a take exists

    static FloatingWindowText from(const FolderWatcher& watcher);

    friend bool operator==(const FloatingWindowText&, const FloatingWindowText&) = default;
};

} // namespace quorvel

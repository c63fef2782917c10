#pragma once

#include <QString>

namespace quorvel {

// Shows a folder to the user in the desktop's file manager: on macOS Finder opens the folder's
// parent with the folder selected, as "Show in Finder" does; on Linux the desktop's file manager
// opens the folder itself. Which folder to show when the wanted one has gone is the caller's
// decision. Main thread only, once a QApplication exists.
namespace FileReveal {

// Hands path to the file manager. False when the request could not be handed over (Linux: no
// handler for folders); Finder gives no answer, so on macOS this is always true.
bool revealFolder(const QString& path);

} // namespace FileReveal
} // namespace quorvel

#pragma once

#include <QString>

namespace quorvel {

// Whether Quorvel starts when the user logs in. On Linux that is an entry in the XDG autostart
// folder; on macOS a per-user launch agent. Both are plain files the user may also remove or
// switch off by hand, so the state is always read back from the file, never remembered.
// Main thread.
namespace LoginItem {

bool isEnabled();

// Writes or removes the entry for the running executable. Returns an empty text on success,
// otherwise what went wrong, for the user.
QString setEnabled(bool enabled);

} // namespace LoginItem
} // namespace quorvel

#pragma once

#include <QString>

namespace quorvel {

class FolderWatcher;

// The command-line face of the watcher: the displayed state as one line of text or JSON.
namespace HeadlessMode {

QString describe(const FolderWatcher& watcher, bool json);

// Runs the watcher with the user's settings and no window until SIGINT or SIGTERM; returns the
// exit status. Requires a QCoreApplication.
int run(bool json);

} // namespace HeadlessMode
} // namespace quorvel

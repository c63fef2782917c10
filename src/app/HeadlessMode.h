#pragma once

#include <QString>

namespace quorvel {

class FolderWatcher;
struct CommandLine;

// The command-line face of the watcher: the displayed state as one line of text or JSON.
namespace HeadlessMode {

QString describe(const FolderWatcher& watcher, bool json);

// Runs the watcher with the user's settings and no window until SIGINT or SIGTERM; returns the
// exit status. The displayed state goes to standard output; the remote display's addresses and
// errors go to standard error, so that the output stays one state per line. Requires a
// QCoreApplication.
int run(const CommandLine& commandLine);

} // namespace HeadlessMode
} // namespace quorvel

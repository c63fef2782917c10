#pragma once

namespace quorvel {

struct CommandLine;

// The desktop application: the floating window, tray, Dock tile, settings and help around one
// watcher with the user's settings.
namespace DesktopMode {

// Runs until the user quits, or SIGINT or SIGTERM; returns the exit status. Creates the
// QApplication itself. REQUIRES: AppPresence::canShowWindows().
int run(int& argc, char** argv, const CommandLine& commandLine);

} // namespace DesktopMode
} // namespace quorvel

#pragma once

#include <QString>

#include <optional>

// The files that make Quorvel start at login, apart from where they live, so that both desktops'
// forms can be checked on any system.
namespace quorvel::LoginItemFiles {

// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that variable is unset, empty or not
// an absolute path (freedesktop.org base directory rules, "XDG_CONFIG_HOME").
QString autostartDirectory(const QString& xdgConfigHome, const QString& home);

// A desktop entry that starts executable; none when the path cannot be written in an Exec key
// (a line break).
std::optional<QString> autostartEntry(const QString& executable);

// False when a desktop entry has been switched off without being removed: "Hidden=true", or
// "X-GNOME-Autostart-enabled=false", which GNOME's and some other session managers write when the
// user unticks a startup program.
bool autostartEntryIsActive(const QString& contents);

// A launch agent property list that starts executable once when the user logs in to the desktop.
QString launchAgent(const QString& label, const QString& executable);

// Writes contents to path whole (creating the folder) or removes path; returns what went wrong,
// or an empty text.
QString write(const QString& path, const QString& contents);
QString remove(const QString& path);

} // namespace quorvel::LoginItemFiles

#pragma once

#include "platform/HostSystem.h"

#include <QString>

namespace quorvel {

// The texts that name a thing of the desktop: the Dock, the menu bar, the Finder, the system's
// prompt for incoming connections. A Mac shows Apple's words; a Linux desktop shows the words its
// users know (taskbar, tray, file manager, firewall). Every such text has both wordings in one
// table, so a new one cannot be added for one desktop only.
enum class PlatformText {
    showDockIconToggle,
    dockNoteShown,
    dockNoteHidden,
    startupNote,
    remoteFinePrint,
    showMediaFolder,
    helpWhatItShows,
    helpRequirements,
};

QString platformText(PlatformText text, HostSystem system = hostSystem());

} // namespace quorvel

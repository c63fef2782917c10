#include "ui/PlatformTexts.h"

#include <array>
#include <cstddef>

namespace quorvel {
namespace {

struct Wording
{
    PlatformText text;
    const char* macOS;
    const char* linuxDesktop;
};

// Help texts are Markdown, as in HelpContent.
constexpr std::array<Wording, 8> wordings{{
    {PlatformText::showDockIconToggle, "Show Dock icon (full app)",
     "Show taskbar icon (full app)"},
    {PlatformText::dockNoteShown,
     "Runs as a regular app with a Dock icon and menu bar. Clicking the Dock icon reopens the "
     "floating window.",
     "Runs as a regular app with a taskbar icon, which shows the take number where the launcher "
     "supports it."},
    {PlatformText::dockNoteHidden, "Runs as a menu bar accessory only, with no Dock icon.",
     "Runs from the tray only, with no taskbar icon."},
    {PlatformText::startupNote,
     "The menu bar item is always shown. The floating window stays on top of other apps; you can "
     "close it and reopen it from the menu bar or the Window menu.",
     "The tray icon is always shown where the desktop has a tray. The floating window stays on "
     "top of other apps; you can close it and reopen it from the tray."},
    {PlatformText::remoteFinePrint,
     "The first connection may prompt macOS to allow incoming connections \u2014 click Allow.",
     "If a firewall runs on this computer, let it allow incoming connections on this port."},
    {PlatformText::showMediaFolder, "Show Media Folder in Finder",
     "Show Media Folder in File Manager"},
    {PlatformText::helpWhatItShows,
     "The rec-pass (take) number of the current pass, live, in the always-on-top floating window "
     "and in the menu bar.\nWhile recording, the readout says **Recording** and the number turns "
     "red.\nBetween takes it shows the last take or, optionally, the upcoming one (last + 1).\n"
     "With the Dock icon enabled in the settings, the Dock icon shows the number too.",
     "The rec-pass (take) number of the current pass, live, in the always-on-top floating window "
     "and in the tray.\nWhile recording, the readout says **Recording** and the number turns "
     "red.\nBetween takes it shows the last take or, optionally, the upcoming one (last + 1).\n"
     "With the taskbar icon enabled in the settings, launchers that show counts (KDE Plasma's "
     "task manager, Ubuntu's dock) show the number on Quorvel's icon too."},
    {PlatformText::helpRequirements,
     "\u2022  macOS 14 or later.\n"
     "\u2022  REAPER running on the same Mac and user account: Quorvel observes the files it "
     "holds open.\n"
     "\u2022  Recording to **WAV** files whose names end in the **$recpass** value (see *Setting "
     "up REAPER* below).\n"
     "\u2022  A media folder under Desktop, Documents or Downloads may make macOS ask once for "
     "folder access. That is normal.",
     "\u2022  A Linux desktop (X11, or Wayland through XWayland).\n"
     "\u2022  REAPER running on the same computer and user account: Quorvel observes the files it "
     "holds open.\n"
     "\u2022  Recording to **WAV** files whose names end in the **$recpass** value (see *Setting "
     "up REAPER* below)."},
}};

} // namespace

QString platformText(PlatformText text, HostSystem system)
{
    const Wording& wording = wordings[static_cast<std::size_t>(text)];
    Q_ASSERT(wording.text == text);
    return QString::fromUtf8(system == HostSystem::macOS ? wording.macOS : wording.linuxDesktop);
}

} // namespace quorvel
